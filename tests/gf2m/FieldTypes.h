// The field types under test: every named polynomial on every CPU path this machine
// runs, plus hex helpers for the stored-number notation of the vector files.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "gostcrypto/gf2m/Field.h"
#include "support/VectorFile.h"

namespace tavrpki::test::gf2m {

using gostcrypto::gf2m::CpuPath;
using gostcrypto::gf2m::GenericField;
using gostcrypto::gf2m::PolyField;

template <CpuPath P>
using NamedFields =
    std::tuple<PolyField<P, 163, 3, 6, 7>, PolyField<P, 167, 6>, PolyField<P, 173, 1, 2, 10>,
               PolyField<P, 179, 1, 2, 4>, PolyField<P, 191, 9>, PolyField<P, 233, 1, 4, 9>,
               PolyField<P, 257, 12>, PolyField<P, 307, 2, 4, 8>, PolyField<P, 367, 21>,
               PolyField<P, 431, 1, 3, 5>>;

// The generic field with the same polynomial as F.
template <CpuPath P, unsigned M, unsigned... K>
GenericField GenericTwinOf(const PolyField<P, M, K...>&) {
  const unsigned k[] = {K..., 0, 0};  // a trinomial leaves k2 = k3 = 0
  return GenericField(M, k[0], k[1], k[2]);
}

// Calls fn(field) for each named field on each path the CPU supports.
template <class Fn>
void ForEachNamedField(Fn&& fn) {
  std::apply([&](auto... f) { (fn(f), ...); }, NamedFields<CpuPath::kPortable>{});
  if (gostcrypto::Supported(CpuPath::kClmul)) {
    std::apply([&](auto... f) { (fn(f), ...); }, NamedFields<CpuPath::kClmul>{});
  }
}

// A most-significant-digit-first hex number as an element of words little-endian.
template <class Element>
Element ElementFromHex(const std::string& hex) {
  const std::vector<std::uint8_t> bytes = FromHex(std::string(hex.size() % 2, '0') + hex);
  Element r{};
  EXPECT_LE(bytes.size(), 8 * r.size()) << "too long hex number " << hex;
  for (std::size_t i = 0; i < bytes.size() && i < 8 * r.size(); ++i)
    r[i / 8] |= std::uint64_t{bytes[bytes.size() - 1 - i]} << (8 * (i % 8));
  return r;
}

template <class Element>
std::string ElementToHex(const Element& a) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string s;
  for (std::size_t i = a.size() * 16; i-- > 0;) s += kDigits[(a[i / 16] >> (4 * (i % 16))) & 15];
  const auto first = s.find_first_not_of('0');
  return first == std::string::npos ? "0" : s.substr(first);
}

}  // namespace tavrpki::test::gf2m
