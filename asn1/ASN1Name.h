// A distinguished name: one attribute per relative distinguished name, in
// encoding order, and its one-line text rendering ("CN = ...; C = UA; ").
//
//   Name ::= SEQUENCE OF RelativeDistinguishedName
//   RelativeDistinguishedName ::= SET OF AttributeTypeAndValue
//
// Only the first attribute of each SET is read; each is written in a SET of its own.
// Attribute types are looked up by their dotted text ("2.5.4.3").
//
// Names come from untrusted certificates and lists and are compared while chains
// are built, so a name holds one copy of its attributes' type and value octets
// and a small fixed-size entry per attribute (memory a small multiple of the
// encoding), and compares OID octets, never their text.
#pragma once

#include <string>
#include <vector>

#include "asn1/ASN1AttrTypeValue.h"
#include "asn1/ASN1Primitive.h"
#include "asn1/String.h"

namespace tavrpki {

class ASN1Name : public ASN1Primitive {
 public:
  ASN1Name() : ASN1Primitive(kUniversal, true, 16) {}

  ASN1Name(const ASN1Name& other) = default;
  ASN1Name(ASN1Name&& other) noexcept = default;
  ASN1Name& operator=(const ASN1Name& other) = default;
  ASN1Name& operator=(ASN1Name&& other) noexcept = default;
  ~ASN1Name() override = default;

  std::uint32_t Count() const { return static_cast<std::uint32_t>(m_attributes.size()); }
  // A copy; an index past the end throws code 50012 "Атрибут не знайдено".
  ASN1AttrTypeValue GetAttribute(std::uint32_t index) const;
  bool HasAttribute(const char* oid) const;
  // Removes the first attribute of that type, if any.
  void RemoveAttribute(const char* oid);
  // Value of the first attribute of that type, or an empty UTF8String element.
  ASN1Primitive GetAttributeValue(const char* oid) const;
  // Windows-1251 text of the first attribute of that type ("" when absent or
  // empty): UTF8String, BMPString, UniversalString, NumericString, TeletexString
  // and VisibleString are converted (a character the code page lacks becomes '?'),
  // PrintableString/IA5String bytes are returned as they are, any other type
  // throws the PrintableString message.
  String GetAttributeText(const char* oid) const;
  // The same text as UTF-8, straight from the value's octets, never through the
  // code page, so nothing is lost ("Марʼяна", "Łódź"); see Utf8TextOf.
  std::string GetAttributeUtf8(const char* oid) const;
  // Replaces the attribute of that type; the new one goes to the end of the list.
  void AddAttribute(const char* oid, const ASN1Primitive& value);
  void SetSerialNumber(const char* text);
  // Same count, and for each attribute here the first of its type there has the
  // same value tag number and content. O(n log n) in the attribute count.
  bool Equals(const ASN1Name& other) const;
  using Blob::Equals;
  // "CN = ...; SN = ...; " for the known types in a fixed order (Windows-1251).
  String ToText() const;
  // The same rendering in UTF-8 from the values' own octets (for display).
  std::string ToUtf8Text() const;

  void Encode(Blob& out) const override;
  // The identifier must be the single octet 30 and every element inside a SET,
  // otherwise "Буфер не є коректною кодованою структурою імені". On failure
  // nothing changes.
  void Decode(ByteView in) override;
  std::uint32_t EncodedSize() const override;

 private:
  // One attribute: where its OID content and value content sit in m_store, and
  // the value's identifier.
  struct Entry {
    std::uint32_t typeOffset = 0;
    std::uint32_t typeSize = 0;
    std::uint32_t valueOffset = 0;
    std::uint32_t valueSize = 0;
    std::uint32_t valueTag = 0;
    std::uint8_t valueClass = 0;
    bool valueConstructed = false;
  };

  ByteView TypeOf(const Entry& entry) const;
  ByteView ValueOf(const Entry& entry) const;
  ASN1Primitive ValueElement(const Entry& entry) const;
  // The first attribute of that type, or null (also for a text that is not an OID).
  const Entry* Find(const char* oid) const;
  const Entry* FindType(ByteView type) const;
  // Drops the bytes of removed attributes once they outweigh the live ones.
  void CompactIfSparse();
  std::uint32_t ContentSize() const;

  Blob m_store;
  std::uint32_t m_liveBytes = 0;
  std::vector<Entry> m_attributes;
};

}  // namespace tavrpki
