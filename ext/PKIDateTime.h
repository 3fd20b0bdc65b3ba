// A validity period in years, months and days, root.8 (core/OidTable.h), not
// critical when created; the certificate API sets notAfter from notBefore with it.
//   extension and attribute alike: UTF8String "%dY%dM%dD", for example "1Y0M0D"
#pragma once

#include <cstdint>

#include "ext/PKIEntityBase.h"

namespace tavrpki {

class PKIDateTime : public PKIEntityBase {
 public:
  PKIDateTime();

  std::int32_t GetYears() const { return m_years; }
  std::int32_t GetMonths() const { return m_months; }
  std::int32_t GetDays() const { return m_days; }
  void SetPeriod(std::int32_t years, std::int32_t months, std::int32_t days);

  ASN1Attribute ToAttribute() const override;
  ASN1CertExtension ToExtension() const override;
  // A text that is not three signed decimals each followed by its letter (Y, M,
  // D) fails with kMsgBadPeriodText and changes nothing.
  void FromAttribute(const ASN1Attribute& attribute) override;
  void FromExtension(const ASN1CertExtension& extension) override;

 private:
  std::int32_t m_years = 0;
  std::int32_t m_months = 0;
  std::int32_t m_days = 0;
};

}  // namespace tavrpki
