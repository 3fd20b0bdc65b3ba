// Windows-1251 <-> UTF-8 against tests/data/codepage.vec, and system error texts.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "platform/CodePage.h"
#include "platform/SystemError.h"
#include "support/VectorFile.h"

namespace {

using tavrpki::platform::Cp1251ToUtf8;
using tavrpki::platform::Utf8ToCp1251;
TEST(PlatformCodePage, KnownCharactersRefusalsAndSubstitutions) {
  for (const auto& v : tavrpki::test::ReadVectorFile("codepage.vec")) {
    SCOPED_TRACE(v.Where());
    const auto text = [&](const char* key) { const auto b = v.Bytes(key); return std::string(b.begin(), b.end()); };
    std::string out = "junk";
    if (v.section == "RoundTrip") {
      const std::string cp1251 = text("cp1251"), utf8 = text("utf8");
      EXPECT_EQ(Cp1251ToUtf8(cp1251, out), 0);
      EXPECT_EQ(out, utf8);
      EXPECT_EQ(Utf8ToCp1251(utf8, out), 0);
      EXPECT_EQ(out, cp1251);
    } else if (v.section == "Refused") {
      EXPECT_EQ(Cp1251ToUtf8(text("in"), out), v.Get("error") == "EINVAL" ? EINVAL : EILSEQ);
      EXPECT_TRUE(out.empty());
    } else {
      std::size_t count = 99;
      EXPECT_EQ(Utf8ToCp1251(text("in"), out, &count), 0);
      EXPECT_EQ(out, text("out"));
      EXPECT_EQ(count, std::stoul(v.Get("count")));
    }
    v.ExpectAllUsed();
  }
  // A substitution leaves no state behind for the next call on the same thread.
  std::string out;
  EXPECT_EQ(Utf8ToCp1251("Ї", out), 0);
  EXPECT_EQ(out, "\xAF");
}

TEST(PlatformCodePage, EveryDefinedByteRoundTrips) {
  std::string all, utf8, back;
  for (int b = 0; b < 256; ++b)
    if (b != 0x98) all.push_back(static_cast<char>(b));
  ASSERT_EQ(Cp1251ToUtf8(all, utf8), 0);
  ASSERT_EQ(Utf8ToCp1251(utf8, back), 0);
  EXPECT_EQ(back, all);
}

TEST(PlatformSystemError, KnownAndUnknownNumbers) {
  EXPECT_EQ(tavrpki::platform::SystemErrorText(ENOENT), "No such file or directory");
  EXPECT_EQ(tavrpki::platform::SystemErrorText(-7), "Decription for error not found. Error: -7");
}

}  // namespace
