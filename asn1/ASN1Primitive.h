// `ASN1Primitive`: one DER element. The Blob base holds the content octets; the
// element adds its identifier (tag class, constructed flag, tag number).
//
// Every ASN.1 type of the library derives from it. Empty content marks an absent
// optional element. A structured type writes by collecting its children's
// encodings into a temporary element of its own identifier (AppendChild) and
// reads with a DerReader (asn1/Der.h).
#pragma once

#include <cstdint>

#include "asn1/ASN1Any.h"
#include "asn1/Blob.h"

namespace tavrpki {

class ASN1Primitive : public ASN1Any, public Blob {
 public:
  static constexpr std::uint8_t kUniversal = 0;
  static constexpr std::uint8_t kApplication = 1;
  static constexpr std::uint8_t kContextSpecific = 2;
  static constexpr std::uint8_t kPrivate = 3;

  ASN1Primitive() = default;
  ASN1Primitive(std::uint8_t tagClass, bool constructed, std::uint32_t tagNumber)
      : m_tagClass(tagClass), m_constructed(constructed), m_tagNumber(tagNumber) {}
  ASN1Primitive(const ASN1Primitive& other) = default;
  ASN1Primitive(ASN1Primitive&& other) noexcept = default;
  ASN1Primitive& operator=(const ASN1Primitive& other) = default;
  ASN1Primitive& operator=(ASN1Primitive&& other) noexcept = default;
  ~ASN1Primitive() override = default;

  std::uint8_t TagClass() const { return m_tagClass; }
  bool IsConstructed() const { return m_constructed; }
  std::uint32_t TagNumber() const { return m_tagNumber; }
  void SetTagClass(std::uint8_t tagClass) { m_tagClass = tagClass; }
  void SetConstructed(bool constructed) { m_constructed = constructed; }
  void SetTagNumber(std::uint32_t tagNumber) { m_tagNumber = tagNumber; }
  // The identifier octet of a low tag number (tag class, constructed, number).
  std::uint8_t IdentifierOctet() const;

  // Copies the other element's content and identifier.
  void AssignElement(const ASN1Primitive& other);
  // The same element as a plain ASN1Primitive (types whose content is not their
  // value octets, like BIT STRING, override this).
  virtual ASN1Primitive ToPrimitive() const { return ASN1Primitive(*this); }

  // Identifier octets + length octets + content. Failures read
  // "Error encoding Primitive Value: ...".
  void Encode(Blob& out) const override;
  // Reads identifier, length and content. A single identifier octet sets the tag
  // fields; a multi-octet identifier (high tag number) leaves them as they were.
  // Failures read "Error decoding Primitive Value: ..." and change nothing.
  void Decode(ByteView in) override;
  virtual std::uint32_t EncodedSize() const;

  Blob IdentifierOctets() const;
  Blob LengthOctets() const;

  // Appends the encoding of `child` to the content (structures compose this way).
  void AppendChild(const ASN1Any& child);

 private:
  std::uint8_t m_tagClass = 0;
  bool m_constructed = false;
  std::uint32_t m_tagNumber = 0;
};

}  // namespace tavrpki
