// One attribute: a type and the values of that type, as CMS signed attributes,
// certification-request attributes and the subject-directory-attributes
// extension carry them.
//
//   Attribute ::= SEQUENCE { attrType OBJECT IDENTIFIER,
//                            attrValues SET OF AttributeValue }
//
// Values are kept as complete DER elements of any type; the SET is written in
// insertion order, never sorted.
#pragma once

#include <cstdint>
#include <vector>

#include "asn1/ASN1OID.h"
#include "asn1/ASN1Primitive.h"
#include "asn1/String.h"
#include "core/Cp1251.h"
#include "core/Exception.h"

namespace tavrpki {

// Uncoded (code 0xFFFFFFFF): callers match the text.
inline constexpr Message kMsgAttributeTypeEmpty{kNoCode, Cp1251<"Порожній OID в значенні атрибуту">};
inline constexpr Message kMsgAttributeValueEmpty{kNoCode, Cp1251<"Порожнє значення атрибуту">};

class ASN1Attribute : public ASN1Primitive {
 public:
  ASN1Attribute() : ASN1Primitive(kUniversal, true, 16) {}
  // An attribute of type `oid` whose single value is `value` (its DER element,
  // ToPrimitive: a UTF8String is held as UTF-8).
  ASN1Attribute(const char* oid, const ASN1Primitive& value);

  const ASN1OID& AttrType() const { return m_attrType; }
  // The dotted text of the type; "" while the type is empty.
  String TypeText() const;
  void SetType(const char* oid) { m_attrType.SetText(oid); }
  void SetType(const ASN1OID& type) { m_attrType = type; }
  // True while no type is set (a fresh attribute, or one a handler without an
  // attribute form returned).
  bool HasType() const { return !m_attrType.IsEmpty(); }

  const std::vector<ASN1Primitive>& Values() const { return m_attrValues; }
  std::vector<ASN1Primitive>& Values() { return m_attrValues; }
  void AddValue(const ASN1Primitive& value) { m_attrValues.push_back(value.ToPrimitive()); }
  // The first value; kMsgAttributeValueEmpty when there is none.
  const ASN1Primitive& GetFirstValue() const;

  // kMsgAttributeTypeEmpty without a type, kMsgAttributeValueEmpty without a value.
  void Encode(Blob& out) const override;
  // Reads the type, then the values inside the SET. A value written straight
  // after the type, without the SET, is accepted as the only value. The element's
  // own identifier is not checked; bytes after the element are not read. On
  // failure nothing changes.
  void Decode(ByteView in) override;
  std::uint32_t EncodedSize() const override;

 private:
  ASN1Primitive Sequence() const;

  ASN1OID m_attrType;
  std::vector<ASN1Primitive> m_attrValues;
};

}  // namespace tavrpki
