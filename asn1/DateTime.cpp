#include "asn1/DateTime.h"

#include <cstring>

#include "asn1/Blob.h"
#include "asn1/CodecMessages.h"
#include "asn1/String.h"

namespace tavrpki {
namespace {

constexpr std::uint64_t kTicksPerMinute = 600'000'000;
constexpr std::uint64_t kTicksPerDay = 1440 * kTicksPerMinute;

bool IsLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

}  // namespace

DateTime::DateTime(int year, int month, int day, int hour, int minute, int second) {
  m_time.wYear = static_cast<WORD>(year);
  m_time.wMonth = static_cast<WORD>(month);
  m_time.wDay = static_cast<WORD>(day);
  m_time.wHour = static_cast<WORD>(hour);
  m_time.wMinute = static_cast<WORD>(minute);
  m_time.wSecond = static_cast<WORD>(second);
}

bool DateTime::IsValid(int year, int month, int day, int hour, int minute, int second) {
  return year >= 1601 && year <= 30827 && month >= 1 && month <= 12 && day >= 1 &&
         day <= DaysInMonth(year, month) && hour >= 0 && hour < 24 && minute >= 0 && minute < 60 &&
         second >= 0 && second < 60;
}

void DateTime::SetNow() { GetSystemTime(&m_time); }

bool DateTime::IsEmpty() const {
  static constexpr SYSTEMTIME kZero{};
  return std::memcmp(&m_time, &kZero, sizeof m_time) == 0;
}

std::uint64_t DateTime::Ticks() const {
  FILETIME file{};
  SystemTimeToFileTime(&m_time, &file);  // an invalid date leaves 0
  return platform::Ticks(file);
}

void DateTime::SetTicks(std::uint64_t ticks) {
  const FILETIME file = platform::FromTicks(ticks);
  SYSTEMTIME time{};
  if (FileTimeToSystemTime(&file, &time)) m_time = time;
}

int DateTime::Compare(const DateTime& other) const {
  const std::uint64_t a = Ticks(), b = other.Ticks();
  return a < b ? -1 : a > b ? 1 : 0;
}

void DateTime::AddOffset(int hours, int minutes) {
  const std::int64_t total = std::int64_t{hours} * 60 + minutes;
  if (total == 0) return;
  // Unsigned arithmetic: an offset beyond the calendar wraps to a value
  // FileTimeToSystemTime refuses, which leaves the time as it was.
  SetTicks(Ticks() + static_cast<std::uint64_t>(total) * kTicksPerMinute);
}

void DateTime::AddPeriod(int years, int months, int days) {
  std::int64_t year = std::int64_t{m_time.wYear} + years;
  std::int64_t month = std::int64_t{m_time.wMonth} + months;  // carried into the year, kept within 1..12
  year += month - 1 >= 0 ? (month - 1) / 12 : -((12 - month) / 12);
  month = ((month - 1) % 12 + 12) % 12 + 1;
  int day = m_time.wDay;
  int dropped = 0;
  while (day > 1 && day > DaysInMonth(static_cast<int>(year % 400 + 400), static_cast<int>(month))) {
    --day;
    ++dropped;
  }
  m_time.wYear = static_cast<WORD>(year);
  m_time.wMonth = static_cast<WORD>(month);
  m_time.wDay = static_cast<WORD>(day);
  if (days != 0) SetTicks(Ticks() + static_cast<std::uint64_t>(std::int64_t{days} + dropped) * kTicksPerDay);
}

void DateTime::Serialize(String& out) const {
  Blob bytes(&m_time, sizeof m_time);
  bytes.Serialize(out);
}

void DateTime::Deserialize(const String& in) {
  Blob bytes;
  bytes.Deserialize(in);
  if (bytes.Size() != sizeof m_time) Raise(kMsgHexBadSize);
  std::memcpy(&m_time, bytes.Data(), sizeof m_time);
}

}  // namespace tavrpki
