// `ASN1SignedBody`: the part of a signed structure that its signature covers (a
// certificate's, a revocation list's, a request's body, an OCSP response's data),
// each a SEQUENCE.
//
// It keeps the bytes the signature covers: exactly as read, or as last written.
// Signing and verification hash those, never a re-encoding, so a body read from
// a real-world encoding that this system would write differently still verifies.
#pragma once

#include "asn1/ASN1Primitive.h"
#include "asn1/Blob.h"
#include "asn1/x509/ISignable.h"

namespace tavrpki {

class ASN1SignedBody : public ASN1Primitive, public ISignable {
 public:
  // ISignable. The view lives until the next Encode, Decode or ClearSignedBytes.
  void GetSignedBytes(Blob& out) const override;
  void ClearSignedBytes() override { m_signedBytes.Clear(); }
  ByteView SignedBytes() const { return m_signedBytes.View(); }

 protected:
  ASN1SignedBody() : ASN1Primitive(kUniversal, true, 16) {}

  // Encode is const, yet what it writes is what the next signature covers.
  void KeepSignedBytes(ByteView bytes) const { m_signedBytes.Assign(bytes); }

 private:
  mutable Blob m_signedBytes;
};

}  // namespace tavrpki
