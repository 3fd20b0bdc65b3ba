#include "ReqAttributes.h"

#include <cstdio>

#include "Command.h"

namespace tavrpki::tool {
namespace {

// RFC 5280 KeyUsage bits 0-7 as the first octet carries them, bit 0 highest.
struct UsageBit {
  const char* name;
  std::uint8_t mask;
};
constexpr UsageBit kUsageBits[] = {
    {"digitalSignature", 0x80}, {"nonRepudiation", 0x40}, {"keyEncipherment", 0x20}, {"dataEncipherment", 0x10},
    {"keyAgreement", 0x08},     {"keyCertSign", 0x04},    {"cRLSign", 0x02},         {"encipherOnly", 0x01},
};

std::vector<std::string> Split(const std::string& list) {
  std::vector<std::string> items;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = list.find(',', start);
    items.push_back(list.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return items;
}

void AppendLength(std::vector<std::uint8_t>& out, std::size_t length) {
  if (length < 128) {
    out.push_back(static_cast<std::uint8_t>(length));
  } else if (length < 256) {
    out.push_back(0x81);
    out.push_back(static_cast<std::uint8_t>(length));
  } else {
    out.push_back(0x82);
    out.push_back(static_cast<std::uint8_t>(length >> 8));
    out.push_back(static_cast<std::uint8_t>(length));
  }
}

std::vector<std::uint8_t> Element(std::uint8_t tag, const std::vector<std::uint8_t>& content) {
  std::vector<std::uint8_t> out{tag};
  AppendLength(out, content.size());
  out.insert(out.end(), content.begin(), content.end());
  return out;
}

// Attribute ::= SEQUENCE { type OID (2.5.29.<arc>), values SET { UTF8String text } }
std::vector<std::uint8_t> TextAttribute(std::uint8_t extensionArc, const std::string& text) {
  std::vector<std::uint8_t> content{0x06, 0x03, 0x55, 0x1D, extensionArc};
  const auto value = Element(0x31, Element(0x0C, std::vector<std::uint8_t>(text.begin(), text.end())));
  content.insert(content.end(), value.begin(), value.end());
  return Element(0x30, content);
}

bool IsDottedOid(const std::string& text) {
  if (text.empty() || text.front() == '.' || text.back() == '.' || text.find("..") != std::string::npos) return false;
  std::size_t dots = 0;
  for (char c : text) {
    if (c == '.') ++dots;
    else if (c < '0' || c > '9') return false;
  }
  return dots >= 1;
}

}  // namespace

std::uint8_t ParseKeyUsage(const std::string& list) {
  std::uint8_t usage = 0;
  for (const std::string& name : Split(list)) {
    bool known = false;
    for (const UsageBit& bit : kUsageBits)
      if (name == bit.name) {
        usage |= bit.mask;
        known = true;
      }
    if (!known)
      throw UsageError{"unknown key usage '" + name +
                       "' (digitalSignature, nonRepudiation, keyEncipherment, dataEncipherment, keyAgreement, "
                       "keyCertSign, cRLSign)"};
  }
  return usage;
}

std::vector<std::uint8_t> KeyUsageAttribute(std::uint8_t usage) {
  char text[3];
  std::snprintf(text, sizeof text, "%02X", usage);
  return TextAttribute(0x0F, text);
}

std::vector<std::uint8_t> ExtendedKeyUsageAttribute(const std::string& list) {
  std::string text;
  for (const std::string& oid : Split(list)) {
    if (!IsDottedOid(oid)) throw UsageError{"--eku: '" + oid + "' is not an OID"};
    text += "|" + oid + "|";
  }
  return TextAttribute(0x25, text);
}

}  // namespace tavrpki::tool
