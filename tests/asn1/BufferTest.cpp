// Blob and String: the storage rules and text forms other code relies on.
#include "tests/asn1/Support.h"

namespace tavrpki::test {
namespace {

TEST(Blob, ResizeGrowAppendWriteAtAndAt) {
  Blob resized(B("010203"));
  resized.Resize(300);  // beyond the capacity: the contents go
  EXPECT_EQ(resized.Data()[0], 0);
  Blob grown(B("010203"));
  grown.Grow(300);  // the contents stay
  EXPECT_EQ(H(Blob(grown.Data(), 3)), "010203");
  grown.Grow(2);  // shrinking only lowers the size
  EXPECT_EQ(H(grown), "0102");

  Blob blob(B("0102"));
  for (int i = 0; i < 9; ++i) blob.Append(blob);  // its own bytes, reallocating on the way
  ASSERT_EQ(blob.Size(), 1024u);
  for (std::uint32_t i = 0; i < blob.Size(); ++i) ASSERT_EQ(blob.Data()[i], i % 2 == 0 ? 1 : 2) << i;
  Blob window(B("0102030405"));
  window.WriteAt(window.Data() + 1, 4, 3);
  EXPECT_EQ(H(window), "01020302030405");

  EXPECT_EQ(window.At(7), window.Data() + 7);  // one past the end, no further
  EXPECT_EQ(Catch([&] { window.At(8); }).message, "Blob: out of buffer");
  String text;
  B("00FFA5").Serialize(text);
  EXPECT_STREQ(text.CStr(), "00FFA5");
  std::uint8_t small[1];
  EXPECT_EQ(Catch([&] { HexDecode("AABB", small); }).message,
            "Помилка кодування даних: некоректне значення вхідного параметру");
}

TEST(String, SubstringAppendAndComparison) {
  const String abc("abc");
  EXPECT_STREQ(abc.Substring(1, 2).CStr(), "bc");
  EXPECT_STREQ(abc.Substring(3, 0).CStr(), "");
  EXPECT_EQ(Catch([&] { abc.Substring(2, 2); }).message, "String: Out of buffer");

  String text("ab");
  text.Append(String("cd"));
  text.Append(text);
  EXPECT_STREQ(text.CStr(), "abcdabcd");
  EXPECT_EQ(text.Size(), 9u);  // one NUL, not one per append
  EXPECT_FALSE(String().Equals(String("")));  // sizes 0 and 1
  EXPECT_TRUE(String().Equals(""));
  EXPECT_TRUE(String("B").Less(String("a")));  // byte order
  EXPECT_FALSE(String("ab").StartsWith(String("abc")));
}

}  // namespace
}  // namespace tavrpki::test
