// Certificates the tests have the library make start from a draft: the caller's
// serial number, names, dates and extensions, with placeholders where the library
// writes (the DSTU 4145 algorithm stays, the key and the signature are one zero
// byte each until SetCertKeys or SetCertSignKeys and Ensign replace them).
#pragma once

#include <cstdint>
#include <vector>

#include "asn1/x509/ASN1Certificate.h"

namespace tavrpki::test {

// The DER of `draft` once the placeholders are in.
inline std::vector<std::uint8_t> EncodeDraft(ASN1Certificate& draft) {
  ASN1TBSCert& body = draft.TBSCertificate();
  body.Signature().SetType(kOidDstuSignaturePolynomial);
  body.PublicKeyInfo().Algorithm().SetType(kOidDstuSignaturePolynomial);
  const std::uint8_t placeholder = 0;
  body.PublicKeyInfo().SetKey(ByteView(&placeholder, 1));
  draft.SignatureAlgorithm().SetType(kOidDstuSignaturePolynomial);
  draft.SetSignature(ByteView(&placeholder, 1));
  Blob der;
  draft.Encode(der);
  return {der.begin(), der.end()};
}

}  // namespace tavrpki::test
