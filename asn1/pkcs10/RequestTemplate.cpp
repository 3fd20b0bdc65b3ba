#include "asn1/pkcs10/RequestTemplate.h"

#include "asn1/pkcs10/ASN1CertRequest.h"
#include "asn1/x509/ASN1Certificate.h"

namespace tavrpki {

std::vector<std::uint8_t> UnsignedRequestDer(std::span<const std::uint8_t> subjectDer) {
  ASN1CertRequest request;
  request.RequestInfo().Subject().Decode(subjectDer);
  request.RequestInfo().PublicKeyInfo().Algorithm().SetType(kOidDstuSignaturePolynomial);
  request.RequestInfo().PublicKeyInfo().SetKey(ByteView());
  request.SignatureAlgorithm().SetType(kOidDstuSignaturePolynomial);
  request.SetSignature(ByteView());
  Blob der;
  request.Encode(der);
  return std::vector<std::uint8_t>(der.Data(), der.Data() + der.Size());
}

}  // namespace tavrpki
