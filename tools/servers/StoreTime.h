// The certificate store's form of a time, "YYYYMMDDHHMMSSZ" (UTC), and back. For
// the servers and the tool alike.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

#include "platform/Time.h"

namespace tavrpki::servers {

inline std::string StoreTime(const _SYSTEMTIME& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%04u%02u%02u%02u%02u%02uZ", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                t.wSecond);
  return text;
}

// The store checked the form when it recorded the time, so this never fails: a
// short text leaves the missing fields 0.
inline _SYSTEMTIME FromStoreTime(const std::string& text) {
  const auto number = [&](std::size_t at, std::size_t count) {
    WORD value = 0;
    for (std::size_t i = at; i < at + count && i < text.size(); ++i)
      value = static_cast<WORD>(value * 10 + (text[i] - '0'));
    return value;
  };
  _SYSTEMTIME time{};
  time.wYear = number(0, 4);
  time.wMonth = number(4, 2);
  time.wDay = number(6, 2);
  time.wHour = number(8, 2);
  time.wMinute = number(10, 2);
  time.wSecond = number(12, 2);
  return time;
}

}  // namespace tavrpki::servers
