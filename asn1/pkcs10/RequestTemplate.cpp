#include "asn1/pkcs10/RequestTemplate.h"

#include "asn1/pkcs10/ASN1CertRequest.h"
#include "asn1/ASN1Utf8String.h"
#include "asn1/x509/ASN1Certificate.h"
#include "core/Exception.h"

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

RequestOutline OutlineRequest(std::span<const std::uint8_t> der) {
  ASN1CertRequest request;
  request.Decode(der);
  RequestOutline outline;
  const ASN1RequestInfo& body = request.RequestInfo();
  Blob subject;
  body.Subject().Encode(subject);
  outline.subject.assign(subject.Data(), subject.Data() + subject.Size());
  outline.signatureAlgorithm = request.SignatureAlgorithm().TypeText().CStr();
  outline.keyAlgorithm = body.PublicKeyInfo().Algorithm().TypeText().CStr();
  try {
    const Blob key = body.PublicKeyInfo().GetKey();
    outline.publicKey.assign(key.Data(), key.Data() + key.Size());
  } catch (const Exception&) {
    // a key BIT STRING that holds no OCTET STRING: shown as none
  }
  for (const ASN1Attribute& attribute : body.Attributes()) {
    RequestAttributeOutline entry;
    entry.type = attribute.TypeText().CStr();
    entry.valueCount = attribute.Values().size();
    if (!attribute.Values().empty()) {
      const ASN1Primitive& first = attribute.Values().front();
      const std::uint32_t tag = first.TagNumber();
      if (first.TagClass() == ASN1Primitive::kUniversal && !first.IsConstructed() &&
          (tag == 12 || tag == 19 || tag == 22)) {
        entry.firstIsText = true;
        entry.firstText = Utf8TextOf(first);
      }
    }
    outline.attributes.push_back(entry);
  }
  return outline;
}

}  // namespace tavrpki
