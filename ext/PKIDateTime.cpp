#include "ext/PKIDateTime.h"

#include <array>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "asn1/ASN1Utf8String.h"
#include "core/OidTable.h"
#include "ext/HandlerMessages.h"
#include "ext/ValueForms.h"

namespace tavrpki {
namespace {

String PeriodText(std::int32_t years, std::int32_t months, std::int32_t days) {
  return String::Formatted("%dY%dM%dD", years, months, days);
}

// "%dY%dM%dD": three signed decimals, each followed by its letter, nothing after.
std::array<std::int32_t, 3> ParsePeriodText(const char* text) {
  std::array<std::int32_t, 3> fields{};
  const char* at = text;
  const char letters[] = {'Y', 'M', 'D'};
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (!(*at == '-' || *at == '+' || (*at >= '0' && *at <= '9'))) Raise(kMsgBadPeriodText);
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(at, &end, 10);
    if (end == at || errno == ERANGE || value < INT32_MIN || value > INT32_MAX || *end != letters[i])
      Raise(kMsgBadPeriodText);
    fields[i] = static_cast<std::int32_t>(value);
    at = end + 1;
  }
  if (*at != '\0') Raise(kMsgBadPeriodText);
  return fields;
}

}  // namespace

PKIDateTime::PKIDateTime() : PKIEntityBase(GetOidRoot8().c_str(), 0) {}

void PKIDateTime::SetPeriod(std::int32_t years, std::int32_t months, std::int32_t days) {
  m_years = years;
  m_months = months;
  m_days = days;
}

ASN1Attribute PKIDateTime::ToAttribute() const {
  return MakeAttribute(ASN1Utf8String(PeriodText(m_years, m_months, m_days).CStr()));
}

ASN1CertExtension PKIDateTime::ToExtension() const {
  return MakeExtension(ASN1Utf8String(PeriodText(m_years, m_months, m_days).CStr()));
}

void PKIDateTime::FromAttribute(const ASN1Attribute& attribute) {
  const auto [years, months, days] = ParsePeriodText(ext::TextOf(attribute.GetFirstValue()).CStr());
  SetPeriod(years, months, days);
}

void PKIDateTime::FromExtension(const ASN1CertExtension& extension) {
  const auto [years, months, days] = ParsePeriodText(ext::TextOf(ext::ValueElementOf(extension)).CStr());
  SetPeriod(years, months, days);
  m_critical = extension.IsCritical() ? 1 : 0;
}

}  // namespace tavrpki
