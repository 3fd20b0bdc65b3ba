// A list of attributes in which each type occurs at most once (the value of the
// subject-directory-attributes extension).
//
//   Attributes ::= SEQUENCE OF Attribute
#pragma once

#include <cstdint>
#include <vector>

#include "asn1/ASN1Primitive.h"
#include "asn1/cms/ASN1Attribute.h"

namespace tavrpki {

class ASN1AttributeCollection : public ASN1Primitive {
 public:
  ASN1AttributeCollection() : ASN1Primitive(kUniversal, true, 16) {}

  // Removes every attribute of the same type, then appends `attribute` at the end.
  void AddAttribute(const ASN1Attribute& attribute);
  // The attribute at `index` in insertion order; std::out_of_range past the end.
  const ASN1Attribute& GetAttribute(std::uint32_t index) const { return m_attributes.at(index); }
  std::uint32_t Count() const { return static_cast<std::uint32_t>(m_attributes.size()); }
  const std::vector<ASN1Attribute>& Attributes() const { return m_attributes; }
  // Direct access for readers that rewrite values in place; AddAttribute keeps
  // the one-per-type rule, this does not.
  std::vector<ASN1Attribute>& Attributes() { return m_attributes; }

  // Each attribute's own encoding failures pass through.
  void Encode(Blob& out) const override;
  // The outer identifier must have tag number 16, else code 50058; the
  // attributes' own failures pass through unchanged. Decoding keeps every
  // attribute as read, repeated types too. On failure nothing changes.
  void Decode(ByteView in) override;
  std::uint32_t EncodedSize() const override;

 private:
  // The content bytes of the element base are not the list: keep them out of reach.
  using Blob::Append;
  ASN1Primitive Sequence() const;

  std::vector<ASN1Attribute> m_attributes;
};

}  // namespace tavrpki
