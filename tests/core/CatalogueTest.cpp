// The catalogue as written in core/Catalogue.h: every code in its layer's range,
// no entry twice, formats that printf can fill, and Ukrainian texts that the
// compile-time conversion turns into the same Windows-1251 bytes as iconv.
#include <gtest/gtest.h>

#include <algorithm>
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
    bool ascii = true;
    // Each UTF-8 sequence outside ASCII must be one the alphabet above checks.
    for (std::size_t i = 0, length = 1; i < w.utf8.size(); i += length) {
      const unsigned char lead = static_cast<unsigned char>(w.utf8[i]);
      length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
      if (length == 1) continue;
      ascii = false;
      EXPECT_NE(alphabet.find(w.utf8.substr(i, length)), std::string::npos) << w.name;
    }
    EXPECT_TRUE(ascii || w.converted) << w.name << ": a Ukrainian text would reach callers as UTF-8";
  }
}

// Codes lie in their layer's range; no entry is listed twice and only the known
// codes carry two wordings; a format uses only the conversions its throwers fill
// (a stray '%' would make printf read an argument that is not there).
TEST(Catalogue, EntriesAreWellFormed) {
  const std::pair<unsigned long, unsigned long> kRanges[] = {
      {30001, 30003},   {40003, 40014},   {50006, 50058},   {60001, 60002},
      {70000, 70001},   {100000, 100066}, {150000, 150002}, {160000, 160000},
      {230000, 230000}, {280000, 280003},
  };
  const std::regex conversion("%(0x|s|d|x|u)");
  std::set<std::string> names, twice;
  std::set<std::pair<std::string, std::string>> seen;
  std::map<std::string, int> wordings;
  for (const Written& w : ReadCatalogueSource()) {
    SCOPED_TRACE(w.name);
    EXPECT_TRUE(names.insert(w.name).second);
    EXPECT_EQ(std::regex_replace(w.utf8, conversion, "").find('%'), std::string::npos);
    if (w.code == "kNoCode") continue;
    ASSERT_TRUE(std::regex_match(w.code, std::regex("[0-9]+")));
    const unsigned long code = std::stoul(w.code);
    EXPECT_TRUE(std::any_of(std::begin(kRanges), std::end(kRanges),
                            [&](const auto& r) { return code >= r.first && code <= r.second; }));
    EXPECT_TRUE(seen.insert({w.code, w.utf8}).second);
    if (++wordings[w.code] == 2) twice.insert(w.code);
  }
  // 100004: the container name's own text, and any extension a caller names.
  EXPECT_EQ(twice, (std::set<std::string>{"50043", "100004", "100034"}));
}

}  // namespace
