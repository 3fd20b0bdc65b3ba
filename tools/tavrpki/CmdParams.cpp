// tavrpki params: the DSTU 4145 named curves and their parameter DER.
//   params show OID                         the curve's numbers
//   params der [--explicit] [--dke HEX] OID the DER a certificate carries (hex)
//   params decode [--be] FILE               what a parameter DER (alone, in an
//                                           AlgorithmIdentifier or a public key) names
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "asn1/ASN1OID.h"
#include "asn1/Der.h"
#include "asn1/Hex.h"
#include "crypto/params/Dke.h"
#include "crypto/params/DstuParams.h"
#include "crypto/params/NamedCurves.h"
#include "tools/tavrpki/Command.h"

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
  params::PackedDke packed = params::kDke1Packed;
  if (const auto hex = options.Value("dke")) {
    const auto bytes = ParseHex(*hex, "--dke");
    if (bytes.size() != params::kPackedDkeSize) throw UsageError{"--dke: give the 64-byte packed S-box"};
    std::copy(bytes.begin(), bytes.end(), packed.begin());
  }
  const params::Dke dke = params::UnpackDke(packed);
  CAsymmetric4145Params p = NamedCurveParams(curve.oid, dke);
  if (options.Flag("explicit")) p.curveOid = String();
  std::printf("%s\n", HexEncode(EncodeDstuParams(p).View()).c_str());
  return 0;
}

std::string ReadFile(const std::string& path) {
  if (path == "-") return {std::istreambuf_iterator<char>(std::cin.rdbuf()), std::istreambuf_iterator<char>()};
  std::ifstream in(path, std::ios::binary);
  if (!in) throw UsageError{"cannot read " + path};
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Hexadecimal text (blanks allowed) or the DER bytes themselves.
std::vector<std::uint8_t> DerOf(const std::string& data) {
  std::string hex;
  for (const char c : data) {
    if (std::isxdigit(static_cast<unsigned char>(c)))
      hex.push_back(c);
    else if (!std::isspace(static_cast<unsigned char>(c)))
      return {data.begin(), data.end()};
  }
  return ParseHex(hex, "input");
}

std::string DkeName(const Blob& dke) {
  if (std::equal(dke.begin(), dke.end(), params::kDke1.begin(), params::kDke1.end())) return "DKE No. 1";
  if (std::equal(dke.begin(), dke.end(), params::kDefaultSBox.begin(), params::kDefaultSBox.end()))
    return "default S-box";
  if (dke.Size() != params::kDkeSize) return "(none)";
  params::Dke table{};
  std::copy(dke.begin(), dke.end(), table.begin());
  return HexEncode(params::PackDke(table)) + " (packed)";
}

// The table entry with these very numbers, if any.
const params::NamedCurve* Matching(const CAsymmetric4145Params& p) {
  for (const params::NamedCurve& curve : params::NamedCurves()) {
    CAsymmetric4145Params named = NamedCurveParams(curve.oid, p.dke);
    named.curveOid = p.curveOid;
    if (named == p) return &curve;
  }
  return nullptr;
}

int Decode(const Args& args) {
  const Options options(args, {}, {"be"});
  if (options.Positional().size() != 1) throw UsageError{"decode: give one FILE (or - for standard input)"};
  const std::vector<std::uint8_t> der = DerOf(ReadFile(options.Positional()[0]));
  ByteView block(der);
  bool storedOrder = !options.Flag("be");
  // A SubjectPublicKeyInfo: its AlgorithmIdentifier.
  if (block.size() > 4 && block[0] == 0x30) {
    DerReader spki = DerReader(block).Enter();
    if (spki.HasMore() && spki.PeekIdentifier() == 0x30) {
      const ByteView first = spki.Next();
      if (first.size() > 2 && DerReader(first).Enter().Rest()[0] == 0x06) block = first;
    }
  }
  // A whole AlgorithmIdentifier (an OID that names no curve, then the parameters):
  // its OID says the byte order.
  if (block.size() > 2 && block[0] == 0x30) {
    DerReader inner = DerReader(block).Enter();
    ASN1OID algorithm;
    if (inner.HasMore() && inner.PeekIdentifier() == 0x06 &&
        (inner.Read(algorithm), params::FindNamedCurve(algorithm.ToText().CStr()) == nullptr)) {
      storedOrder = IsStoredOrderAlgorithm(algorithm.ToText().CStr());
      std::printf("algorithm    %s (%s)\n", algorithm.ToText().CStr(),
                  storedOrder ? "little-endian numbers" : "big-endian numbers");
      if (!inner.HasMore()) throw UsageError{"the algorithm identifier carries no parameters"};
      block = inner.Next();
    }
  }
  ASN1DSTUParams decoded;
  decoded.Decode(block);
  CAsymmetric4145Params p;
  FromDstuParams(decoded, storedOrder, p);
  const params::NamedCurve* curve = Matching(p);
  if (p.curveOid.Length() != 0) {
    std::printf("curve        %s (%s), named\n", std::string(curve->name).c_str(), p.curveOid.CStr());
  } else if (curve != nullptr) {
    std::printf("curve        %s (%s), explicit\n", std::string(curve->name).c_str(),
                std::string(curve->oid).c_str());
  } else {
    std::printf("curve        explicit, no named curve\n");
    std::printf("m            %u\npolynomial   %s\nA            %u\n", p.m, Polynomial(p.m, p.k, p.j, p.l).c_str(), p.a);
    std::printf("B (LE)       %s\nn (LE)       %s\n", HexEncode(p.b.View()).c_str(), HexEncode(p.n.View()).c_str());
    std::printf("Px (LE)      %s\nPy (LE)      %s\n", HexEncode(p.p.GetX().View()).c_str(),
                HexEncode(p.p.GetY().View()).c_str());
  }
  std::printf("dke          %s%s\n", DkeName(p.dke).c_str(), decoded.dke.IsEmpty() ? " (none in the DER)" : "");
  return 0;
}

int Run(const Args& args) {
  if (args.empty()) throw UsageError{"say show, der or decode"};
  const Args rest(args.begin() + 1, args.end());
  if (args[0] == "show") return Show(rest);
  if (args[0] == "der") return Der(rest);
  if (args[0] == "decode") return Decode(rest);
  throw UsageError{"unknown subcommand '" + args[0] + "'"};
}

const CommandRegistration kParams{
    "params", "show OID|list | der [--explicit] [--dke HEX] OID | decode [--be] FILE",
    "DSTU 4145 named curves and their parameter DER", &Run};

}  // namespace
}  // namespace tavrpki::tool
