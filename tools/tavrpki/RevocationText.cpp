#include "RevocationText.h"

#include <cstdio>
#include <iterator>

namespace tavrpki::tool {

std::string ReasonName(unsigned char reason) {
  // 7 is not used by RFC 5280.
  static const char* const kNames[] = {"unspecified",        "keyCompromise", "cACompromise",
                                       "affiliationChanged", "superseded",    "cessationOfOperation",
                                       "certificateHold",    nullptr,         "removeFromCRL",
                                       "privilegeWithdrawn", "aACompromise"};
  if (reason == 255) return "-";
  if (reason < std::size(kNames) && kNames[reason] != nullptr) return kNames[reason];
  return "reason " + std::to_string(reason);
}

std::string DateText(const _SYSTEMTIME& time) {
  char text[40];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u UTC", time.wYear, time.wMonth, time.wDay,
                time.wHour, time.wMinute, time.wSecond);
  return text;
}

}  // namespace tavrpki::tool
