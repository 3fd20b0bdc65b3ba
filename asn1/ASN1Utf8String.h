// UTF8String. The text is held in the ANSI code page (Windows-1251) and converted
// to UTF-8 only when written.
//
// Decode is the plain element decode, so after Decode the content holds the UTF-8
// bytes as read; SetFromPrimitive is the converting way in (names use it).
#pragma once

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
  // content to Windows-1251 (code 50006 when that fails).
  void SetFromPrimitive(const ASN1Primitive& element);

  // The element with the content converted to UTF-8 (code 50007 when that fails).
  ASN1Primitive ToPrimitive() const override;
  void Encode(Blob& out) const override;
  std::uint32_t EncodedSize() const override;
};

}  // namespace tavrpki
