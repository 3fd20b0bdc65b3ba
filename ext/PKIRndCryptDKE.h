// The random-generator and cipher S-boxes, root.6 (core/OidTable.h), critical
// when created; both zero until set.
//   extension and attribute alike: BIT STRING of 2048 bits, the random S-box
//   then the cipher S-box, 128 bytes each (one 4-bit entry per byte)
// Reading a BIT STRING shorter than 256 bytes leaves both S-boxes as they were;
// bytes past the first 256 are not read.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "asn1/ASN1BitString.h"
#include "ext/PKIEntityBase.h"

namespace tavrpki {

class PKIRndCryptDKE : public PKIEntityBase {
 public:
  static constexpr std::size_t kSBoxSize = 128;
  using SBox = std::array<std::uint8_t, kSBoxSize>;

  PKIRndCryptDKE();
  PKIRndCryptDKE(const PKIRndCryptDKE&) = default;
  // Copies both S-boxes (and the OID and flag).
  PKIRndCryptDKE& operator=(const PKIRndCryptDKE&) = default;

  const SBox& GetRandomSBox() const { return m_randomSBox; }
  const SBox& GetCryptSBox() const { return m_cryptSBox; }
  void SetRandomSBox(std::span<const std::uint8_t, kSBoxSize> sbox);
  void SetCryptSBox(std::span<const std::uint8_t, kSBoxSize> sbox);

  ASN1Attribute ToAttribute() const override;
  ASN1CertExtension ToExtension() const override;
  void FromAttribute(const ASN1Attribute& attribute) override;
  void FromExtension(const ASN1CertExtension& extension) override;

 private:
  void TakeSBoxes(const ASN1BitString& bits);

  SBox m_randomSBox{};
  SBox m_cryptSBox{};
};

}  // namespace tavrpki
