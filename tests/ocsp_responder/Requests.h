// Requests as clients write them, and answers taken apart, for the responder's
// tests.
#pragma once

#include <cstdint>
#include <vector>

#include "asn1/ocsp/ASN1OCSPRequest.h"
#include "asn1/ocsp/ASN1OCSPResponse.h"
#include "kernel/CKernelCertificate.h"
#include "tests/support/Fetch.h"

namespace tavrpki::test {

// The CertID this system's client writes for `cert`: GOST 34.311 OID, the
// authority key identifier as issuerKeyHash, a name hash the responder ignores.
inline ASN1OCSPCertID CertIdOf(const Kernel::CKernelCertificate& cert) {
  ASN1OCSPCertID id;
  id.HashAlgorithm().SetType(kOidOcspCertIdHash);
  const std::vector<std::uint8_t> nameHash(32, 0xAB);
  id.SetIssuerNameHash(ByteView(nameHash.data(), nameHash.size()));
  const auto aki = Fetch([&](unsigned char* b, unsigned long* l) { cert.GetAuthorityKeyId(b, l); });
  id.SetIssuerKeyHash(ByteView(aki.data(), aki.size()));
  const auto serial = Fetch([&](unsigned char* b, unsigned long* l) { cert.GetSerialNo(b, l); });
  id.SerialNumber().SetBytes(ByteView(serial.data(), serial.size()));
  return id;
}

inline std::vector<std::uint8_t> RequestDer(const std::vector<ASN1OCSPCertID>& ids,
                                            const std::vector<std::uint8_t>& nonce = {}) {
  ASN1OCSPRequest request;
  request.TBSRequest().RequestList() = ids;
  if (!nonce.empty()) {
    ASN1CertExtension extension;
    extension.SetOid(kOidOcspNonce);
    extension.SetValue(ByteView(nonce.data(), nonce.size()));
    request.TBSRequest().RequestExtensions().Append(extension);
  }
  Blob der;
  request.Encode(der);
  return {der.begin(), der.end()};
}

inline ASN1OCSPResponse Decoded(const std::vector<std::uint8_t>& der) {
  ASN1OCSPResponse response;
  response.Decode(ByteView(der.data(), der.size()));
  return response;
}

}  // namespace tavrpki::test
