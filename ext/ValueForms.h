// The value shapes several handlers share: a UTF8String text as an attribute
// value or as an extension value, and the element inside an extension. Internal
// to ext/.
#pragma once

#include "asn1/ASN1Primitive.h"
#include "asn1/ASN1Utf8String.h"
#include "asn1/String.h"
#include "asn1/x509/ASN1CertExtension.h"

namespace tavrpki::ext {

// The Windows-1251 text of a UTF8String element; any other element fails with
// "Примітивний елемент не є правильним UTF8 рядком".
inline String TextOf(const ASN1Primitive& element) {
  ASN1Utf8String text;
  text.SetFromPrimitive(element);
  return text.GetText();
}

// The one DER element inside extnValue (bytes after it are not read).
inline ASN1Primitive ValueElementOf(const ASN1CertExtension& extension) {
  ASN1Primitive element;
  extension.DecodeValue(element);
  return element;
}

// A structure as one plain element (an attribute holds its values this way).
inline ASN1Primitive ElementOf(const ASN1Any& structure) {
  Blob der;
  structure.Encode(der);
  ASN1Primitive element;
  element.Decode(der);
  return element;
}

// A plain element decoded as the structure it holds; the structure's own failures.
inline void DecodeElement(const ASN1Primitive& element, ASN1Any& structure) {
  Blob der;
  element.Encode(der);
  structure.Decode(der);
}

}  // namespace tavrpki::ext
