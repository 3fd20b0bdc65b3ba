// `String`: a Blob holding a NUL-terminated single-byte text (Windows-1251 for
// the library's messages and names). The size counts the NUL; an empty String
// (size 0) reads as "".
#pragma once

#include <cstdarg>

#include "asn1/Blob.h"

namespace tavrpki {

class String : public Blob {
 public:
  String() = default;
  String(const char* text);  // NOLINT(google-explicit-constructor): texts convert freely
  // A String holding the printf-style formatted text.
  static String Formatted(const char* format, ...) __attribute__((format(printf, 1, 2)));
  // The text held in `bytes` (content octets, without a NUL), NUL-terminated.
  static String FromBytes(ByteView bytes);
  // The characters of `text` without its NUL; the view lives as long as `text`.
  static ByteView CharsOf(const char* text);
  String(const String& other) = default;
  String(String&& other) noexcept = default;
  String& operator=(const String& other) = default;
  String& operator=(String&& other) noexcept = default;
  ~String() override = default;

  using Blob::Append;
  using Blob::Assign;
  using Blob::Equals;

  // `count` characters from `start`; beyond Length() throws kMsgStringOutOfBuffer.
  virtual String Substring(std::uint32_t start, std::uint32_t count) const;
  virtual void Assign(const char* text);
  // The text goes over the old NUL.
  virtual void Append(const String& other);
  virtual void Append(const char* text);
  // Same size and bytes (so an empty String differs from "").
  virtual bool Equals(const String& other) const;
  virtual bool Equals(const char* text) const;
  virtual bool NotEquals(const String& other) const { return !Equals(other); }
  virtual bool NotEquals(const char* text) const { return !Equals(text); }
  // Byte order, case-sensitive (strcmp).
  virtual bool Less(const String& other) const;
  virtual bool Greater(const String& other) const;
  virtual bool StartsWith(const String& prefix) const;

  const char* CStr() const;
  std::uint32_t Length() const;
  // Replaces the contents with the formatted text.
  void Format(const char* format, ...) __attribute__((format(printf, 2, 3)));
  void FormatV(const char* format, va_list args);

  friend String operator+(const String& a, const String& b);
  friend String operator+(const String& a, const char* b);
  friend bool operator<(const String& a, const String& b) { return a.Less(b); }
  friend bool operator==(const String& a, const char* b) { return a.Equals(b); }
};

}  // namespace tavrpki
