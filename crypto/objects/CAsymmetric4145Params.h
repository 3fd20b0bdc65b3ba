// A DSTU 4145 domain-parameter set (curve y^2 + xy = x^3 + A*x^2 + B over GF(2^m))
// with the GOST 28147-89 S-box that travels with it.
//
// Binary form, items in order: m, k, j, l, A (4 bytes each), B, the base point, n
// (each its own binary form), the dke bytes. The curve OID is not written: a
// parameter set read back from its binary form is explicit.
#pragma once

#include <cstdint>

#include "asn1/Blob.h"
#include "asn1/String.h"
#include "crypto/objects/CBitBlob.h"
#include "crypto/objects/CPublicKey.h"

namespace tavrpki {

class CAsymmetric4145Params : public CBinaryData {
 public:
  CAsymmetric4145Params() = default;

  // Field degree and reduction polynomial: pentanomial t^m + t^l + t^j + t^k + 1,
  // trinomial t^m + t^k + 1 (j = l = 0), none for a normal basis (k = j = l = 0).
  std::uint32_t m = 0;
  std::uint32_t k = 0;
  std::uint32_t j = 0;
  std::uint32_t l = 0;
  std::uint32_t a = 0;   // coefficient A, 0 or 1
  CBitBlob b;            // coefficient B, m bits
  CBasePoint p;          // base point, m bits per coordinate
  CBitBlob n;            // order of the base point
  Blob dke;              // S-box, 128 bytes (one 4-bit entry per byte)
  String curveOid;       // named curve, empty for explicit parameters

  bool IsNormalBasis() const { return k == 0 && j == 0 && l == 0; }
  bool IsPentanomial() const { return j != 0 || l != 0; }

  Blob& ToBinary(Blob& out) const override;
  // Reads every item into a temporary, so a malformed form changes nothing. The
  // OID becomes empty.
  void FromBinary(const Blob& in) override { FromItems(in.View()); }
  void FromItems(ByteView in);

  // Same numbers, S-box and OID.
  friend bool operator==(const CAsymmetric4145Params& x, const CAsymmetric4145Params& y);
};

}  // namespace tavrpki
