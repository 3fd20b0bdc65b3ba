#include "crypto/objects/TagValueEncoder.h"

#include <iterator>

#include "asn1/CodecMessages.h"
#include "asn1/Hex.h"
#include "core/Catalogue.h"
#include "crypto/objects/NumberBase.h"

namespace tavrpki {

void NumberBase<int>::Serialize(String& out) const {
  const auto value = static_cast<std::uint32_t>(m_value);
  const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                                 static_cast<std::uint8_t>(value >> 16),
                                 static_cast<std::uint8_t>(value >> 24)};
  out.Assign(HexEncode(bytes).c_str());
}

void NumberBase<int>::Deserialize(const String& in) {
  const std::string_view text(in.CStr(), in.Length());
  if (text.size() != 8) Raise(kMsgHexBadSize);
  std::uint8_t bytes[4];
  HexDecode(text, bytes);
  m_value = static_cast<int>(std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 |
                             std::uint32_t{bytes[2]} << 16 | std::uint32_t{bytes[3]} << 24);
}

namespace {

void AppendLength(String& out, std::uint32_t length) {
  String text;
  NumberBase<int>(static_cast<int>(length)).Serialize(text);
  out.Append(text);
}

// Reads a length field at `position` and the text of that length after it.
String ReadCounted(const String& in, std::uint32_t& position) {
  NumberBase<int> length;
  length.Deserialize(in.Substring(position, 8));
  position += 8;
  if (length.Get() < 0) Raise(kMsgStringOutOfBuffer);
  const auto count = static_cast<std::uint32_t>(length.Get());
  String text = in.Substring(position, count);
  position += count;
  return text;
}

}  // namespace

void TagValueEncoder::Serialize(String& out) const {
  String text("");
  for (const auto& [name, value] : m_fields) {
    AppendLength(text, name.Length());
    text.Append(name);
    AppendLength(text, value.Length());
    text.Append(value);
  }
  out = std::move(text);
}

void TagValueEncoder::Deserialize(const String& in) {
  std::map<String, String> fields;
  const std::uint32_t length = in.Length();
  std::uint32_t position = 0;
  while (position < length) {
    String name = ReadCounted(in, position);
    String value = ReadCounted(in, position);
    fields.emplace(std::move(name), std::move(value));
  }
  m_fields = std::move(fields);
}

void TagValueEncoder::SetField(const String& name, const String& value) {
  m_fields.erase(name);
  m_fields.emplace(name, value);
}

String TagValueEncoder::GetField(const String& name) const {
  const auto it = m_fields.find(name);
  if (it == m_fields.end()) Raise(kMsgFieldMissing, name.CStr());
  return it->second;
}

bool TagValueEncoder::HasField(const String& name) const { return m_fields.contains(name); }

void TagValueEncoder::ClearFields() { m_fields.clear(); }

std::uint32_t TagValueEncoder::FieldCount() const {
  return static_cast<std::uint32_t>(m_fields.size());
}

String TagValueEncoder::FieldName(std::uint32_t index) const {
  if (index >= m_fields.size()) Raise(kMsgItemIndexOutOfRange);
  return std::next(m_fields.begin(), index)->first;
}

}  // namespace tavrpki
