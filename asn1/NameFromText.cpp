#include "asn1/NameFromText.h"

#include <cctype>
#include <string>

#include "asn1/ASN1Name.h"
#include "core/Cp1251.h"
#include "core/Exception.h"

namespace tavrpki {
namespace {

inline constexpr Message kMsgBadNameText{290000, Cp1251<"Некоректний текст імені: %s">};

enum class ValueType { kUtf8, kPrintable, kIa5 };

struct NameType {
  const char* label;
  const char* oid;
  ValueType type;
};

constexpr NameType kTypes[] = {
    {"CN", "2.5.4.3", ValueType::kUtf8},
    {"SN", "2.5.4.4", ValueType::kUtf8},
    {"serialNumber", "2.5.4.5", ValueType::kPrintable},
    {"C", "2.5.4.6", ValueType::kPrintable},
    {"L", "2.5.4.7", ValueType::kUtf8},
    {"ST", "2.5.4.8", ValueType::kUtf8},
    {"O", "2.5.4.10", ValueType::kUtf8},
    {"OU", "2.5.4.11", ValueType::kUtf8},
    {"title", "2.5.4.12", ValueType::kUtf8},
    {"GN", "2.5.4.42", ValueType::kUtf8},
    {"UID", "0.9.2342.19200300.100.1.1", ValueType::kUtf8},
    {"E", "1.2.840.113549.1.9.1", ValueType::kIa5},
};

// The detail is ASCII, so it reads the same in any code page.
[[noreturn]] void Refuse(const std::string& detail) { Raise(kMsgBadNameText, detail.c_str()); }

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

const NameType& TypeOf(std::string_view label) {
  for (const NameType& type : kTypes)
    if (EqualsIgnoringCase(label, type.label)) return type;
  Refuse("unknown attribute type '" + std::string(label) + "'");
}

bool IsSpace(char c) { return c == ' '; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Well-formed UTF-8 (shortest forms, no surrogates, at most U+10FFFF).
bool IsUtf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t extra = 0;
    std::uint32_t cp = 0;
    if (c < 0x80) {
      ++i;
      continue;
    } else if (c >= 0xC2 && c <= 0xDF) {
      extra = 1;
      cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      extra = 2;
      cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      extra = 3;
      cp = c & 0x07;
    } else {
      return false;
    }
    if (i + extra >= s.size()) return false;
    for (std::size_t k = 1; k <= extra; ++k) {
      const auto cc = static_cast<unsigned char>(s[i + k]);
      if ((cc & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (cc & 0x3F);
    }
    if ((extra == 2 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)))
      return false;
    i += extra + 1;
  }
  return true;
}

bool IsPrintable(std::string_view s) {
  for (char c : s) {
    if (std::isalnum(static_cast<unsigned char>(c)) && static_cast<unsigned char>(c) < 0x80) continue;
    if (std::string_view(" '()+,-./:=?").find(c) == std::string_view::npos) return false;
  }
  return true;
}

// One value from `text` at `pos` up to an unescaped "," (or the end), unescaped;
// `pos` ends on the separator.
std::string ReadValue(std::string_view text, std::size_t& pos, const std::string& label) {
  std::string value;
  std::size_t keep = 0;  // the value's length up to its last escaped or non-space octet
  while (pos < text.size() && IsSpace(text[pos])) ++pos;
  if (pos < text.size() && text[pos] == '#') Refuse("hexadecimal value of " + label + " is not supported");
  for (; pos < text.size() && text[pos] != ','; ++pos) {
    const char c = text[pos];
    if (c == '\\') {
      if (pos + 1 >= text.size()) Refuse("escape at the end of " + label);
      const char next = text[pos + 1];
      const int high = HexDigit(next);
      if (high >= 0) {
        const int low = pos + 2 < text.size() ? HexDigit(text[pos + 2]) : -1;
        if (low < 0) Refuse("bad hexadecimal escape in " + label);
        value.push_back(static_cast<char>(high * 16 + low));
        pos += 2;
      } else if (std::string_view(",+\"\\<>;=# ").find(next) != std::string_view::npos) {
        value.push_back(next);
        pos += 1;
      } else {
        Refuse("bad escape in " + label);
      }
      keep = value.size();
      continue;
    }
    if (c == '+') Refuse("multi-valued RDN in " + label + " (escape '+' as \\+)");
    if (c == ';' || c == '<' || c == '>') Refuse(std::string("unescaped '") + c + "' in " + label);
    if (c == '\0') Refuse("NUL in " + label);
    value.push_back(c);
    if (!IsSpace(c)) keep = value.size();
  }
  value.resize(keep);
  return value;
}

ASN1Primitive ValueElement(const NameType& type, const std::string& value, const std::string& label) {
  std::uint32_t tag = 12;
  switch (type.type) {
    case ValueType::kUtf8:
      if (!IsUtf8(value)) Refuse("malformed UTF-8 in " + label);
      break;
    case ValueType::kPrintable:
      if (!IsPrintable(value)) Refuse(label + " allows only PrintableString characters");
      if (type.label[0] == 'C' && type.label[1] == '\0' &&
          (value.size() != 2 || !std::isalpha(static_cast<unsigned char>(value[0])) ||
           !std::isalpha(static_cast<unsigned char>(value[1]))))
        Refuse("C must be a two-letter country code");
      tag = 19;
      break;
    case ValueType::kIa5:
      for (char c : value)
        if (static_cast<unsigned char>(c) >= 0x80) Refuse(label + " allows only ASCII");
      tag = 22;
      break;
  }
  ASN1Primitive element(ASN1Primitive::kUniversal, false, tag);
  element.Assign(ByteView(reinterpret_cast<const std::uint8_t*>(value.data()), value.size()));
  return element;
}

}  // namespace

std::vector<std::uint8_t> NameDerFromText(std::string_view text) {
  ASN1Name name;
  std::size_t pos = 0;
  std::size_t count = 0;
  while (true) {
    const std::size_t eq = text.find('=', pos);
    const std::size_t comma = text.find(',', pos);
    if (eq == std::string_view::npos || (comma != std::string_view::npos && comma < eq))
      Refuse("attribute " + std::to_string(count + 1) + " has no '='");
    std::string_view label = text.substr(pos, eq - pos);
    while (!label.empty() && IsSpace(label.front())) label.remove_prefix(1);
    while (!label.empty() && IsSpace(label.back())) label.remove_suffix(1);
    if (label.empty()) Refuse("attribute " + std::to_string(count + 1) + " has no type");
    const NameType& type = TypeOf(label);
    if (name.HasAttribute(type.oid)) Refuse(std::string(type.label) + " given twice");
    pos = eq + 1;
    const std::string value = ReadValue(text, pos, type.label);
    if (value.empty()) Refuse(std::string(type.label) + " is empty");
    name.AddAttribute(type.oid, ValueElement(type, value, type.label));
    ++count;
    if (pos >= text.size()) break;
    ++pos;  // the ","
  }
  Blob der;
  name.Encode(der);
  return std::vector<std::uint8_t>(der.Data(), der.Data() + der.Size());
}

}  // namespace tavrpki
