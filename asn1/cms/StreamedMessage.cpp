#include "asn1/cms/StreamedMessage.h"

#include "asn1/ASN1Integer.h"
#include "asn1/ASN1OID.h"
#include "asn1/Der.h"
#include "asn1/cms/ASN1ContentInfo.h"
#include "asn1/cms/ASN1SignedData.h"
#include "asn1/cms/CmsOids.h"
#include "asn1/cms/Coded.h"
#include "core/Catalogue.h"

namespace tavrpki {
namespace {

// A cursor over the headers of the elements that lead to the content. Lengths of
// up to eight octets; every step checks that the header lies inside the input,
// contents beyond the input are fine (they are streamed, not read).
class HeadReader {
 public:
  explicit HeadReader(std::span<const std::uint8_t> in) : m_in(in) {}

  std::uint64_t Offset() const { return m_offset; }

  // Reads the identifier (one octet) and length at the cursor and stays inside.
  std::uint64_t Enter(std::uint8_t identifier) {
    if (Byte() != identifier) Raise(kMsgBadSignedData);
    ++m_offset;
    return Length();
  }
  // Steps over the whole element at the cursor, which must lie inside the input.
  std::span<const std::uint8_t> Skip() {
    const std::uint64_t start = m_offset;
    ++m_offset;
    const std::uint64_t length = Length();
    if (length > m_in.size() - m_offset) Raise(kMsgBadSignedData);
    m_offset += length;
    return m_in.subspan(static_cast<std::size_t>(start), static_cast<std::size_t>(m_offset - start));
  }
  std::uint8_t Byte() const {
    if (m_offset >= m_in.size()) Raise(kMsgBadSignedData);
    return m_in[static_cast<std::size_t>(m_offset)];
  }

 private:
  std::uint64_t Length() {
    const std::uint8_t first = Byte();
    ++m_offset;
    if (first < 0x80) return first;
    const unsigned count = first & 0x7F;
    if (count == 0 || count > 8) Raise(kMsgBadSignedData);
    std::uint64_t length = 0;
    for (unsigned i = 0; i < count; ++i) {
      length = length << 8 | Byte();
      ++m_offset;
    }
    return length;
  }

  std::span<const std::uint8_t> m_in;
  std::uint64_t m_offset = 0;
};

struct Head {
  ContentLocation location;
  std::span<const std::uint8_t> version, digests, contentType;
};

//   ContentInfo ::= SEQUENCE { contentType, [0] EXPLICIT SignedData }
//   SignedData ::= SEQUENCE { version, digestAlgorithms SET, encapContentInfo SEQUENCE
//                             { eContentType, [0] EXPLICIT OCTET STRING OPTIONAL }, ... }
Head ReadHead(std::span<const std::uint8_t> in) {
  Head head;
  cms::Coded(kMsgBadContentInfo, [&] {
    HeadReader outer(in);
    const std::uint64_t total = outer.Enter(0x30);
    head.location.end = outer.Offset() + total;
    const auto type = outer.Skip();
    ASN1OID oid;
    oid.Decode(type);
    if (!oid.ToText().Equals(kOidSignedData)) Raise(kMsgBadContentInfo);
  });
  cms::Coded(kMsgBadSignedData, [&] {
    HeadReader reader(in);
    reader.Enter(0x30);
    reader.Skip();
    reader.Enter(0xA0);
    reader.Enter(0x30);
    head.version = reader.Skip();
    head.digests = reader.Skip();
    const std::uint64_t encapLength = reader.Enter(0x30);
    const std::uint64_t encapEnd = reader.Offset() + encapLength;
    head.contentType = reader.Skip();
    if (reader.Offset() < encapEnd) {
      reader.Enter(0xA0);
      head.location.length = reader.Enter(0x04);
      head.location.attached = true;
    }
    head.location.offset = reader.Offset();
  });
  return head;
}

}  // namespace

ContentLocation LocateContent(std::span<const std::uint8_t> head) { return ReadHead(head).location; }

std::vector<std::uint8_t> MessageWithoutContent(std::span<const std::uint8_t> head,
                                                std::span<const std::uint8_t> footer) {
  const Head read = ReadHead(head);
  if (read.location.offset != head.size()) Raise(kMsgBadSignedData);
  Blob body;
  cms::Coded(kMsgBadSignedData, [&] {
    // The SignedData rebuilt from its own pieces, the content left out: the
    // decoder then reads the footer's elements as it reads any message's.
    ASN1Primitive sequence(ASN1Primitive::kUniversal, true, 16);
    sequence.Append(ByteView(read.version));
    sequence.Append(ByteView(read.digests));
    ASN1Primitive encap(ASN1Primitive::kUniversal, true, 16);
    encap.Append(ByteView(read.contentType));
    sequence.AppendChild(encap);
    sequence.Append(ByteView(footer));
    sequence.Encode(body);
    ASN1SignedData check;
    check.Decode(body);
  });
  ASN1Primitive content;
  content.Decode(body);
  ASN1ContentInfo info;
  info.SetContentType(kOidSignedData);
  info.SetContent(content);
  Blob der;
  info.Encode(der);
  return {der.begin(), der.end()};
}

}  // namespace tavrpki
