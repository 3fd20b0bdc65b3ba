#include "asn1/ASN1Name.h"

#include "asn1/ASN1PrintableString.h"
#include "asn1/ASN1Utf8String.h"
#include "asn1/CodecMessages.h"
#include "asn1/Der.h"
#include "core/Catalogue.h"

namespace tavrpki {
namespace {

struct Label {
  const char* oid;
  const char* text;
};

constexpr Label kLabels[] = {
    {"2.5.4.3", "CN"}, {"2.5.4.4", "SN"},  {"2.5.4.42", "GN"},    {"2.5.4.6", "C"}, {"2.5.4.10", "O"},
    {"2.5.4.11", "OU"}, {"2.5.4.12", "TITLE"}, {"2.5.4.7", "L"}, {"2.5.4.8", "ST"}, {"2.5.4.5", "SERIALNUMBER"},
};

}  // namespace

const ASN1AttrTypeValue* ASN1Name::Find(const char* oid) const {
  for (const ASN1AttrTypeValue& attribute : m_attributes)
    if (attribute.TypeText().Equals(oid)) return &attribute;
  return nullptr;
}

ASN1AttrTypeValue ASN1Name::GetAttribute(std::uint32_t index) const {
  if (index >= m_attributes.size()) Raise(kMsgAttributeNotFound);
  return m_attributes[index];
}

bool ASN1Name::HasAttribute(const char* oid) const { return Find(oid) != nullptr; }

void ASN1Name::RemoveAttribute(const char* oid) {
  for (auto it = m_attributes.begin(); it != m_attributes.end(); ++it)
    if (it->TypeText().Equals(oid)) {
      m_attributes.erase(it);
      return;
    }
}

ASN1Primitive ASN1Name::GetAttributeValue(const char* oid) const {
  const ASN1AttrTypeValue* attribute = Find(oid);
  return attribute != nullptr ? attribute->Value() : ASN1Primitive(kUniversal, false, 12);
}

String ASN1Name::GetAttributeText(const char* oid) const {
  const ASN1AttrTypeValue* attribute = Find(oid);
  if (attribute == nullptr || attribute->Value().IsEmpty()) return String();
  const ASN1Primitive& value = attribute->Value();
  if (value.TagNumber() == 12) {
    ASN1Utf8String text;
    text.SetFromPrimitive(value);
    return text.GetText();
  }
  ASN1PrintableString text;
  text.SetFromPrimitive(value);
  return text.GetText();
}

void ASN1Name::AddAttribute(const char* oid, const ASN1Primitive& value) {
  ASN1AttrTypeValue attribute(oid, value);
  RemoveAttribute(oid);
  m_attributes.push_back(std::move(attribute));
}

void ASN1Name::SetSerialNumber(const char* text) { AddAttribute("2.5.4.5", ASN1PrintableString(text)); }

bool ASN1Name::Equals(const ASN1Name& other) const {
  if (Count() != other.Count()) return false;
  for (const ASN1AttrTypeValue& mine : m_attributes) {
    const ASN1AttrTypeValue* theirs = other.Find(mine.TypeText().CStr());
    if (theirs == nullptr || theirs->Value().TagNumber() != mine.Value().TagNumber() ||
        !theirs->Value().Blob::Equals(mine.Value()))
      return false;
  }
  return true;
}

String ASN1Name::ToText() const {
  String text("");
  for (const Label& label : kLabels) {
    if (!HasAttribute(label.oid)) continue;
    text.Append(label.text);
    text.Append(" = ");
    text.Append(GetAttributeText(label.oid));
    text.Append("; ");
  }
  return text;
}

ASN1Primitive ASN1Name::Sequence() const {
  ASN1Primitive sequence(TagClass(), IsConstructed(), TagNumber());
  for (const ASN1AttrTypeValue& attribute : m_attributes) {
    ASN1Primitive set(kUniversal, true, 17);
    set.AppendChild(attribute);
    sequence.AppendChild(set);
  }
  return sequence;
}

void ASN1Name::Encode(Blob& out) const { Sequence().Encode(out); }

std::uint32_t ASN1Name::EncodedSize() const { return Sequence().EncodedSize(); }

void ASN1Name::Decode(ByteView in) {
  DerReader content(der::ReadContentOf(in, 0x30, kMsgNotName));
  std::vector<ASN1AttrTypeValue> attributes;
  while (content.HasMore()) {
    ASN1Primitive set;
    content.Read(set);
    if (set.TagNumber() != 17) Raise(kMsgNotName);
    ASN1AttrTypeValue attribute;
    attribute.Decode(set);
    attributes.push_back(std::move(attribute));
  }
  m_attributes = std::move(attributes);
}

}  // namespace tavrpki
