// Calendar time and file time in the Windows shapes the library's interface uses.
//
// A FILETIME counts 100-nanosecond ticks since 1601-01-01 00:00:00 UTC. The
// conversions use the proleptic Gregorian calendar and know no leap seconds.
#pragma once

#include <cstdint>

#include "platform/WinTypes.h"

struct _SYSTEMTIME {
  WORD wYear;
  WORD wMonth;      // 1..12
  WORD wDayOfWeek;  // 0 = Sunday
  WORD wDay;        // 1..31
  WORD wHour;
  WORD wMinute;
  WORD wSecond;
  WORD wMilliseconds;
};
using SYSTEMTIME = _SYSTEMTIME;

struct _FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
};
using FILETIME = _FILETIME;

// Current time in UTC.
void GetSystemTime(SYSTEMTIME* time);
// Current time in the process's local time zone.
void GetLocalTime(SYSTEMTIME* time);
void GetSystemTimeAsFileTime(FILETIME* time);

// Fails (FALSE, output untouched) when a field is out of range: year 1601..30827,
// a day the month does not have, hour > 23, minute or second > 59, ms > 999.
// The day of the week is ignored.
BOOL SystemTimeToFileTime(const SYSTEMTIME* system, FILETIME* file);
// Fails (FALSE) for values with the top bit set, as Windows does; fills the day of week.
BOOL FileTimeToSystemTime(const FILETIME* file, SYSTEMTIME* system);
// -1, 0 or 1 as first is earlier than, equal to or later than second.
LONG CompareFileTime(const FILETIME* first, const FILETIME* second);

namespace tavrpki::platform {

inline std::uint64_t Ticks(const FILETIME& time) {
  return static_cast<std::uint64_t>(time.dwHighDateTime) << 32 | time.dwLowDateTime;
}

inline FILETIME FromTicks(std::uint64_t ticks) {
  return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

// The system's real-time clock in nanoseconds since 1970: the clock local file
// systems stamp file times with (FileStamp in platform/File.h).
std::int64_t RealTimeNanoseconds();

}  // namespace tavrpki::platform
