#include "ext/PKIRndCryptDKE.h"

#include <algorithm>

#include "asn1/ASN1BitString.h"
#include "core/OidTable.h"
#include "ext/ValueForms.h"

namespace tavrpki {
namespace {

ASN1BitString BothSBoxes(const PKIRndCryptDKE::SBox& random, const PKIRndCryptDKE::SBox& crypt) {
  std::array<std::uint8_t, 2 * PKIRndCryptDKE::kSBoxSize> bytes;
  std::copy(random.begin(), random.end(), bytes.begin());
  std::copy(crypt.begin(), crypt.end(), bytes.begin() + PKIRndCryptDKE::kSBoxSize);
  ASN1BitString bits;
  bits.SetBits(bytes, 8 * bytes.size());
  return bits;
}

}  // namespace

PKIRndCryptDKE::PKIRndCryptDKE() : PKIEntityBase(GetOidRoot6().c_str(), 1) {}

void PKIRndCryptDKE::SetRandomSBox(std::span<const std::uint8_t, kSBoxSize> sbox) {
  std::copy(sbox.begin(), sbox.end(), m_randomSBox.begin());
}

void PKIRndCryptDKE::SetCryptSBox(std::span<const std::uint8_t, kSBoxSize> sbox) {
  std::copy(sbox.begin(), sbox.end(), m_cryptSBox.begin());
}

ASN1Attribute PKIRndCryptDKE::ToAttribute() const {
  return MakeAttribute(BothSBoxes(m_randomSBox, m_cryptSBox).ToPrimitive());
}

ASN1CertExtension PKIRndCryptDKE::ToExtension() const { return MakeExtension(BothSBoxes(m_randomSBox, m_cryptSBox)); }

void PKIRndCryptDKE::TakeSBoxes(const ASN1BitString& bits) {
  // Too short a string is no error: both S-boxes simply stay as they were.
  if (bits.Size() < 2 * kSBoxSize) return;
  const std::uint8_t* bytes = bits.Data();
  std::copy(bytes, bytes + kSBoxSize, m_randomSBox.begin());
  std::copy(bytes + kSBoxSize, bytes + 2 * kSBoxSize, m_cryptSBox.begin());
}

void PKIRndCryptDKE::FromAttribute(const ASN1Attribute& attribute) {
  ASN1BitString bits;
  ext::DecodeElement(attribute.GetFirstValue(), bits);
  TakeSBoxes(bits);
}

// Read as the attribute is; the flag is taken even when the string is too short.
void PKIRndCryptDKE::FromExtension(const ASN1CertExtension& extension) {
  ASN1BitString bits;
  extension.DecodeValue(bits);
  m_critical = extension.IsCritical() ? 1 : 0;
  TakeSBoxes(bits);
}

}  // namespace tavrpki
