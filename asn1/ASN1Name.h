// A distinguished name: one attribute per relative distinguished name, in
// encoding order, and its one-line text rendering ("CN = ...; C = UA; ").
//
//   Name ::= SEQUENCE OF RelativeDistinguishedName
//   RelativeDistinguishedName ::= SET OF AttributeTypeAndValue
//
// Only the first attribute of each SET is read; each is written in a SET of its own.
// Attribute types are looked up by their dotted text ("2.5.4.3").
#pragma once

#include <vector>

#include "asn1/ASN1AttrTypeValue.h"
#include "asn1/ASN1Primitive.h"
#include "asn1/String.h"

namespace tavrpki {

class ASN1Name : public ASN1Primitive {
 public:
  ASN1Name() : ASN1Primitive(kUniversal, true, 16) {}

  std::uint32_t Count() const { return static_cast<std::uint32_t>(m_attributes.size()); }
  // A copy; an index past the end throws code 50012 "Атрибут не знайдено".
  ASN1AttrTypeValue GetAttribute(std::uint32_t index) const;
  bool HasAttribute(const char* oid) const;
  // Removes the first attribute of that type, if any.
  void RemoveAttribute(const char* oid);
  // Value of the first attribute of that type, or an empty UTF8String element.
  ASN1Primitive GetAttributeValue(const char* oid) const;
  // Windows-1251 text of the first attribute of that type ("" when absent or
  // empty): UTF8String is converted, PrintableString/IA5String bytes are returned
  // as they are, any other type throws the PrintableString message.
  String GetAttributeText(const char* oid) const;
  // Replaces the attribute of that type; the new one goes to the end of the list.
  void AddAttribute(const char* oid, const ASN1Primitive& value);
  void SetSerialNumber(const char* text);
  // Same count, and for each attribute here the first of its type there has the
  // same value tag number and content.
  bool Equals(const ASN1Name& other) const;
  using Blob::Equals;
  // "CN = ...; SN = ...; " for the known types in a fixed order (Windows-1251).
  String ToText() const;

  void Encode(Blob& out) const override;
  // The identifier must be the single octet 30 and every element inside a SET,
  // otherwise "Буфер не є коректною кодованою структурою імені". On failure
  // nothing changes.
  void Decode(ByteView in) override;
  std::uint32_t EncodedSize() const override;

 private:
  const ASN1AttrTypeValue* Find(const char* oid) const;
  ASN1Primitive Sequence() const;

  std::vector<ASN1AttrTypeValue> m_attributes;
};

}  // namespace tavrpki
