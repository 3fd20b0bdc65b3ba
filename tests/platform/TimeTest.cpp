// File time <-> calendar time. Reference values come from the Unix epoch
// (1970-01-01 = 116444736000000000 ticks) and Unix timestamps, not from this code.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>

#include "platform/Time.h"

namespace {

using tavrpki::platform::FromTicks;
using tavrpki::platform::Ticks;

constexpr std::uint64_t kUnixEpoch = 116444736000000000ull;
constexpr std::uint64_t FromUnix(std::int64_t seconds, unsigned milliseconds = 0) {
  return kUnixEpoch + static_cast<std::uint64_t>(seconds) * 10'000'000ull + milliseconds * 10'000ull;
}

struct KnownDate {
  SYSTEMTIME time;  // year, month, day of week, day, hour, minute, second, ms
  std::uint64_t ticks;
};

const KnownDate kKnownDates[] = {  // year, month, day of week (0 = Sunday), day, ...
    {{1601, 1, 1, 1, 0, 0, 0, 0}, 0},                                   // a Monday
    {{1601, 1, 1, 1, 0, 0, 0, 1}, 10'000},
    {{1970, 1, 4, 1, 0, 0, 0, 0}, kUnixEpoch},                          // a Thursday
    {{1969, 12, 3, 31, 23, 59, 59, 999}, kUnixEpoch - 10'000},
    {{1900, 2, 3, 28, 23, 59, 59, 0}, FromUnix(-2'203'891'201)},
    {{1900, 3, 4, 1, 0, 0, 0, 0}, FromUnix(-2'203'891'200)},            // 1900 has no 29 February
    {{2000, 1, 6, 1, 0, 0, 0, 0}, FromUnix(946'684'800)},
    {{2000, 2, 2, 29, 12, 34, 56, 789}, FromUnix(951'827'696, 789)},    // 2000 has one
    {{2038, 1, 2, 19, 3, 14, 8, 0}, FromUnix(2'147'483'648)},           // past 32-bit time_t
    {{2100, 3, 1, 1, 0, 0, 0, 0}, FromUnix(4'107'542'400)},
};

TEST(PlatformTime, KnownDatesConvertBothWays) {
  for (const auto& known : kKnownDates) {
    SCOPED_TRACE(testing::Message() << known.time.wYear << "-" << known.time.wMonth << "-"
                                    << known.time.wDay);
    FILETIME file{};
    ASSERT_TRUE(SystemTimeToFileTime(&known.time, &file));
    EXPECT_EQ(Ticks(file), known.ticks);
    SYSTEMTIME back{};
    ASSERT_TRUE(FileTimeToSystemTime(&file, &back));
    EXPECT_EQ(std::memcmp(&back, &known.time, sizeof back), 0) << "day of week " << back.wDayOfWeek;
  }
}

TEST(PlatformTime, RangeEnds) {
  // The largest file time Windows converts, and the first it refuses.
  FILETIME last = FromTicks(0x7FFFFFFFFFFFFFFFull);
  SYSTEMTIME time{};
  ASSERT_TRUE(FileTimeToSystemTime(&last, &time));
  const SYSTEMTIME expected{30828, 9, 4, 14, 2, 48, 5, 477};  // a Thursday
  EXPECT_EQ(std::memcmp(&time, &expected, sizeof time), 0);
  FILETIME tooLarge = FromTicks(0x8000000000000000ull);
  EXPECT_FALSE(FileTimeToSystemTime(&tooLarge, &time));

  SYSTEMTIME latest{30827, 12, 0, 31, 23, 59, 59, 999};
  FILETIME file{};
  ASSERT_TRUE(SystemTimeToFileTime(&latest, &file));
  EXPECT_LT(Ticks(file), 0x7FFFFFFFFFFFFFFFull);
}

TEST(PlatformTime, InvalidCalendarFieldsAreRefusedAndLeaveTheOutputAlone) {
  const SYSTEMTIME kBad[] = {
      {1600, 12, 0, 31, 0, 0, 0, 0}, {30828, 1, 0, 1, 0, 0, 0, 0}, {2020, 0, 0, 1, 0, 0, 0, 0},
      {2020, 13, 0, 1, 0, 0, 0, 0},  {2020, 1, 0, 0, 0, 0, 0, 0},   {2020, 1, 0, 32, 0, 0, 0, 0},
      {1900, 2, 0, 29, 0, 0, 0, 0},  {2000, 2, 0, 30, 0, 0, 0, 0},  {2021, 4, 0, 31, 0, 0, 0, 0},
      {2020, 1, 0, 1, 24, 0, 0, 0},  {2020, 1, 0, 1, 0, 60, 0, 0},  {2020, 1, 0, 1, 0, 0, 60, 0},
      {2020, 1, 0, 1, 0, 0, 0, 1000},
  };
  for (const auto& bad : kBad) {
    FILETIME file{0x12345678, 0x9ABCDEF0};
    EXPECT_FALSE(SystemTimeToFileTime(&bad, &file)) << bad.wYear << "-" << bad.wMonth << "-" << bad.wDay;
    EXPECT_EQ(file.dwLowDateTime, 0x12345678u);
    EXPECT_EQ(file.dwHighDateTime, 0x9ABCDEF0u);
  }
  // The day of the week is not checked on the way in.
  SYSTEMTIME ignoredWeekday{2020, 1, 6, 1, 0, 0, 0, 0};
  FILETIME file{};
  EXPECT_TRUE(SystemTimeToFileTime(&ignoredWeekday, &file));
}

TEST(PlatformTime, RandomFileTimesRoundTripToTheMillisecond) {
  std::mt19937_64 random(1601);
  for (int i = 0; i < 20'000; ++i) {
    const std::uint64_t ticks = random() >> 2;  // up to year 16214, inside both ranges
    FILETIME file = FromTicks(ticks);
    SYSTEMTIME time{};
    ASSERT_TRUE(FileTimeToSystemTime(&file, &time));
    FILETIME back{};
    ASSERT_TRUE(SystemTimeToFileTime(&time, &back)) << ticks;
    ASSERT_EQ(Ticks(back), ticks - ticks % 10'000) << ticks;
  }
}

TEST(PlatformTime, CompareUsesTheHighWordFirst) {
  const FILETIME early{0xFFFFFFFF, 1}, late{0, 2};
  EXPECT_EQ(CompareFileTime(&early, &late), -1);
  EXPECT_EQ(CompareFileTime(&late, &early), 1);
  EXPECT_EQ(CompareFileTime(&late, &late), 0);
}

TEST(PlatformTime, ClockAgreesWithTheStandardClock) {
  const auto unixNow = std::chrono::duration_cast<std::chrono::seconds>(
                           std::chrono::system_clock::now().time_since_epoch())
                           .count();
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  const auto fileSeconds = static_cast<std::int64_t>((Ticks(now) - kUnixEpoch) / 10'000'000);
  EXPECT_LE(std::abs(fileSeconds - unixNow), 2);

  SYSTEMTIME utc{}, local{};
  GetSystemTime(&utc);
  GetLocalTime(&local);
  FILETIME utcFile{}, localFile{};
  ASSERT_TRUE(SystemTimeToFileTime(&utc, &utcFile));
  ASSERT_TRUE(SystemTimeToFileTime(&local, &localFile));
  // Time zones lie within 14 hours of UTC.
  const auto gap = static_cast<std::int64_t>(Ticks(localFile) - Ticks(utcFile)) / 10'000'000;
  EXPECT_LE(std::abs(gap), 14 * 3600 + 5);
}

}  // namespace
