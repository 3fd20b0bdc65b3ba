// `DateTime`: a calendar time in UTC, held as a Windows SYSTEMTIME. All zero
// means "not set". Comparisons and arithmetic go through file time (100 ns ticks
// since 1601); a value that is not a valid date counts as file time 0.
#pragma once

#include <cstdint>

#include "asn1/Serializable.h"
#include "platform/Time.h"

namespace tavrpki {

class DateTime : public Serializable {
 public:
  DateTime() = default;
  explicit DateTime(const SYSTEMTIME& time) : m_time(time) {}
  DateTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

  // A real calendar date (years 1601-30827, the file-time range) and a time of day
  // without leap seconds.
  static bool IsValid(int year, int month, int day, int hour, int minute, int second);

  // The current UTC time.
  void SetNow();
  bool IsEmpty() const;

  int Year() const { return m_time.wYear; }
  int Month() const { return m_time.wMonth; }
  int Day() const { return m_time.wDay; }
  int Hour() const { return m_time.wHour; }
  int Minute() const { return m_time.wMinute; }
  int Second() const { return m_time.wSecond; }
  const SYSTEMTIME& SystemTime() const { return m_time; }

  // Day of week is ignored; milliseconds count.
  bool Greater(const DateTime& other) const { return Compare(other) > 0; }
  bool Less(const DateTime& other) const { return Compare(other) < 0; }
  bool Equal(const DateTime& other) const { return Compare(other) == 0; }
  bool GreaterOrEqual(const DateTime& other) const { return Compare(other) >= 0; }

  // Adds hours × 60 + minutes minutes (either may be negative).
  void AddOffset(int hours, int minutes);
  // Calendar arithmetic: years and months first (a day the new month lacks
  // becomes its last day), then `days` whole days plus the days so dropped
  // (31 January + 1 month = end of February; + 1 month + 1 day = 4 March).
  void AddPeriod(int years, int months, int days);

  // Hexadecimal of the 16 SYSTEMTIME bytes in memory order.
  void Serialize(String& out) const override;
  void Deserialize(const String& in) override;

 private:
  int Compare(const DateTime& other) const;
  std::uint64_t Ticks() const;
  void SetTicks(std::uint64_t ticks);

  SYSTEMTIME m_time{};
};

}  // namespace tavrpki
