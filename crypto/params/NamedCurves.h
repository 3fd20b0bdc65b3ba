// The fifteen named curves of DSTU 4145-2002: y^2 + xy = x^3 + A*x^2 + B over GF(2^m).
//
// Plain constant data, usable from anywhere (no codec, no allocation). The numbers
// are held as hexadecimal text, most significant digit first, exactly as the
// standard and the curve tables of other implementations print them; use
// `LittleEndianFromHex` for the least-significant-byte-first form the key and
// parameter objects hold.
//
// Reduction polynomial: pentanomial t^m + t^l + t^j + t^k + 1 (k < j < l), trinomial
// t^m + t^k + 1 (j = l = 0). The normal-basis curves have k = j = l = 0: they have
// no reduction polynomial (type II optimal normal basis, the most significant bit of
// a stored number is the coefficient of beta).
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace tavrpki::params {

struct NamedCurve {
  std::string_view oid;   // dotted text, the lookup key
  std::string_view name;  // "DSTU4145-257PB", for display only
  std::uint32_t m;
  std::uint32_t k;
  std::uint32_t j;
  std::uint32_t l;
  std::uint32_t a;        // coefficient A, 0 or 1 (for normal basis 1 is the all-ones number)
  std::string_view b;     // coefficient B
  std::string_view n;     // order of the base point (prime)
  std::string_view x;     // base point
  std::string_view y;
  std::string_view compressedBasePoint;  // x with bit 0 replaced by Tr(y/x)
  std::uint32_t cofactor;

  bool IsNormalBasis() const { return k == 0 && j == 0 && l == 0; }
  bool IsPentanomial() const { return j != 0 || l != 0; }
  std::uint32_t ByteLength() const { return (m + 7) / 8; }
};

// All fifteen entries: the ten polynomial-basis curves (…3.1.1.2.0 - .2.9) then
// the five normal-basis curves (…3.1.2.2.0 - .2.4), in that order.
std::span<const NamedCurve> NamedCurves();

// The entry whose OID equals `oid` exactly, or nullptr.
const NamedCurve* FindNamedCurve(std::string_view oid);

// The number written in `hex` (most significant digit first; 0-9, A-F, a-f) as
// `byteCount` bytes, least significant first. Digits beyond `byteCount` bytes are
// ignored, missing ones are zero; a character that is not a hexadecimal digit
// counts as 0 (callers pass table constants or text they have checked).
std::vector<std::uint8_t> LittleEndianFromHex(std::string_view hex, std::size_t byteCount);

}  // namespace tavrpki::params
