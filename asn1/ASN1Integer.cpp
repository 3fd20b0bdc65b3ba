#include "asn1/ASN1Integer.h"

#include <cinttypes>

#include "asn1/CodecMessages.h"
#include "asn1/Der.h"
#include "asn1/Wrap.h"
#include "core/Catalogue.h"

namespace tavrpki {

void ASN1Integer::SetValue(std::int64_t value) {
  const auto bits = static_cast<std::uint64_t>(value);
  std::uint32_t count = 8;
  if (value >= 0) {
    while (count > 1 && (bits >> (8 * (count - 1))) == 0) --count;
    // A leading 00 keeps a positive value positive.
    if (count < 8 && ((bits >> (8 * (count - 1))) & 0x80) != 0) ++count;
  }
  std::uint8_t* out = ResizeAndGet(count);
  for (std::uint32_t i = 0; i < count; ++i) out[i] = static_cast<std::uint8_t>(bits >> (8 * (count - 1 - i)));
}

std::int64_t ASN1Integer::GetValue() const {
  if (Size() > 8) Raise(kMsgIntegerConvertFailed);
  std::uint64_t value = 0;
  for (const std::uint8_t b : View()) value = value << 8 | b;
  return static_cast<std::int64_t>(value);
}

String ASN1Integer::ToText() const {
  if (Size() <= 8) return String::Formatted("%" PRId64, GetValue());
  String text;
  Serialize(text);
  return text;
}

void ASN1Integer::SetFromPrimitive(const ASN1Primitive& element) {
  if (element.TagClass() != kUniversal || element.TagNumber() != TagNumber() || element.IsConstructed())
    Raise(kMsgPrimitiveNotInteger);
  Blob::Assign(element);
}

int ASN1Integer::Compare(const ASN1Integer& other) const {
  if (IsEmpty() || other.IsEmpty()) Raise(kMsgIntegerCompareFailed);
  const ByteView a = View(), b = other.View();
  const std::size_t width = std::max(a.size(), b.size());
  for (std::size_t i = 0; i < width; ++i) {
    const std::size_t pa = width - a.size(), pb = width - b.size();
    const std::uint8_t x = i < pa ? 0 : a[i - pa];
    const std::uint8_t y = i < pb ? 0 : b[i - pb];
    if (x != y) return x < y ? -1 : 1;
  }
  return 0;
}

void ASN1Integer::Encode(Blob& out) const {
  Wrapped(kMsgEncodeInteger, [&] { ASN1Primitive::Encode(out); });
}

void ASN1Integer::Decode(ByteView in) {
  Wrapped(kMsgDecodeInteger, [&] {
    Blob::Assign(der::ReadContentOf(in, TagNumber(), kMsgNotInteger));
  });
}

}  // namespace tavrpki
