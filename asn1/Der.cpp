#include "asn1/Der.h"

#include <bit>
#include <cstring>
#include <new>
#include <utility>

#include "asn1/ASN1Any.h"
#include "asn1/CodecMessages.h"

namespace tavrpki {
namespace der {

ByteView ReadIdentifierOctets(ByteView in, TagNumbers tagNumbers) {
  if (in.size() < 2) Raise(kMsgInsufficientBlobSize);
  std::size_t size = 1;
  if ((in[0] & 0x1F) == 0x1F) {
    // High tag number: base-128 groups, bit 7 set on all but the last. Tag
    // numbers are 32 bits here; a larger one is refused rather than wrapped.
    std::uint64_t number = 0;
    while (size < in.size()) {
      number = number << 7 | (in[size] & 0x7Fu);
      if (number > 0xFFFFFFFFu && tagNumbers == TagNumbers::kUpTo32Bits) Raise(kMsgTagNumberTooLarge);
      if (number > 0xFFFFFFFFu) number = 0xFFFFFFFFu + 1;  // only the octets count now
      if ((in[size++] & 0x80) == 0) break;
    }
  }
  return in.first(size);
}

ByteView ReadLengthOctets(ByteView in, std::size_t identifierSize) {
  if (identifierSize >= in.size()) Raise(kMsgNoLengthOctets);
  const std::uint8_t first = in[identifierSize];
  if (first < 0x80) return in.subspan(identifierSize, 1);
  const std::size_t count = first & 0x7Fu;
  if (count > 4) Raise(kMsgLengthExceedsLimits);
  if (in.size() - identifierSize < 1 + count) Raise(kMsgInsufficientBlobSize);
  return in.subspan(identifierSize, 1 + count);
}

std::uint32_t DecodeLength(ByteView lengthOctets) {
  if (lengthOctets.empty()) Raise(kMsgNoLengthOctets);
  if (lengthOctets[0] < 0x80) return lengthOctets[0];
  const std::size_t count = lengthOctets[0] & 0x7Fu;
  if (count > 4) Raise(kMsgLengthExceedsLimits);
  if (lengthOctets.size() < 1 + count) Raise(kMsgInsufficientBlobSize);
  std::uint32_t length = 0;
  for (std::size_t i = 1; i <= count; ++i) length = length << 8 | lengthOctets[i];
  return length;
}

std::uint32_t Header::TagNumber() const {
  if ((identifier[0] & 0x1F) != 0x1F) return identifier[0] & 0x1Fu;
  std::uint32_t number = 0;
  for (const std::uint8_t octet : identifier.subspan(1)) number = number << 7 | (octet & 0x7Fu);
  return number;
}

Header ReadHeader(ByteView in, TagNumbers tagNumbers) {
  Header header;
  header.identifier = ReadIdentifierOctets(in, tagNumbers);
  header.lengthOctets = ReadLengthOctets(in, header.identifier.size());
  header.contentLength = DecodeLength(header.lengthOctets);
  return header;
}

ByteView Content(ByteView in, const Header& header) {
  const std::size_t start = header.Size();
  if (in.size() - start < header.contentLength) Raise(kMsgInsufficientBlobSize);
  return in.subspan(start, header.contentLength);
}

std::size_t ElementSize(ByteView in) {
  const Header header = ReadHeader(in);
  return header.Size() + Content(in, header).size();
}

std::uint32_t IdentifierSize(std::uint32_t tagNumber) {
  if (tagNumber < 31) return 1;
  const auto bits = static_cast<std::uint32_t>(std::bit_width(tagNumber));
  return 1 + (bits + 6) / 7;
}

std::uint32_t LengthSize(std::uint64_t length) {
  if (length < 128) return 1;
  const auto bits = static_cast<std::uint32_t>(std::bit_width(length));
  return 1 + (bits + 7) / 8;
}

std::uint8_t* WriteIdentifier(std::uint8_t* out, std::uint8_t tagClass, bool constructed,
                              std::uint32_t tagNumber) {
  const auto flags = static_cast<std::uint8_t>(tagClass << 6 | (constructed ? 0x20 : 0));
  if (tagNumber < 31) {
    *out++ = static_cast<std::uint8_t>(flags | tagNumber);
    return out;
  }
  *out++ = static_cast<std::uint8_t>(flags | 0x1F);
  for (std::uint32_t group = IdentifierSize(tagNumber) - 1; group-- > 0;)
    *out++ = static_cast<std::uint8_t>(((tagNumber >> (7 * group)) & 0x7F) | (group != 0 ? 0x80 : 0));
  return out;
}

std::uint8_t* WriteLength(std::uint8_t* out, std::uint64_t length) {
  if (length < 128) {
    *out++ = static_cast<std::uint8_t>(length);
    return out;
  }
  const std::uint32_t count = LengthSize(length) - 1;
  *out++ = static_cast<std::uint8_t>(0x80 | count);
  for (std::uint32_t i = count; i-- > 0;) *out++ = static_cast<std::uint8_t>(length >> (8 * i));
  return out;
}

namespace {

bool Overlaps(ByteView view, const Blob& blob) {
  if (view.empty() || blob.Capacity() == 0) return false;
  const std::uint8_t* begin = blob.Data();
  return view.data() < begin + blob.Capacity() && begin < view.data() + view.size();
}

}  // namespace

void WriteElement(Blob& out, std::uint8_t tagClass, bool constructed, std::uint32_t tagNumber,
                  ByteView prefix, ByteView content) {
  const std::uint64_t length = std::uint64_t{prefix.size()} + content.size();
  const std::uint64_t total = IdentifierSize(tagNumber) + LengthSize(length) + length;
  if (total > 0xFFFFFFFFu) throw std::bad_alloc();
  // Writing in place reuses `out`'s storage (encoders call this once per child);
  // when the content views `out` itself it goes through separate storage.
  Blob separate;
  const bool aliased = Overlaps(prefix, out) || Overlaps(content, out);
  Blob& target = aliased ? separate : out;
  std::uint8_t* p = target.ResizeAndGet(static_cast<std::uint32_t>(total));
  p = WriteIdentifier(p, tagClass, constructed, tagNumber);
  p = WriteLength(p, length);
  if (!prefix.empty()) std::memcpy(p, prefix.data(), prefix.size());
  if (!content.empty()) std::memcpy(p + prefix.size(), content.data(), content.size());
  if (aliased) out = std::move(separate);
}

ByteView ReadContentOf(ByteView in, std::uint32_t identifier, const Message& mismatch) {
  const ByteView octets = ReadIdentifierOctets(in);
  if (octets.size() != 1 || octets[0] != identifier) Raise(mismatch);
  Header header;
  header.identifier = octets;
  header.lengthOctets = ReadLengthOctets(in, 1);
  header.contentLength = DecodeLength(header.lengthOctets);
  return Content(in, header);
}

}  // namespace der

std::uint8_t DerReader::PeekIdentifier() const {
  if (!HasMore()) Raise(kMsgInsufficientBlobSize);
  return m_in[m_offset];
}

void DerReader::Read(ASN1Any& child) {
  const ByteView rest = Rest();
  child.Decode(rest);
  m_offset += der::ElementSize(rest);
}

DerReader DerReader::Enter() {
  der::Header header;
  return Enter(header);
}

DerReader DerReader::Enter(der::Header& header) {
  const ByteView rest = Rest();
  header = der::ReadHeader(rest);
  const ByteView content = der::Content(rest, header);
  m_offset += header.Size() + content.size();
  return DerReader(content);
}

ByteView DerReader::Next() {
  const ByteView rest = Rest();
  const std::size_t size = der::ElementSize(rest);
  m_offset += size;
  return rest.first(size);
}

}  // namespace tavrpki
