#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "platform/CodePage.h"
#include "platform/SystemError.h"

namespace {

using tavrpki::platform::Cp1251ToUtf8;
using tavrpki::platform::Utf8ToCp1251;

TEST(PlatformCodePage, KnownCharacters) {
  struct Case {
    std::string cp1251, utf8;
  };
  const Case kCases[] = {
      {"", ""},
      {"plain ASCII 0-9", "plain ASCII 0-9"},
      {std::string("a\0b", 3), std::string("a\0b", 3)},
      {"\xC0\xFF", "Ая"},
      {"\xA8\xB8\xAA\xBA\xB2\xB3\xAF\xBF\xA5\xB4", "ЁёЄєІіЇїҐґ"},
      {"\xB9\x88\x96\x97\xAB\xBB", "№€–—«»"},
      {"\xCF\xF0\xE8\xE2\xB3\xF2", "Привіт"},
  };
  for (const auto& c : kCases) {
    std::string out = "junk";
    EXPECT_EQ(Cp1251ToUtf8(c.cp1251, out), 0);
    EXPECT_EQ(out, c.utf8);
    EXPECT_EQ(Utf8ToCp1251(c.utf8, out), 0);
    EXPECT_EQ(out, c.cp1251);
  }
}

TEST(PlatformCodePage, EveryDefinedByteRoundTrips) {
  std::string all;
  for (int b = 0; b < 256; ++b)
    if (b != 0x98) all.push_back(static_cast<char>(b));
  std::string utf8, back;
  ASSERT_EQ(Cp1251ToUtf8(all, utf8), 0);
  ASSERT_EQ(Utf8ToCp1251(utf8, back), 0);
  EXPECT_EQ(back, all);
}

TEST(PlatformCodePage, FailuresReportErrnoAndLeaveNothing) {
  struct Case {
    bool toUtf8;
    std::string in;
    int error;
  };
  const Case kCases[] = {
      {true, "ok\x98", EILSEQ},        // the one byte Windows-1251 leaves undefined
      {false, "中", EILSEQ},           // no such character in the code page
      {false, "ok\xFF", EILSEQ},       // not UTF-8 at all
      {false, "ok\xD0", EINVAL},       // a sequence cut short
  };
  for (const auto& c : kCases) {
    std::string out = "junk";
    EXPECT_EQ(c.toUtf8 ? Cp1251ToUtf8(c.in, out) : Utf8ToCp1251(c.in, out), c.error) << c.in;
    EXPECT_TRUE(out.empty());
  }
  // A failure leaves no state behind for the next call on the same thread.
  std::string out;
  EXPECT_EQ(Utf8ToCp1251("Ї", out), 0);
  EXPECT_EQ(out, "\xAF");
}

TEST(PlatformSystemError, KnownAndUnknownNumbers) {
  EXPECT_EQ(tavrpki::platform::SystemErrorText(ENOENT), "No such file or directory");
  EXPECT_EQ(tavrpki::platform::SystemErrorText(123456),
            "Decription for error not found. Error: 123456");
  EXPECT_EQ(tavrpki::platform::SystemErrorText(-7), "Decription for error not found. Error: -7");
}

}  // namespace
