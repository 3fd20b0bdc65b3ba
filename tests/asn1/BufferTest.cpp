// Blob and String: the storage rules and text forms other code relies on.
#include <gtest/gtest.h>

#include "asn1/Blob.h"
#include "asn1/CodecMessages.h"
#include "asn1/Hex.h"
#include "asn1/String.h"
#include "tests/asn1/Support.h"

namespace tavrpki::test {
namespace {

TEST(Blob, CapacityIsTheNextMultipleOf255AboveTheRequest) {
  const struct {
    std::uint32_t request, capacity;
  } cases[] = {{10, 255}, {254, 255}, {255, 510}, {256, 510}, {509, 510}, {510, 765}};
  for (const auto& c : cases) {
    Blob blob;
    blob.Resize(c.request);
    EXPECT_EQ(blob.Capacity(), c.capacity) << c.request;
  }
}

TEST(Blob, ResizeBeyondCapacityDropsContentsGrowKeepsThem) {
  Blob resized(B("010203"));
  resized.Resize(300);
  EXPECT_EQ(resized.Data()[0], 0);
  Blob grown(B("010203"));
  grown.Grow(300);
  EXPECT_EQ(H(Blob(grown.Data(), 3)), "010203");
  grown.Grow(2);  // shrinking only lowers the size
  EXPECT_EQ(H(grown), "0102");
}

TEST(Blob, AppendAndWriteAtCopeWithTheirOwnBytes) {
  Blob blob(B("0102"));
  for (int i = 0; i < 9; ++i) blob.Append(blob);  // reallocates on the way: 2 -> 1024 bytes
  ASSERT_EQ(blob.Size(), 1024u);
  for (std::uint32_t i = 0; i < blob.Size(); ++i) ASSERT_EQ(blob.Data()[i], i % 2 == 0 ? 1 : 2) << i;
  Blob window(B("0102030405"));
  window.WriteAt(window.Data() + 1, 4, 3);
  EXPECT_EQ(H(window), "01020302030405");
}

TEST(Blob, AtAllowsOnePastTheEndOnly) {
  Blob blob(B("AABB"));
  EXPECT_EQ(blob.At(2), blob.Data() + 2);
  EXPECT_EQ(Catch([&] { blob.At(3); }).message, "Blob: out of buffer");
}

TEST(Blob, HexTextForm) {
  String text;
  B("00FFA5").Serialize(text);
  EXPECT_STREQ(text.CStr(), "00FFA5");

  const struct {
    const char* text;
    const char* error;  // nullptr: decodes to `text`
  } cases[] = {
      {"", nullptr},
      {"0A", nullptr},
      {"0a", "Помилка кодування даних: знайдено недопустимий символ"},
      {"0G", "Помилка кодування даних: знайдено недопустимий символ"},
      {"ABC", "Помилка кодування даних:  некоректний розмір закодованих даних"},
  };
  for (const auto& c : cases) {
    Blob blob(B("77"));
    if (c.error == nullptr) {
      blob.Deserialize(String(c.text));
      EXPECT_EQ(H(blob), c.text);
    } else {
      EXPECT_EQ(Catch([&] { blob.Deserialize(String(c.text)); }).message, c.error) << c.text;
      EXPECT_EQ(H(blob), "77") << "a failed Deserialize changed the blob";
    }
  }
  std::uint8_t small[1];
  EXPECT_EQ(Catch([&] { HexDecode("AABB", small); }).message,
            "Помилка кодування даних: некоректне значення вхідного параметру");
}

TEST(String, SubstringAppendAndComparison) {
  const String abc("abc");
  EXPECT_STREQ(abc.Substring(1, 2).CStr(), "bc");
  EXPECT_STREQ(abc.Substring(3, 0).CStr(), "");
  EXPECT_EQ(Catch([&] { abc.Substring(2, 2); }).message, "String: Out of buffer");

  String text;
  EXPECT_STREQ(text.CStr(), "");
  text.Append("ab");
  text.Append(String("cd"));
  text.Append(text);
  EXPECT_STREQ(text.CStr(), "abcdabcd");
  EXPECT_EQ(text.Size(), 9u);  // one NUL, not one per append
  EXPECT_STREQ((String("x") + "y" + String("z")).CStr(), "xyz");

  EXPECT_FALSE(String().Equals(String("")));  // sizes 0 and 1
  EXPECT_TRUE(String().Equals(""));
  EXPECT_TRUE(String("B").Less(String("a")));  // byte order
  EXPECT_TRUE(String("abc").StartsWith(String("ab")));
  EXPECT_FALSE(String("ab").StartsWith(String("abc")));
  EXPECT_STREQ(String::Formatted("%d-%s", 7, "x").CStr(), "7-x");
}

}  // namespace
}  // namespace tavrpki::test
