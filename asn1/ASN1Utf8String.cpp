#include "asn1/ASN1Utf8String.h"

#include <string>

#include "asn1/CodecMessages.h"
#include "core/Catalogue.h"
#include "platform/CodePage.h"
#include "platform/Utf8.h"

namespace tavrpki {
namespace {

std::string_view Chars(ByteView bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

ByteView Bytes(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

using platform::AppendUtf8;
constexpr std::uint32_t kReplacement = platform::kReplacementCharacter;

std::string FromUtf8(ByteView bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t at = 0; at < bytes.size();) {
    const std::size_t length = platform::Utf8SequenceLength(bytes.subspan(at));
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
      case 30: return platform::Utf16BeToUtf8(bytes);
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
