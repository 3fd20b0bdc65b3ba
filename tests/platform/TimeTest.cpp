// File time <-> calendar time against tests/data/filetime.vec, random round
// trips, and the system clock.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <random>
#include <sstream>

#include "platform/Time.h"
#include "support/VectorFile.h"

namespace {

using tavrpki::platform::FromTicks;
using tavrpki::platform::Ticks;

SYSTEMTIME ParseTime(const std::string& text) {
  SYSTEMTIME t{};
  std::istringstream(text) >> t.wYear >> t.wMonth >> t.wDayOfWeek >> t.wDay >> t.wHour >> t.wMinute >> t.wSecond >>
      t.wMilliseconds;
  return t;
}

TEST(PlatformTime, KnownDatesAndRefusals) {
  for (const auto& v : tavrpki::test::ReadVectorFile("filetime.vec")) {
    SCOPED_TRACE(v.Where());
    FILETIME file{0x12345678, 0x9ABCDEF0};
    const bool refused = v.Get("time") == "refused";
    const SYSTEMTIME time = refused ? SYSTEMTIME{} : ParseTime(v.Get("time"));
    if (v.section == "Refused") {
      EXPECT_FALSE(SystemTimeToFileTime(&time, &file));
      EXPECT_EQ(Ticks(file), 0x9ABCDEF012345678ull);  // the output is left alone
      continue;
    }
    const std::uint64_t ticks = std::stoull(v.Get("ticks"));
    if (v.section == "BothWays") {
      ASSERT_TRUE(SystemTimeToFileTime(&time, &file));
      EXPECT_EQ(Ticks(file), ticks);
    }
    file = FromTicks(ticks);
    SYSTEMTIME back{};
    ASSERT_EQ(FileTimeToSystemTime(&file, &back), !refused);
    EXPECT_TRUE(refused || std::memcmp(&back, &time, sizeof back) == 0) << "day of week " << back.wDayOfWeek;
  }
}

// Also ordering: comparing the low word first would go wrong about half the time.
TEST(PlatformTime, RandomFileTimesRoundTripAndCompare) {
  std::mt19937_64 random(1601);
  for (int i = 0; i < 20'000; ++i) {
    const std::uint64_t ticks = random() >> 2;  // up to year 16214, inside both ranges
    FILETIME file = FromTicks(ticks), back{};
    SYSTEMTIME time{};
    ASSERT_TRUE(FileTimeToSystemTime(&file, &time));
    ASSERT_TRUE(SystemTimeToFileTime(&time, &back)) << ticks;
    ASSERT_EQ(Ticks(back), ticks - ticks % 10'000) << ticks;
    const FILETIME other = FromTicks(random() >> 2);
    ASSERT_EQ(CompareFileTime(&file, &other), ticks < Ticks(other) ? -1 : ticks > Ticks(other) ? 1 : 0) << ticks;
    ASSERT_EQ(CompareFileTime(&file, &file), 0);
  }
}

TEST(PlatformTime, ClockAgreesWithTheStandardClock) {
  const auto unixNow =
      std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
  FILETIME now{}, utcFile{};
  GetSystemTimeAsFileTime(&now);
  const auto fileSeconds = static_cast<std::int64_t>((Ticks(now) - 116444736000000000ull) / 10'000'000);
  EXPECT_LE(std::abs(fileSeconds - unixNow), 2);
  SYSTEMTIME utc{};
  GetSystemTime(&utc);
  ASSERT_TRUE(SystemTimeToFileTime(&utc, &utcFile));
  EXPECT_LE(std::abs(static_cast<std::int64_t>(Ticks(utcFile) - Ticks(now))), 20'000'000);
}

}  // namespace
