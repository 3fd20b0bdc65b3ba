#include "asn1/ASN1Name.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "asn1/ASN1PrintableString.h"
#include "asn1/ASN1Utf8String.h"
#include "asn1/CodecMessages.h"
#include "asn1/Der.h"
#include "asn1/Wrap.h"
#include "core/Catalogue.h"
#include "platform/CodePage.h"

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

constexpr std::uint8_t kNull[] = {0x05, 0x00};
constexpr std::uint32_t kOidTag = 6;

bool SameBytes(ByteView a, ByteView b) {
  return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size()) == 0);
}

// Any strict order on byte strings will do: it only groups equal types.
bool BytesLess(ByteView a, ByteView b) {
  if (a.size() != b.size()) return a.size() < b.size();
  return !a.empty() && std::memcmp(a.data(), b.data(), a.size()) < 0;
}

std::uint32_t ElementSize(std::uint32_t tagNumber, std::uint64_t contentSize) {
  const std::uint64_t total = der::IdentifierSize(tagNumber) + der::LengthSize(contentSize) + contentSize;
  if (total > 0xFFFFFFFFu) throw std::bad_alloc();
  return static_cast<std::uint32_t>(total);
}

std::uint8_t* Put(std::uint8_t* out, ByteView bytes) {
  if (!bytes.empty()) std::memcpy(out, bytes.data(), bytes.size());
  return out + bytes.size();
}

}  // namespace

ByteView ASN1Name::TypeOf(const Entry& entry) const {
  return m_store.View().subspan(entry.typeOffset, entry.typeSize);
}

ByteView ASN1Name::ValueOf(const Entry& entry) const {
  return m_store.View().subspan(entry.valueOffset, entry.valueSize);
}

ASN1Primitive ASN1Name::ValueElement(const Entry& entry) const {
  ASN1Primitive value(entry.valueClass, entry.valueConstructed, entry.valueTag);
  value.Assign(ValueOf(entry));
  return value;
}

const ASN1Name::Entry* ASN1Name::FindType(ByteView type) const {
  for (const Entry& entry : m_attributes)
    if (SameBytes(TypeOf(entry), type)) return &entry;
  return nullptr;
}

const ASN1Name::Entry* ASN1Name::Find(const char* oid) const {
  // The text is turned into octets once per lookup. Only a text that reads back
  // the same matches, as when types were compared by their text.
  ASN1OID query;
  try {
    query.SetText(oid);
    if (!query.ToText().Equals(oid)) return nullptr;
  } catch (const Exception&) {
    return nullptr;
  }
  return FindType(query.View());
}

ASN1AttrTypeValue ASN1Name::GetAttribute(std::uint32_t index) const {
  if (index >= m_attributes.size()) Raise(kMsgAttributeNotFound);
  const Entry& entry = m_attributes[index];
  ASN1OID type;
  type.Assign(TypeOf(entry));
  ASN1AttrTypeValue attribute;
  attribute.SetType(type);
  attribute.SetValue(ValueElement(entry));
  return attribute;
}

bool ASN1Name::HasAttribute(const char* oid) const { return Find(oid) != nullptr; }

void ASN1Name::RemoveAttribute(const char* oid) {
  const Entry* entry = Find(oid);
  if (entry == nullptr) return;
  m_liveBytes -= entry->typeSize + entry->valueSize;
  m_attributes.erase(m_attributes.begin() + (entry - m_attributes.data()));
  CompactIfSparse();
}

void ASN1Name::CompactIfSparse() {
  if (m_store.Size() <= 2 * std::uint64_t{m_liveBytes} + 256) return;
  Blob store;
  store.Reserve(m_liveBytes);
  std::vector<Entry> attributes = m_attributes;
  for (Entry& entry : attributes) {
    const std::uint32_t at = store.Size();
    store.Append(TypeOf(entry));
    store.Append(ValueOf(entry));
    entry.typeOffset = at;
    entry.valueOffset = at + entry.typeSize;
  }
  m_store = std::move(store);
  m_attributes = std::move(attributes);
}

ASN1Primitive ASN1Name::GetAttributeValue(const char* oid) const {
  const Entry* entry = Find(oid);
  return entry != nullptr ? ValueElement(*entry) : ASN1Primitive(kUniversal, false, 12);
}

String ASN1Name::GetAttributeText(const char* oid) const {
  const Entry* entry = Find(oid);
  if (entry == nullptr || entry->valueSize == 0) return String();
  const ASN1Primitive value = ValueElement(*entry);
  switch (value.TagNumber()) {
    case 12: {
      ASN1Utf8String text;
      text.SetFromPrimitive(value);
      return text.GetText();
    }
    case 18: case 20: case 26: case 28: case 30: {
      if (value.TagClass() != kUniversal || value.IsConstructed()) break;
      std::string cp1251;
      if (const int error = platform::Utf8ToCp1251(Utf8TextOf(value), cp1251); error != 0)
        Raise(kMsgToUnicodeFailed, error);
      return String::FromBytes({reinterpret_cast<const std::uint8_t*>(cp1251.data()), cp1251.size()});
    }
    default:
      break;
  }
  ASN1PrintableString text;
  text.SetFromPrimitive(value);
  return text.GetText();
}

std::string ASN1Name::GetAttributeUtf8(const char* oid) const {
  const Entry* entry = Find(oid);
  if (entry == nullptr || entry->valueSize == 0) return std::string();
  return Utf8TextOf(ValueElement(*entry));
}

void ASN1Name::AddAttribute(const char* oid, const ASN1Primitive& value) {
  const ASN1AttrTypeValue attribute(oid, value);  // checks the text before anything changes
  const ASN1Primitive& element = attribute.Value();
  const std::uint64_t grown = std::uint64_t{m_store.Size()} + attribute.Type().Size() + element.Size();
  if (grown > 0xFFFFFFFFu) throw std::bad_alloc();
  RemoveAttribute(oid);
  Entry entry;
  entry.typeOffset = m_store.Size();
  entry.typeSize = attribute.Type().Size();
  entry.valueOffset = entry.typeOffset + entry.typeSize;
  entry.valueSize = element.Size();
  entry.valueTag = element.TagNumber();
  entry.valueClass = element.TagClass();
  entry.valueConstructed = element.IsConstructed();
  m_attributes.reserve(m_attributes.size() + 1);
  m_store.Append(attribute.Type().View());
  m_store.Append(element.View());
  m_attributes.push_back(entry);
  m_liveBytes += entry.typeSize + entry.valueSize;
}

void ASN1Name::SetSerialNumber(const char* text) { AddAttribute("2.5.4.5", ASN1PrintableString(text)); }

bool ASN1Name::Equals(const ASN1Name& other) const {
  if (Count() != other.Count()) return false;
  // The other name's attributes ordered by type; the stable sort keeps the first
  // of each type first among its equals, which is the one compared with.
  std::vector<std::uint32_t> order(other.m_attributes.size());
  for (std::uint32_t i = 0; i < order.size(); ++i) order[i] = i;
  const auto typeAt = [&](std::uint32_t i) { return other.TypeOf(other.m_attributes[i]); };
  std::stable_sort(order.begin(), order.end(),
                   [&](std::uint32_t a, std::uint32_t b) { return BytesLess(typeAt(a), typeAt(b)); });
  for (const Entry& mine : m_attributes) {
    const ByteView type = TypeOf(mine);
    const auto it = std::lower_bound(order.begin(), order.end(), type,
                                     [&](std::uint32_t i, ByteView t) { return BytesLess(typeAt(i), t); });
    if (it == order.end() || !SameBytes(typeAt(*it), type)) return false;
    const Entry& theirs = other.m_attributes[*it];
    if (theirs.valueTag != mine.valueTag || !SameBytes(other.ValueOf(theirs), ValueOf(mine))) return false;
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

std::string ASN1Name::ToUtf8Text() const {
  std::string text;
  for (const Label& label : kLabels) {
    if (!HasAttribute(label.oid)) continue;
    text += label.text;
    text += " = ";
    text += GetAttributeUtf8(label.oid);
    text += "; ";
  }
  return text;
}

// Sizes of one attribute's SEQUENCE content and of the name's content.
std::uint32_t ASN1Name::ContentSize() const {
  std::uint64_t total = 0;
  for (const Entry& entry : m_attributes) {
    std::uint64_t sequence = ElementSize(kOidTag, entry.typeSize);
    if (entry.valueSize != 0)
      sequence += ElementSize(entry.valueTag, entry.valueSize);
    else if (entry.valueTag == 5)
      sequence += sizeof kNull;
    total += ElementSize(17, ElementSize(16, sequence));
    if (total > 0xFFFFFFFFu) throw std::bad_alloc();
  }
  return static_cast<std::uint32_t>(total);
}

void ASN1Name::Encode(Blob& out) const {
  const std::uint32_t content = ContentSize();
  const std::uint32_t total = ElementSize(TagNumber(), content);
  Blob encoded;
  std::uint8_t* p = encoded.ResizeAndGet(total);
  p = der::WriteIdentifier(p, TagClass(), IsConstructed(), TagNumber());
  p = der::WriteLength(p, content);
  for (const Entry& entry : m_attributes) {
    std::uint64_t sequence = ElementSize(kOidTag, entry.typeSize);
    const bool hasValue = entry.valueSize != 0;
    if (hasValue)
      sequence += ElementSize(entry.valueTag, entry.valueSize);
    else if (entry.valueTag == 5)
      sequence += sizeof kNull;
    p = der::WriteIdentifier(p, kUniversal, true, 17);
    p = der::WriteLength(p, ElementSize(16, sequence));
    p = der::WriteIdentifier(p, kUniversal, true, 16);
    p = der::WriteLength(p, sequence);
    p = der::WriteIdentifier(p, kUniversal, false, kOidTag);
    p = der::WriteLength(p, entry.typeSize);
    p = Put(p, TypeOf(entry));
    if (hasValue) {
      p = der::WriteIdentifier(p, entry.valueClass, entry.valueConstructed, entry.valueTag);
      p = der::WriteLength(p, entry.valueSize);
      p = Put(p, ValueOf(entry));
    } else if (entry.valueTag == 5) {
      p = Put(p, ByteView(kNull));
    }
  }
  out = std::move(encoded);
}

std::uint32_t ASN1Name::EncodedSize() const { return ElementSize(TagNumber(), ContentSize()); }

void ASN1Name::Decode(ByteView in) {
  const ByteView name = der::ReadContentOf(in, 0x30, kMsgNotName);
  // The name's content is copied once; entries point into the copy. A first pass
  // over the SETs sizes the entry list exactly (a failure there is left for the
  // reading pass, which reports it in order).
  std::size_t sets = 0;
  try {
    for (DerReader counter(name); counter.HasMore(); counter.Next()) ++sets;
  } catch (const Exception&) {
  }
  std::vector<Entry> attributes;
  attributes.reserve(sets);
  Blob store(name);
  const ByteView stored = store.View();
  const auto offsetOf = [&](ByteView view) { return static_cast<std::uint32_t>(view.data() - stored.data()); };

  DerReader content(stored);
  while (content.HasMore()) {
    const ByteView rest = content.Rest();
    der::Header setHeader;
    ByteView set;
    Wrapped(kMsgDecodePrimitive, [&] {
      setHeader = der::ReadHeader(rest);
      set = der::Content(rest, setHeader);
    });
    // As a plain element reads it: a multi-octet identifier leaves tag number 0.
    if (setHeader.identifier.size() != 1 || (setHeader.identifier[0] & 0x1F) != 17) Raise(kMsgNotName);
    content.Next();

    // AttributeTypeAndValue: the SEQUENCE identifier is not checked.
    const der::Header sequenceHeader = der::ReadHeader(set);
    DerReader sequence(der::Content(set, sequenceHeader));
    const ByteView typeElement = sequence.Rest();
    const ByteView type = ASN1OID::ReadContent(typeElement);
    sequence.Next();
    Entry entry;
    entry.typeOffset = offsetOf(type);
    entry.typeSize = static_cast<std::uint32_t>(type.size());
    entry.valueOffset = entry.typeOffset + entry.typeSize;
    if (sequence.HasMore()) {
      const ByteView valueElement = sequence.Rest();
      der::Header valueHeader;
      ByteView value;
      Wrapped(kMsgDecodePrimitive, [&] {
        valueHeader = der::ReadHeader(valueElement);
        value = der::Content(valueElement, valueHeader);
      });
      entry.valueOffset = offsetOf(value);
      entry.valueSize = static_cast<std::uint32_t>(value.size());
      if (valueHeader.identifier.size() == 1) {
        const std::uint8_t octet = valueHeader.identifier[0];
        entry.valueClass = static_cast<std::uint8_t>(octet >> 6);
        entry.valueConstructed = (octet & 0x20) != 0;
        entry.valueTag = octet & 0x1Fu;
      }
    }
    attributes.push_back(entry);
  }
  std::uint32_t live = 0;
  for (const Entry& entry : attributes) live += entry.typeSize + entry.valueSize;
  m_store = std::move(store);
  m_attributes = std::move(attributes);
  m_liveBytes = live;
}

}  // namespace tavrpki
