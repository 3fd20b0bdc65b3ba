// The list text and the basic-constraints text, both ways.
#include <gtest/gtest.h>

#include "ext/TextForms.h"

namespace tavrpki {
namespace {

std::string Joined(const std::vector<String>& items) {
  std::string out;
  for (const String& item : items) out += std::string("<") + item.CStr() + ">";
  return out;
}

TEST(TextForms, ListText) {
  EXPECT_STREQ(ListText({}).CStr(), "");
  EXPECT_STREQ(ListText({"a", "b"}).CStr(), "|a||b|");
  EXPECT_STREQ(ListText({"sign", ""}).CStr(), "|sign|||");  // an empty item does not read back
  struct Row {
    const char* text;
    const char* items;
  };
  const Row rows[] = {
      {"||a|||b|", "<a><b>"}, {"|a||b|", "<a><b>"}, {"a|b", "<a><b>"}, {"a", "<a>"},
      {"", ""},               {"|", ""},           {"||||", ""},       {" | ", "< >< >"},
      {"|a b|", "<a b>"},     {"|Підпис|", "<Підпис>"},
  };
  for (const Row& row : rows) EXPECT_EQ(Joined(ParseListText(row.text)), row.items) << row.text;
}

TEST(TextForms, BasicConstraintsText) {
  EXPECT_STREQ(BasicConstraintsText(1, 0).CStr(), "|TRUE||0|");
  EXPECT_STREQ(BasicConstraintsText(0, 3).CStr(), "|FALSE||3|");
  EXPECT_STREQ(BasicConstraintsText(1, -1).CStr(), "|TRUE||-1|");
  struct Row {
    std::uint8_t cA;
    std::int32_t pathLen;
    const char* text;
    std::uint8_t readCA;
    std::int32_t readPathLen;
  };
  const Row rows[] = {
      {0, 0, "|TRUE||0|", 1, 0},    {1, 5, "|FALSE||3|", 1, 3},  // FALSE leaves cA alone
      {0, 5, "|TRUE|", 1, 5},       {1, 5, "", 1, 5},           {0, 0, "TRUE|2", 1, 2},
      {0, 0, "|True||2|", 0, 2},    {0, 9, "|TRUE||-4|", 1, -4}, {0, 9, "|TRUE||7x|", 1, 7},
      {0, 9, "|TRUE||x7|", 1, 0},   {0, 0, "|TRUE||4294967296|", 1, 2147483647},
      {0, 0, "|X||-99999999999|", 0, -2147483647 - 1},  {0, 0, "|TRUE||1||5|", 1, 1},
  };
  for (const Row& row : rows) {
    std::uint8_t cA = row.cA;
    std::int32_t pathLen = row.pathLen;
    ApplyBasicConstraintsText(row.text, cA, pathLen);
    EXPECT_EQ(cA, row.readCA) << row.text;
    EXPECT_EQ(pathLen, row.readPathLen) << row.text;
  }
}

}  // namespace
}  // namespace tavrpki
