// The outer wrapper of a signed message.
//
//   ContentInfo ::= SEQUENCE { contentType ContentType,
//                              content [0] EXPLICIT ANY DEFINED BY contentType }
#pragma once

#include "asn1/ASN1OID.h"
#include "asn1/ASN1Primitive.h"

namespace tavrpki {

class ASN1ContentInfo : public ASN1Primitive {
 public:
  ASN1ContentInfo() : ASN1Primitive(kUniversal, true, 16) {}

  const ASN1OID& ContentType() const { return m_contentType; }
  void SetContentType(const char* oid) { m_contentType.SetText(oid); }
  // The content as one complete element (a SignedData's encoding for a signed message).
  const ASN1Primitive& Content() const { return m_content; }
  void SetContent(const ASN1Primitive& content) { m_content = content; }

  void Encode(Blob& out) const override;
  // Every failure is code 50051; on failure nothing changes. Trailing bytes after
  // the element are not read.
  void Decode(ByteView in) override;
  std::uint32_t EncodedSize() const override;

  // Decode without a copy of the content: the type into `contentType` and the
  // content element as a view into `in` (checked as Decode checks, 50051).
  static ByteView ReadContent(ByteView in, ASN1OID& contentType);

 private:
  ASN1Primitive Sequence() const;

  ASN1OID m_contentType;
  ASN1Primitive m_content;
};

}  // namespace tavrpki
