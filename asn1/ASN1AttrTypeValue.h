// An OBJECT IDENTIFIER with an optional value of any type: a name attribute, and
// the AlgorithmIdentifier of every structure.
//
//   AlgorithmIdentifier ::= SEQUENCE { algorithm OBJECT IDENTIFIER, parameters ANY OPTIONAL }
//   AttributeTypeAndValue ::= SEQUENCE { type OBJECT IDENTIFIER, value ANY }
//
// A value with empty content is absent, except NULL (tag 5), written as 05 00.
#pragma once

#include "asn1/ASN1OID.h"
#include "asn1/ASN1Primitive.h"

namespace tavrpki {

class ASN1AttrTypeValue : public ASN1Primitive {
 public:
  ASN1AttrTypeValue() : ASN1Primitive(kUniversal, true, 16) {}
  ASN1AttrTypeValue(const char* oid, const ASN1Primitive& value);
  explicit ASN1AttrTypeValue(const char* oid) : ASN1AttrTypeValue(oid, ASN1Primitive()) {}

  const ASN1OID& Type() const { return m_type; }
  String TypeText() const { return m_type.ToText(); }
  void SetType(const ASN1OID& type) { m_type = type; }
  void SetType(const char* oid) { m_type.SetText(oid); }
  const ASN1Primitive& Value() const { return m_value; }
  // Typed values are stored as their plain element (BIT STRING with its unused-bits octet).
  void SetValue(const ASN1Primitive& value) { m_value = value.ToPrimitive(); }

  void Encode(Blob& out) const override;
  // The SEQUENCE identifier is not checked; the OID is read from the start of the
  // content and, when bytes remain, the value as a plain element. On failure
  // nothing changes.
  void Decode(ByteView in) override;
  std::uint32_t EncodedSize() const override;

 private:
  ASN1Primitive Sequence() const;

  ASN1OID m_type;
  ASN1Primitive m_value;
};

}  // namespace tavrpki
