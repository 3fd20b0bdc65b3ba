#include "support/DstuCurves.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <stdexcept>

#include "support/VectorFile.h"

namespace tavrpki::test::dstu {

std::vector<std::uint8_t> NumberLE(const std::string& hex, std::size_t size) {
  std::string digits = hex;
  if (digits.size() % 2 != 0) digits.insert(digits.begin(), '0');
  std::vector<std::uint8_t> bytes = FromHex(digits);
  std::reverse(bytes.begin(), bytes.end());
  while (bytes.size() > 1 && bytes.back() == 0 && (size == 0 || bytes.size() > size)) bytes.pop_back();
  if (size != 0) {
    if (bytes.size() > size) throw std::length_error("number longer than " + std::to_string(size) + " bytes");
    bytes.resize(size, 0);
  }
  return bytes;
}

longmath::LongInt Value(const std::vector<std::uint8_t>& bytes, unsigned bits) {
  longmath::LongInt v(static_cast<std::uint16_t>(bits));
  v.SetFromBuffer(bytes.data(), bytes.size());
  return v;
}

void LoadCurve(gostcrypto::CryptoEngine& engine, const CurveParams& p) {
  engine.m = p.m;
  engine.k = p.k;
  engine.j = p.j;
  engine.l = p.l;
  engine.A = p.a;
  engine.B = Value(p.b, p.m);
  engine.n = Value(p.n, p.m);
  engine.Px = Value(p.gx, p.m);
  engine.Py = Value(p.gy, p.m);
}

const std::vector<NamedCurve>& NamedCurves() {
  static const std::vector<NamedCurve> curves = [] {
    std::vector<NamedCurve> out;
    for (const Vector& v : ReadVectorFile("named-curves.txt")) {
      NamedCurve c;
      c.name = v.Get("name");
      c.oid = v.Get("oid");
      CurveParams& p = c.params;
      p.m = static_cast<unsigned>(std::stoul(v.Get("m")));
      const std::size_t bytes = (p.m + 7) / 8;
      if (v.Get("basis") == "PB") {
        std::vector<unsigned> k;
        std::stringstream poly(v.Get("poly"));
        for (std::string item; std::getline(poly, item, ',');) k.push_back(static_cast<unsigned>(std::stoul(item)));
        p.k = k.at(0);
        p.j = k.size() > 1 ? k[1] : 0;
        p.l = k.size() > 2 ? k[2] : 0;
      } else {
        v.Skip("poly");  // the normal-basis curves are given by basis alone
      }
      p.a = static_cast<unsigned>(std::stoul(v.Get("A")));
      p.b = NumberLE(v.Get("B"), bytes);
      p.n = NumberLE(v.Get("n"));
      p.gx = NumberLE(v.Get("Gx"), bytes);
      p.gy = NumberLE(v.Get("Gy"), bytes);
      c.cofactor = static_cast<unsigned>(std::stoul(v.Get("h")));
      EXPECT_EQ(ToHex(p.b), ToHex(v.Bytes("B_le"))) << v.Where();
      for (const char* key : {"n_bits", "G_compressed", "G_compressed_le", "sources", "verified"}) v.Skip(key);
      v.ExpectAllUsed();
      out.push_back(std::move(c));
    }
    return out;
  }();
  return curves;
}

const NamedCurve& CurveByOid(const std::string& oid) {
  for (const NamedCurve& c : NamedCurves())
    if (c.oid == oid) return c;
  throw std::invalid_argument("no named curve " + oid);
}

const NamedCurve& PolyCurveOfDegree(unsigned m) {
  for (const NamedCurve& c : NamedCurves())
    if (c.params.m == m && c.params.k != 0) return c;
  throw std::invalid_argument("no polynomial-basis curve of degree " + std::to_string(m));
}

}  // namespace tavrpki::test::dstu
