// Key usage, "2.5.29.15", critical when created.
//   extension: KeyUsage ::= BIT STRING, written as 8 bits holding the byte
//              (0x86 gives 03 02 00 86)
//   attribute: UTF8String, the byte as two upper-case hex digits ("86")
#pragma once

#include <cstdint>

#include "ext/PKIEntityBase.h"

namespace tavrpki {

class PKIKeyUsage : public PKIEntityBase {
 public:
  PKIKeyUsage();

  // Bit 7 of the byte is the first named bit (digitalSignature), as the BIT
  // STRING's first octet holds it.
  std::uint8_t GetKeyUsage() const { return m_keyUsage; }
  void SetKeyUsage(std::uint8_t keyUsage) { m_keyUsage = keyUsage; }

  ASN1Attribute ToAttribute() const override;
  ASN1CertExtension ToExtension() const override;
  void FromAttribute(const ASN1Attribute& attribute) override;
  void FromExtension(const ASN1CertExtension& extension) override;

 private:
  std::uint8_t m_keyUsage = 0;
};

}  // namespace tavrpki
