#include "asn1/String.h"

#include <cstdio>
#include <cstring>

#include "asn1/CodecMessages.h"

namespace tavrpki {

String::String(const char* text) { Assign(text); }

String String::Formatted(const char* format, ...) {
  String out;
  va_list args;
  va_start(args, format);
  out.FormatV(format, args);
  va_end(args);
  return out;
}

String String::FromBytes(ByteView bytes) {
  String text;
  std::uint8_t* chars = text.ResizeAndGet(static_cast<std::uint32_t>(bytes.size()) + 1);
  if (!bytes.empty()) std::memcpy(chars, bytes.data(), bytes.size());
  chars[bytes.size()] = 0;
  return text;
}

ByteView String::CharsOf(const char* text) {
  return {reinterpret_cast<const std::uint8_t*>(text), std::strlen(text)};
}

void String::FormatV(const char* format, va_list args) {
  va_list measure;
  va_copy(measure, args);
  const int needed = std::vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  if (needed < 0) {
    Assign("");
    return;
  }
  Blob text;
  char* chars = reinterpret_cast<char*>(text.ResizeAndGet(static_cast<std::uint32_t>(needed) + 1));
  std::vsnprintf(chars, static_cast<std::size_t>(needed) + 1, format, args);
  Blob::Assign(text);
}

void String::Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  FormatV(format, args);
  va_end(args);
}

const char* String::CStr() const { return IsEmpty() ? "" : reinterpret_cast<const char*>(Data()); }

std::uint32_t String::Length() const { return static_cast<std::uint32_t>(std::strlen(CStr())); }

String String::Substring(std::uint32_t start, std::uint32_t count) const {
  if (std::uint64_t{start} + count > Length()) Raise(kMsgStringOutOfBuffer);
  String out;
  char* chars = reinterpret_cast<char*>(out.ResizeAndGet(count + 1));
  std::memcpy(chars, CStr() + start, count);
  chars[count] = 0;
  return out;
}

void String::Assign(const char* text) {
  Blob::Assign(ByteView(reinterpret_cast<const std::uint8_t*>(text), std::strlen(text) + 1));
}

void String::Append(const String& other) { Append(other.CStr()); }

void String::Append(const char* text) {
  const std::uint32_t length = Length();
  const std::size_t added = std::strlen(text);
  // WriteAt copes with `text` pointing into this String.
  WriteAt(text, static_cast<std::uint32_t>(added + 1), length);
}

bool String::Equals(const String& other) const { return Blob::Equals(other); }

bool String::Equals(const char* text) const {
  const std::size_t length = std::strlen(text);
  return length == Length() && std::memcmp(CStr(), text, length) == 0;
}

bool String::Less(const String& other) const { return std::strcmp(CStr(), other.CStr()) < 0; }

bool String::Greater(const String& other) const { return std::strcmp(CStr(), other.CStr()) > 0; }

bool String::StartsWith(const String& prefix) const {
  const std::uint32_t length = prefix.Length();
  return length <= Length() && std::strncmp(CStr(), prefix.CStr(), length) == 0;
}

String operator+(const String& a, const String& b) {
  String out(a);
  out.Append(b);
  return out;
}

String operator+(const String& a, const char* b) {
  String out(a);
  out.Append(b);
  return out;
}

}  // namespace tavrpki
