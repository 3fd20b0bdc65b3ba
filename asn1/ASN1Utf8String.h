// UTF8String. The text is held in the ANSI code page (Windows-1251) and converted
// to UTF-8 only when written.
//
// Decode is the plain element decode, so after Decode the content holds the UTF-8
// bytes as read; SetFromPrimitive is the converting way in (names use it).
#pragma once

#include <string>

#include "asn1/ASN1Primitive.h"
#include "asn1/String.h"

namespace tavrpki {

class ASN1Utf8String : public ASN1Primitive {
 public:
  ASN1Utf8String() : ASN1Primitive(kUniversal, false, 12) {}
  explicit ASN1Utf8String(const char* text) : ASN1Utf8String() { SetText(text); }

  // Windows-1251 text.
  void SetText(const char* text);
  String GetText() const;
  // Requires a universal, primitive element with tag 12 (otherwise
  // "Примітивний елемент не є правильним UTF8 рядком") and converts its UTF-8
  // content to Windows-1251: a character the code page lacks, and each byte of
  // malformed UTF-8, becomes '?' (code 50006 only when no converter is available).
  // For the text without loss use Utf8TextOf on the element.
  void SetFromPrimitive(const ASN1Primitive& element);

  // The element with the content converted to UTF-8 (code 50007 when that fails).
  ASN1Primitive ToPrimitive() const override;
  void Encode(Blob& out) const override;
  std::uint32_t EncodedSize() const override;
};

// The text of a universal string element as UTF-8, from its content octets and
// never through the code page: UTF8String as it stands (each byte of a malformed
// sequence becomes U+FFFD), BMPString (UTF-16BE) and UniversalString (UTF-32BE)
// transcoded (an unpaired surrogate, a code point beyond U+10FFFF or a partial
// code unit becomes U+FFFD), Printable-, Numeric-, IA5- and VisibleString as
// ASCII with any other byte read as Windows-1251 (as GetAttributeText returns
// them), and TeletexString as Latin-1. Any other element throws "Буфер не є коректним друкованим рядком".
std::string Utf8TextOf(const ASN1Primitive& element);

}  // namespace tavrpki
