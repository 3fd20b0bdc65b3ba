#include "ext/TextForms.h"

#include <cstdlib>
#include <limits>
#include <string>

namespace tavrpki {

String ListText(const std::vector<String>& items) {
  std::string text;
  for (const String& item : items) text.append("|").append(item.CStr()).append("|");
  return String(text.c_str());
}

std::vector<String> ParseListText(const char* text) {
  std::vector<String> items;
  const char* start = text;
  for (const char* at = text;; ++at) {
    if (*at != '|' && *at != '\0') continue;
    if (at != start) items.push_back(String(std::string(start, at).c_str()));
    if (*at == '\0') break;
    start = at + 1;
  }
  return items;
}

String BasicConstraintsText(std::uint8_t cA, std::int32_t pathLenConstraint) {
  return String::Formatted("|%s||%d|", cA == 1 ? "TRUE" : "FALSE", pathLenConstraint);
}

void ApplyBasicConstraintsText(const char* text, std::uint8_t& cA, std::int32_t& pathLenConstraint) {
  const std::vector<String> pieces = ParseListText(text);
  if (!pieces.empty() && pieces[0].Equals("TRUE")) cA = 1;
  if (pieces.size() >= 2) {
    // As a C decimal conversion reads it: no digits give 0, and a value beyond
    // the 32-bit range stops at its end instead of wrapping.
    const long long value = std::strtoll(pieces[1].CStr(), nullptr, 10);
    pathLenConstraint = static_cast<std::int32_t>(
        value < std::numeric_limits<std::int32_t>::min()   ? std::numeric_limits<std::int32_t>::min()
        : value > std::numeric_limits<std::int32_t>::max() ? std::numeric_limits<std::int32_t>::max()
                                                           : value);
  }
}

}  // namespace tavrpki
