#include "platform/Time.h"

#include <time.h>

namespace {

constexpr std::uint64_t kTicksPerMillisecond = 10'000;
constexpr std::uint64_t kTicksPerSecond = 10'000'000;
constexpr std::uint64_t kTicksPerDay = 86'400 * kTicksPerSecond;
// Days from 1601-01-01 to 1970-01-01.
constexpr std::int64_t kUnixEpochDay = 134'774;

bool IsLeap(std::int64_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(std::int64_t year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

// Days since 1601-01-01 of a proleptic Gregorian date (era-based, so no loops).
std::int64_t DaysFromCivil(std::int64_t year, int month, int day) {
  year -= month <= 2;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const std::int64_t yearOfEra = year - era * 400;
  const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  const std::int64_t daysSince1970 = era * 146'097 + dayOfEra - 719'468;
  return daysSince1970 + kUnixEpochDay;
}

void CivilFromDays(std::int64_t days1601, SYSTEMTIME& out) {
  const std::int64_t z = days1601 - kUnixEpochDay + 719'468;
  const std::int64_t era = (z >= 0 ? z : z - 146'096) / 146'097;
  const std::int64_t dayOfEra = z - era * 146'097;
  const std::int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36'524 - dayOfEra / 146'096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t mp = (5 * dayOfYear + 2) / 153;
  const std::int64_t day = dayOfYear - (153 * mp + 2) / 5 + 1;
  const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
  out.wYear = static_cast<WORD>(yearOfEra + era * 400 + (month <= 2));
  out.wMonth = static_cast<WORD>(month);
  out.wDay = static_cast<WORD>(day);
  // 1601-01-01 was a Monday.
  out.wDayOfWeek = static_cast<WORD>((days1601 + 1) % 7);
}

std::uint64_t NowTicks() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<std::uint64_t>(now.tv_sec + kUnixEpochDay * 86'400) * kTicksPerSecond +
         static_cast<std::uint64_t>(now.tv_nsec) / 100;
}

}  // namespace

void GetSystemTimeAsFileTime(FILETIME* time) { *time = tavrpki::platform::FromTicks(NowTicks()); }

void GetSystemTime(SYSTEMTIME* time) {
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  FileTimeToSystemTime(&now, time);
}

void GetLocalTime(SYSTEMTIME* time) {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  tm local{};
  localtime_r(&now.tv_sec, &local);
  time->wYear = static_cast<WORD>(local.tm_year + 1900);
  time->wMonth = static_cast<WORD>(local.tm_mon + 1);
  time->wDayOfWeek = static_cast<WORD>(local.tm_wday);
  time->wDay = static_cast<WORD>(local.tm_mday);
  time->wHour = static_cast<WORD>(local.tm_hour);
  time->wMinute = static_cast<WORD>(local.tm_min);
  // A leap second shows as :59, as Windows never reports :60.
  time->wSecond = static_cast<WORD>(local.tm_sec > 59 ? 59 : local.tm_sec);
  time->wMilliseconds = static_cast<WORD>(now.tv_nsec / 1'000'000);
}

BOOL SystemTimeToFileTime(const SYSTEMTIME* system, FILETIME* file) {
  const SYSTEMTIME& s = *system;
  if (s.wYear < 1601 || s.wYear > 30827 || s.wMonth < 1 || s.wMonth > 12 || s.wDay < 1 ||
      s.wDay > DaysInMonth(s.wYear, s.wMonth) || s.wHour > 23 || s.wMinute > 59 ||
      s.wSecond > 59 || s.wMilliseconds > 999)
    return FALSE;
  const auto days = static_cast<std::uint64_t>(DaysFromCivil(s.wYear, s.wMonth, s.wDay));
  const std::uint64_t seconds = s.wHour * 3600u + s.wMinute * 60u + s.wSecond;
  *file = tavrpki::platform::FromTicks(days * kTicksPerDay + seconds * kTicksPerSecond +
                                       s.wMilliseconds * kTicksPerMillisecond);
  return TRUE;
}

BOOL FileTimeToSystemTime(const FILETIME* file, SYSTEMTIME* system) {
  const std::uint64_t ticks = tavrpki::platform::Ticks(*file);
  if (ticks >> 63) return FALSE;
  SYSTEMTIME out{};
  CivilFromDays(static_cast<std::int64_t>(ticks / kTicksPerDay), out);
  const std::uint64_t inDay = ticks % kTicksPerDay;
  const std::uint64_t seconds = inDay / kTicksPerSecond;
  out.wHour = static_cast<WORD>(seconds / 3600);
  out.wMinute = static_cast<WORD>(seconds / 60 % 60);
  out.wSecond = static_cast<WORD>(seconds % 60);
  out.wMilliseconds = static_cast<WORD>(inDay % kTicksPerSecond / kTicksPerMillisecond);
  *system = out;
  return TRUE;
}

LONG CompareFileTime(const FILETIME* first, const FILETIME* second) {
  const std::uint64_t a = tavrpki::platform::Ticks(*first);
  const std::uint64_t b = tavrpki::platform::Ticks(*second);
  return a < b ? -1 : (a > b ? 1 : 0);
}

std::int64_t tavrpki::platform::RealTimeNanoseconds() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}
