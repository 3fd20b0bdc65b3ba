// The catalogue as written in core/Catalogue.h: every code in its layer's range,
// no entry twice, formats that printf can fill, and Ukrainian texts that the
// compile-time conversion turns into the same Windows-1251 bytes as iconv.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "core/Catalogue.h"
#include "core/Cp1251.h"
#include "platform/CodePage.h"

namespace {

using namespace tavrpki;

struct Written {
  std::string name;
  std::string code;  // decimal, or "kNoCode"
  bool converted;    // written as Cp1251<"...">
  std::string utf8;
};

std::vector<Written> ReadCatalogueSource() {
  std::ifstream file(TAVRPKI_SOURCE_DIR "/core/Catalogue.h", std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  const std::string source = text.str();
  const std::regex entry(R"re(Message (\w+)\{(\w+), (Cp1251<)?"((?:[^"\\]|\\.)*)">?\};)re");
  std::vector<Written> out;
  for (auto it = std::sregex_iterator(source.begin(), source.end(), entry); it != std::sregex_iterator(); ++it)
    out.push_back({(*it)[1], (*it)[2], (*it)[3].matched, (*it)[4]});
  EXPECT_GT(out.size(), 120u) << "the catalogue no longer reads as this test expects";
  return out;
}

bool IsNumber(const std::string& code) { return std::regex_match(code, std::regex("[0-9]+")); }

// Every letter of both alphabets and every other character the code page holds
// above ASCII that messages may use.
constexpr char kAlphabet[] =
    "АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯабвгдежзийклмнопрстуфхцчшщъыьэюя"
    "ЁёЄєІіЇїҐґ№«»–— mixed with ASCII: 0x%0x.";

TEST(Catalogue, TheCompileTimeConversionAgreesWithIconvOnEveryCharacterUsed) {
  std::string expected;
  ASSERT_EQ(platform::Utf8ToCp1251(kAlphabet, expected), 0);
  EXPECT_EQ(std::string(Cp1251<kAlphabet>), expected);

  const std::string alphabet = kAlphabet;
  for (const Written& w : ReadCatalogueSource()) {
    SCOPED_TRACE(w.name);
    bool ascii = true;
    // Each UTF-8 sequence outside ASCII must be one the alphabet above checks.
    for (std::size_t i = 0; i < w.utf8.size();) {
      const unsigned char lead = static_cast<unsigned char>(w.utf8[i]);
      const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
      if (length > 1) {
        ascii = false;
        EXPECT_NE(alphabet.find(w.utf8.substr(i, length)), std::string::npos) << w.utf8.substr(i, length);
      }
      i += length;
    }
    EXPECT_TRUE(ascii || w.converted) << "a Ukrainian text would reach callers as UTF-8";
  }
}

TEST(Catalogue, CodesLieInTheirLayersRanges) {
  const std::pair<unsigned long, unsigned long> kRanges[] = {
      {30001, 30003},   {40003, 40013},   {50006, 50058},   {60001, 60002},
      {70000, 70001},   {100000, 100066}, {150000, 150002}, {160000, 160000},
      {230000, 230000}, {280000, 280003},
  };
  for (const Written& w : ReadCatalogueSource()) {
    if (!IsNumber(w.code)) {
      EXPECT_EQ(w.code, "kNoCode") << w.name;
      continue;
    }
    const unsigned long code = std::stoul(w.code);
    bool inRange = false;
    for (const auto& [low, high] : kRanges) inRange |= code >= low && code <= high;
    EXPECT_TRUE(inRange) << w.name << " " << code;
  }
}

TEST(Catalogue, NoEntryIsListedTwiceAndOnlyTheKnownCodesCarryTwoWordings) {
  std::set<std::string> names;
  std::set<std::pair<std::string, std::string>> seen;
  std::map<std::string, int> wordings;
  for (const Written& w : ReadCatalogueSource()) {
    EXPECT_TRUE(names.insert(w.name).second) << w.name;
    if (!IsNumber(w.code)) continue;
    EXPECT_TRUE(seen.insert({w.code, w.utf8}).second) << w.name;
    ++wordings[w.code];
  }
  std::set<std::string> twice;
  for (const auto& [code, count] : wordings)
    if (count > 1) twice.insert(code);
  EXPECT_EQ(twice, (std::set<std::string>{"50043", "100034"}));
}

TEST(Catalogue, FormatsUseOnlyTheConversionsTheirThrowersFill) {
  // A stray '%' in a message would make printf read an argument that is not there.
  const std::regex conversion("%(0x|s|d|x|u)");
  for (const Written& w : ReadCatalogueSource())
    EXPECT_EQ(std::regex_replace(w.utf8, conversion, "").find('%'), std::string::npos) << w.name;
}

}  // namespace
