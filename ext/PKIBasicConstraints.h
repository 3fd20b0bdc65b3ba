// Basic constraints, "2.5.29.19", critical when created.
//   extension: ASN1BasicConstriants (cA always written, the path length only for a CA)
//   attribute: UTF8String |TRUE||n| or |FALSE||n| (ext/TextForms.h)
#pragma once

#include <cstdint>

#include "ext/PKIEntityBase.h"

namespace tavrpki {

class PKIBasicConstraints : public PKIEntityBase {
 public:
  PKIBasicConstraints();

  std::uint8_t GetCA() const { return m_cA; }
  void SetCA(std::uint8_t cA) { m_cA = cA != 0 ? 1 : 0; }
  std::int32_t GetPathLenConstraint() const { return m_pathLenConstraint; }
  void SetPathLenConstraint(std::int32_t pathLen) { m_pathLenConstraint = pathLen; }

  ASN1Attribute ToAttribute() const override;
  ASN1CertExtension ToExtension() const override;
  // The text changes only what it names: a first piece other than TRUE keeps cA.
  void FromAttribute(const ASN1Attribute& attribute) override;
  void FromExtension(const ASN1CertExtension& extension) override;

 private:
  std::uint8_t m_cA = 0;
  std::int32_t m_pathLenConstraint = 0;
};

}  // namespace tavrpki
