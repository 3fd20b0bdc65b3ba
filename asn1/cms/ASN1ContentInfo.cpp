#include "asn1/cms/ASN1ContentInfo.h"

#include "asn1/Der.h"
#include "asn1/cms/Coded.h"
#include "core/Catalogue.h"

namespace tavrpki {

ASN1Primitive ASN1ContentInfo::Sequence() const {
  ASN1Primitive wrapper(kContextSpecific, true, 0);
  wrapper.AppendChild(m_content);
  ASN1Primitive sequence(kUniversal, true, 16);
  sequence.AppendChild(m_contentType);
  sequence.AppendChild(wrapper);
  return sequence;
}

void ASN1ContentInfo::Encode(Blob& out) const { Sequence().Encode(out); }

std::uint32_t ASN1ContentInfo::EncodedSize() const { return Sequence().EncodedSize(); }

ByteView ASN1ContentInfo::ReadContent(ByteView in, ASN1OID& contentType) {
  ByteView content;
  cms::Coded(kMsgBadContentInfo, [&] {
    der::Header header;
    DerReader fields = DerReader(in).Enter(header);
    if (header.TagNumber() != 16) Raise(kMsgBadContentInfo);
    ASN1OID type;
    fields.Read(type);
    // The [0] wrapper's identifier is not checked: only its content matters.
    DerReader wrapper = fields.Enter();
    content = wrapper.Next();
    contentType = std::move(type);
  });
  return content;
}

void ASN1ContentInfo::Decode(ByteView in) {
  ASN1OID contentType;
  const ByteView view = ReadContent(in, contentType);
  cms::Coded(kMsgBadContentInfo, [&] {
    ASN1Primitive content;
    content.Decode(view);
    m_contentType = std::move(contentType);
    m_content = std::move(content);
  });
}

}  // namespace tavrpki
