#include "asn1/ASN1OID.h"

#include <cstring>
#include <string>
#include <vector>

#include "asn1/CodecMessages.h"
#include "asn1/Der.h"
#include "asn1/Wrap.h"

namespace tavrpki {
namespace {

// One component of the text: leading white space is skipped and digits are read
// up to the first non-digit, as the text has always been read. A value of 0 must
// start with '0' (so "1..2" and "1.a" fail); a sign or more than 32 bits fails.
std::uint32_t ParseComponent(const char* begin, const char* end) {
  const char* p = begin;
  while (p < end && (*p == ' ' || (*p >= '\t' && *p <= '\r'))) ++p;
  if (p < end && (*p == '+' || *p == '-')) Raise(kMsgInvalidOidString);
  std::uint64_t value = 0;
  for (; p < end && *p >= '0' && *p <= '9'; ++p) {
    value = value * 10 + static_cast<std::uint64_t>(*p - '0');
    if (value > 0xFFFFFFFFu) Raise(kMsgInvalidOidString);
  }
  if (value == 0 && (begin == end || *begin != '0')) Raise(kMsgInvalidOidString);
  return static_cast<std::uint32_t>(value);
}

void AppendBase128(std::vector<std::uint8_t>& out, std::uint64_t value) {
  int groups = 1;
  while (groups < 10 && (value >> (7 * groups)) != 0) ++groups;
  for (int g = groups - 1; g >= 0; --g)
    out.push_back(static_cast<std::uint8_t>(((value >> (7 * g)) & 0x7F) | (g != 0 ? 0x80 : 0)));
}

// The first sub-identifier carries two arcs (40 * first + second, the first at
// most 2), so it may exceed 32 bits by up to 80.
constexpr std::uint64_t kMaxFirstSubIdentifier = 0xFFFFFFFFull + 80;

// Calls `each` with every sub-identifier of the content, the first one as it
// stands; refuses what CheckContent refuses, before any call for a bad one.
template <typename Each>
void ForEachSubIdentifier(ByteView content, Each&& each) {
  if (!content.empty() && content.back() >= 0x80) Raise(kMsgOidMalformed);
  std::uint64_t value = 0;
  bool first = true;
  for (const std::uint8_t octet : content) {
    value = value << 7 | (octet & 0x7Fu);
    if (value > (first ? kMaxFirstSubIdentifier : 0xFFFFFFFFull)) Raise(kMsgOidMalformed);
    if (octet < 0x80) {
      each(value);
      value = 0;
      first = false;
    }
  }
}

std::vector<std::uint64_t> SubIdentifiers(ByteView content) {
  std::vector<std::uint64_t> out;
  ForEachSubIdentifier(content, [&](std::uint64_t id) { out.push_back(id); });
  return out;
}

// Arcs 0 and 1 from the first sub-identifier (X.690 8.19.4).
std::uint32_t FirstArc(std::uint64_t first) { return first < 40 ? 0 : first < 80 ? 1 : 2; }

}  // namespace

void ASN1OID::SetText(const char* text) {
  if (*text == 0) {
    Clear();
    return;
  }
  if (std::strchr(text, '.') == nullptr) Raise(kMsgInvalidOidString);
  std::vector<std::uint32_t> arcs;
  for (const char* p = text;;) {
    const char* dot = std::strchr(p, '.');
    const char* end = dot != nullptr ? dot : p + std::strlen(p);
    arcs.push_back(ParseComponent(p, end));
    if (dot == nullptr) break;
    p = dot + 1;
  }
  std::vector<std::uint8_t> octets;
  AppendBase128(octets, std::uint64_t{arcs[0]} * 40 + arcs[1]);
  for (std::size_t i = 2; i < arcs.size(); ++i) AppendBase128(octets, arcs[i]);
  Blob::Assign(ByteView(octets));
}

String ASN1OID::ToText() const {
  if (IsEmpty()) return String();
  const std::vector<std::uint64_t> ids = SubIdentifiers(View());
  if (ids.empty()) return String("");
  const std::uint64_t first = ids[0];
  const std::uint32_t arc0 = FirstArc(first);
  std::string text = std::to_string(arc0) + "." + std::to_string(first - 40 * arc0);
  for (std::size_t i = 1; i < ids.size(); ++i) text += "." + std::to_string(ids[i]);
  return String(text.c_str());
}

std::uint32_t ASN1OID::ArcCount() const {
  if (IsEmpty()) Raise(kMsgOidEmpty);
  CheckContent(View());
  std::uint32_t count = 1;
  for (const std::uint8_t octet : View()) count += octet < 0x80 ? 1 : 0;
  return count;
}

std::uint32_t ASN1OID::Arc(std::uint32_t index) const {
  if (IsEmpty()) Raise(kMsgOidEmpty);
  const std::vector<std::uint64_t> ids = SubIdentifiers(View());
  if (ids.empty() || index >= ids.size() + 1) Raise(kMsgOidIndexOutOfRange);
  const std::uint64_t first = ids[0];
  const std::uint32_t arc0 = FirstArc(first);
  if (index == 0) return arc0;
  if (index == 1) return static_cast<std::uint32_t>(first - 40 * arc0);
  return static_cast<std::uint32_t>(ids[index - 1]);
}

void ASN1OID::Encode(Blob& out) const {
  Wrapped(kMsgEncodeOid, [&] { ASN1Primitive::Encode(out); });
}

void ASN1OID::Decode(ByteView in) { Blob::Assign(ReadContent(in)); }

ByteView ASN1OID::ReadContent(ByteView in) {
  ByteView content;
  Wrapped(kMsgDecodeOid, [&] {
    content = der::ReadContentOf(in, 0x06, kMsgNotOid);
    CheckContent(content);
  });
  return content;
}

void ASN1OID::CheckContent(ByteView content) {
  ForEachSubIdentifier(content, [](std::uint64_t) {});
}

}  // namespace tavrpki
