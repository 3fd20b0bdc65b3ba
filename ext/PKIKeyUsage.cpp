#include "ext/PKIKeyUsage.h"

#include <algorithm>

#include "asn1/ASN1BitString.h"
#include "asn1/ASN1Utf8String.h"
#include "ext/ExtensionOids.h"
#include "ext/HandlerMessages.h"
#include "ext/ValueForms.h"

namespace tavrpki {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The byte written as hexadecimal digits ("86", "6", "0086"). Anything else,
// an empty text or a value above FF included, is refused rather than read as
// some other usage.
std::uint8_t ParseKeyUsageText(const char* text) {
  unsigned value = 0;
  const char* at = text;
  for (; *at != '\0'; ++at) {
    const int digit = HexDigit(*at);
    if (digit < 0) Raise(kMsgBadKeyUsageText);
    value = value * 16 + static_cast<unsigned>(digit);
    if (value > 0xFF) Raise(kMsgBadKeyUsageText);
  }
  if (at == text) Raise(kMsgBadKeyUsageText);
  return static_cast<std::uint8_t>(value);
}

// The usage byte of a KeyUsage BIT STRING's value octets. Normally the first
// octet (the first eight named bits); the second, when present, holds only
// decipherOnly and is not kept. No octet at all means no usage.
//
// Lenient reading: some issuers write the bits as if a 32-bit little-endian
// integer had been written (03 05 01 00 00 00 06), so the usage byte stands last. A string of more than two value octets whose octets before the
// last are all zero is read as that form: X.509 names no bit past decipherOnly
// (bit 8, in the second octet) and DER drops trailing zero octets, so no
// conforming key usage has three octets and none is misread by this.
std::uint8_t UsageByte(ByteView octets) {
  if (octets.empty()) return 0;
  if (octets.size() > 2 &&
      std::all_of(octets.begin(), octets.end() - 1, [](std::uint8_t octet) { return octet == 0; }))
    return octets.back();
  return octets[0];
}

}  // namespace

PKIKeyUsage::PKIKeyUsage() : PKIEntityBase(kOidKeyUsage, 1) {}

ASN1Attribute PKIKeyUsage::ToAttribute() const {
  return MakeAttribute(ASN1Utf8String(String::Formatted("%02X", m_keyUsage).CStr()));
}

ASN1CertExtension PKIKeyUsage::ToExtension() const {
  ASN1BitString bits;
  bits.SetBits(ByteView(&m_keyUsage, 1), 8);
  return MakeExtension(bits);
}

void PKIKeyUsage::FromAttribute(const ASN1Attribute& attribute) {
  m_keyUsage = ParseKeyUsageText(ext::TextOf(attribute.GetFirstValue()).CStr());
}

//   KeyUsage ::= BIT STRING { digitalSignature (0), nonRepudiation (1), ... }
void PKIKeyUsage::FromExtension(const ASN1CertExtension& extension) {
  ASN1BitString bits;
  extension.DecodeValue(bits);
  m_keyUsage = UsageByte(bits.Bytes());
  m_critical = extension.IsCritical() ? 1 : 0;
}

}  // namespace tavrpki
