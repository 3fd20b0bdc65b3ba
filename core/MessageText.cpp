#include "core/MessageText.h"

#include "core/Catalogue.h"
#include "core/Exception.h"
#include "platform/CodePage.h"

namespace tavrpki {

std::string Utf8ForDisplay(std::string_view cp1251) {
  std::string utf8;
  if (platform::Cp1251ToUtf8(cp1251, utf8) == 0) return utf8;
  // Some byte has no character: convert one at a time so the rest still reads.
  std::string one;
  for (std::size_t i = 0; i < cp1251.size(); ++i) {
    if (platform::Cp1251ToUtf8(cp1251.substr(i, 1), one) == 0)
      utf8 += one;
    else
      utf8 += '?';
  }
  return utf8;
}

std::string Cp1251FromUtf8(std::string_view utf8, std::size_t* substituted) {
  std::string cp1251;
  if (const int error = platform::Utf8ToCp1251(utf8, cp1251, substituted); error != 0)
    Raise(kMsgToUnicodeFailed, error);
  return cp1251;
}

std::string MessageAsUtf8(const ExceptionBase& error) {
  const char* message = error.GetErrorMessage();
  return Utf8ForDisplay(message == nullptr ? std::string_view() : std::string_view(message));
}

}  // namespace tavrpki
