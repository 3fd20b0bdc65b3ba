#include "ext/PKIKeyUsage.h"

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
  // Only the first octet is held (the first eight named bits); a longer string,
  // as some issuers write, loses the rest. No octet at all means no usage.
  m_keyUsage = bits.Bytes().IsEmpty() ? 0 : bits.Bytes().Data()[0];
  m_critical = extension.IsCritical() ? 1 : 0;
}

}  // namespace tavrpki
