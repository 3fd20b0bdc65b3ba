#include "asn1/ASN1Utf8String.h"

#include <string>

#include "asn1/CodecMessages.h"
#include "core/Catalogue.h"
#include "platform/CodePage.h"

namespace tavrpki {
namespace {

std::string_view Chars(ByteView bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

ByteView Bytes(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

constexpr std::uint32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, std::uint32_t cp) {
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = kReplacement;
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | cp >> 6));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | cp >> 12));
    out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | cp >> 18));
    out.push_back(static_cast<char>(0x80 | (cp >> 12 & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// Length of the well-formed UTF-8 character at `at` (1 to 4), or 0.
std::size_t Utf8Length(ByteView bytes, std::size_t at) {
  const std::uint8_t lead = bytes[at];
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  std::uint8_t low = 0x80, high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (bytes.size() - at < length || bytes[at + 1] < low || bytes[at + 1] > high) return 0;
  for (std::size_t i = 2; i < length; ++i)
    if (bytes[at + i] < 0x80 || bytes[at + i] > 0xBF) return 0;
  return length;
}

std::string FromUtf8(ByteView bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t at = 0; at < bytes.size();) {
    const std::size_t length = Utf8Length(bytes, at);
    if (length == 0) {
      AppendUtf8(out, kReplacement);
      ++at;
      continue;
    }
    out.append(reinterpret_cast<const char*>(bytes.data() + at), length);
    at += length;
  }
  return out;
}

std::string FromUtf16Be(ByteView bytes) {
  std::string out;
  out.reserve(bytes.size() * 3 / 2);
  const std::size_t units = bytes.size() / 2;
  const auto unit = [&](std::size_t i) { return static_cast<std::uint32_t>(bytes[2 * i] << 8 | bytes[2 * i + 1]); };
  for (std::size_t i = 0; i < units; ++i) {
    std::uint32_t cp = unit(i);
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < units && unit(i + 1) >= 0xDC00 && unit(i + 1) <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (unit(i + 1) - 0xDC00);
      ++i;
    }
    AppendUtf8(out, cp);  // a surrogate left alone becomes U+FFFD
  }
  if (bytes.size() % 2 != 0) AppendUtf8(out, kReplacement);
  return out;
}

std::string FromUtf32Be(ByteView bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i + 4 <= bytes.size(); i += 4)
    AppendUtf8(out, static_cast<std::uint32_t>(bytes[i]) << 24 | static_cast<std::uint32_t>(bytes[i + 1]) << 16 |
                        static_cast<std::uint32_t>(bytes[i + 2]) << 8 | bytes[i + 3]);
  if (bytes.size() % 4 != 0) AppendUtf8(out, kReplacement);
  return out;
}

// The ASCII types hold Windows-1251 beyond ASCII when this library wrote them
// (GetAttributeText returns their bytes as they are), so such bytes are read in
// the code page; its one undefined byte becomes U+FFFD.
std::string FromSingleByte(ByteView bytes, bool latin1) {
  std::string out;
  out.reserve(bytes.size());
  std::string one;
  for (const std::uint8_t byte : bytes) {
    if (byte < 0x80 || latin1) {
      AppendUtf8(out, byte);
    } else if (platform::Cp1251ToUtf8(std::string_view(reinterpret_cast<const char*>(&byte), 1), one) == 0) {
      out += one;
    } else {
      AppendUtf8(out, kReplacement);
    }
  }
  return out;
}

}  // namespace

std::string Utf8TextOf(const ASN1Primitive& element) {
  if (element.TagClass() == ASN1Primitive::kUniversal && !element.IsConstructed()) {
    const ByteView bytes = element.View();
    switch (element.TagNumber()) {
      case 12: return FromUtf8(bytes);
      case 30: return FromUtf16Be(bytes);
      case 28: return FromUtf32Be(bytes);
      case 20: return FromSingleByte(bytes, true);
      case 18: case 19: case 22: case 26: return FromSingleByte(bytes, false);
      default: break;
    }
  }
  Raise(kMsgNotPrintableString);
}

void ASN1Utf8String::SetText(const char* text) {
  Blob::Assign(String::CharsOf(text));
}

String ASN1Utf8String::GetText() const { return String::FromBytes(View()); }

void ASN1Utf8String::SetFromPrimitive(const ASN1Primitive& element) {
  if (element.TagClass() != kUniversal || element.IsConstructed() || element.TagNumber() != 12)
    Raise(kMsgNotUtf8String);
  std::string ansi;
  if (const int error = platform::Utf8ToCp1251(Chars(element.View()), ansi); error != 0)
    Raise(kMsgToUnicodeFailed, error);
  Blob::Assign(Bytes(ansi));
}

ASN1Primitive ASN1Utf8String::ToPrimitive() const {
  std::string utf8;
  if (const int error = platform::Cp1251ToUtf8(Chars(View()), utf8); error != 0)
    Raise(kMsgToUtf8Failed, error);
  ASN1Primitive element(TagClass(), IsConstructed(), TagNumber());
  element.Assign(Bytes(utf8));
  return element;
}

void ASN1Utf8String::Encode(Blob& out) const { ToPrimitive().Encode(out); }

std::uint32_t ASN1Utf8String::EncodedSize() const { return ToPrimitive().EncodedSize(); }

}  // namespace tavrpki
