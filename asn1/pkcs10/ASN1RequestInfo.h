// The signed body of a certification request (PKCS#10).
//
//   CertificationRequestInfo ::= SEQUENCE {
//     version       INTEGER,                       -- 0
//     subject       Name,
//     subjectPKInfo SubjectPublicKeyInfo,
//     attributes    [0] IMPLICIT SET OF Attribute }
//
// The [0] element is written only when there are attributes (requests of this
// library's users have always been read so), and a body without it reads back
// with an empty collection. The body keeps the bytes a signature covers: exactly
// as read, or as last written.
#pragma once

#include <cstdint>

#include "asn1/ASN1Integer.h"
#include "asn1/ASN1Name.h"
#include "asn1/pkcs10/RequestAttributesCollection.h"
#include "asn1/x509/ASN1SubjPubKeyInfo.h"
#include "asn1/x509/ASN1SignedBody.h"
#include "core/Cp1251.h"
#include "core/Exception.h"

namespace tavrpki {

// Uncoded (code 0xFFFFFFFF): the content after the public key is not a [0] element.
inline constexpr Message kMsgBadRequestAttributes{kNoCode, Cp1251<"Помилка розкодування додаткових атрибутів">};
// Uncoded: the request or its body is not a SEQUENCE.
inline constexpr Message kMsgBadRequest{kNoCode, Cp1251<"Буфер не є коректною кодованою структурою запиту на сертифікат">};

class ASN1RequestInfo : public ASN1SignedBody {
 public:
  const ASN1Integer& Version() const { return m_version; }
  ASN1Integer& Version() { return m_version; }
  const ASN1Name& Subject() const { return m_subject; }
  ASN1Name& Subject() { return m_subject; }
  const ASN1SubjPubKeyInfo& PublicKeyInfo() const { return m_subjectPublicKeyInfo; }
  ASN1SubjPubKeyInfo& PublicKeyInfo() { return m_subjectPublicKeyInfo; }
  const RequestAttributesCollection& Attributes() const { return m_attributes; }
  RequestAttributesCollection& Attributes() { return m_attributes; }

  // Writes the body and keeps the result as the signed bytes.
  void Encode(Blob& out) const override;
  // A body that is not a SEQUENCE is kMsgBadRequest; the fields' own failures
  // pass through; content after the public key that is
  // not a [0] element, or an attribute with an empty type, is
  // kMsgBadRequestAttributes. Bytes after the body are not
  // read. On failure nothing changes.
  void Decode(ByteView in) override;
  std::uint32_t EncodedSize() const override;

 private:
  ASN1Primitive Sequence() const;

  ASN1Integer m_version{0};
  ASN1Name m_subject;
  ASN1SubjPubKeyInfo m_subjectPublicKeyInfo;
  RequestAttributesCollection m_attributes;
};

}  // namespace tavrpki
