// tavrpki params: the DSTU 4145 named curves and their parameter DER.
//   params show OID                         the curve's numbers
//   params der [--explicit] [--dke HEX] OID the DER a certificate carries (hex)
//   params decode [--be] FILE               what a parameter DER (alone, in an
//                                           AlgorithmIdentifier or a public key) names
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "Command.h"
#include "DkeOption.h"
#include "crypto/params/NamedCurves.h"
#include "crypto/params/ParamsText.h"

namespace tavrpki::tool {
namespace {

const params::NamedCurve& Curve(const std::string& oid) {
  const params::NamedCurve* curve = params::FindNamedCurve(oid);
  if (curve == nullptr) throw UsageError{"no named curve " + oid + " (try 'tavrpki params show list')"};
  return *curve;
}

std::string Polynomial(std::uint32_t m, std::uint32_t k, std::uint32_t j, std::uint32_t l) {
  if (k == 0 && j == 0 && l == 0) return "none (optimal normal basis)";
  std::string text = "t^" + std::to_string(m);
  if (l != 0) text += " + t^" + std::to_string(l) + " + t^" + std::to_string(j);
  return text + " + t^" + std::to_string(k) + " + 1";
}

int Show(const Args& args) {
  if (args.size() != 1) throw UsageError{"show: give one curve OID, or 'list'"};
  if (args[0] == "list") {
    for (const params::NamedCurve& curve : params::NamedCurves())
      std::printf("%-28s %s\n", std::string(curve.oid).c_str(), std::string(curve.name).c_str());
    return 0;
  }
  const params::NamedCurve& c = Curve(args[0]);
  const auto field = [](const char* name, std::string_view value) {
    std::printf("%-12s %.*s\n", name, static_cast<int>(value.size()), value.data());
  };
  field("name", c.name);
  field("oid", c.oid);
  field("m", std::to_string(c.m));
  field("polynomial", Polynomial(c.m, c.k, c.j, c.l));
  field("A", std::to_string(c.a));
  field("B", c.b);
  field("n", c.n);
  field("cofactor", std::to_string(c.cofactor));
  field("Px", c.x);
  field("Py", c.y);
  field("P compressed", c.compressedBasePoint);
  return 0;
}

int Der(const Args& args) {
  const Options options(args, {"dke"}, {"explicit"});
  if (options.Positional().size() != 1) throw UsageError{"der: give one curve OID"};
  const params::NamedCurve& curve = Curve(options.Positional()[0]);
  const auto text = options.Value("dke");
  const SBox dke = text ? ParsePackedSBox(*text, "--dke") : DkeNo1();
  std::printf("%s\n", ToUpperHex(params::NamedCurveParamsDer(curve.oid, dke, options.Flag("explicit"))).c_str());
  return 0;
}

// Hexadecimal text (blanks allowed) or the DER bytes themselves.
std::vector<std::uint8_t> DerOf(const std::vector<std::uint8_t>& data) {
  std::string hex;
  for (const std::uint8_t byte : data) {
    const char c = static_cast<char>(byte);
    if (std::isxdigit(static_cast<unsigned char>(c)))
      hex.push_back(c);
    else if (!std::isspace(static_cast<unsigned char>(c)))
      return {data.begin(), data.end()};
  }
  return ParseHex(hex, "input");
}

int Decode(const Args& args) {
  const Options options(args, {}, {"be"});
  if (options.Positional().size() != 1) throw UsageError{"decode: give one FILE (or - for standard input)"};
  const std::vector<std::uint8_t> der = DerOf(ReadInputFile(options.Positional()[0]));
  const params::ParamsDescription p = params::DescribeParamsDer(der, !options.Flag("be"));
  if (!p.algorithmOid.empty())
    std::printf("algorithm    %s (%s)\n", p.algorithmOid.c_str(),
                p.storedOrder ? "little-endian numbers" : "big-endian numbers");
  if (p.named && p.curve != nullptr) {
    std::printf("curve        %s (%s), named\n", std::string(p.curve->name).c_str(), p.curveOid.c_str());
  } else if (p.named) {
    std::printf("curve        (unknown) (%s), named\n", p.curveOid.c_str());
  } else if (p.curve != nullptr) {
    std::printf("curve        %s (%s), explicit\n", std::string(p.curve->name).c_str(),
                std::string(p.curve->oid).c_str());
  } else {
    std::printf("curve        explicit, no named curve\n");
    std::printf("m            %u\npolynomial   %s\nA            %u\n", p.m, Polynomial(p.m, p.k, p.j, p.l).c_str(), p.a);
    std::printf("B (LE)       %s\nn (LE)       %s\n", ToUpperHex(p.b).c_str(), ToUpperHex(p.n).c_str());
    std::printf("Px (LE)      %s\nPy (LE)      %s\n", ToUpperHex(p.px).c_str(), ToUpperHex(p.py).c_str());
  }
  std::printf("dke          %s%s\n", p.dke.c_str(), p.dkeInDer ? "" : " (none in the DER)");
  return 0;
}

int Run(const Args& args) { return RunSubcommand(args, {{"show", &Show}, {"der", &Der}, {"decode", &Decode}}); }

const CommandRegistration kParams{
    "params", "show OID|list | der [--explicit] [--dke HEX] OID | decode [--be] FILE",
    "DSTU 4145 named curves and their parameter DER", &Run};

}  // namespace
}  // namespace tavrpki::tool
