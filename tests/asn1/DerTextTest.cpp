// The DER tree printer and the input detection against tests/data/asn1/der-text.vec,
// plus the shapes a vector file cannot hold: nesting far deeper than any stack,
// and the real certificates, whose every value must read without a BAD mark.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "asn1/DerText.h"
#include "asn1/InputForm.h"
#include "core/Exception.h"
#include "core/MessageText.h"
#include "support/VectorFile.h"

namespace tavrpki::test {
namespace {

// Vector values lose their outer blanks; lines are compared the same way.
std::string Trimmed(std::string text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text.substr(std::min(text.size(), text.find_first_not_of(' ')));
}

struct Walk {
  std::vector<std::string> lines;
  DerTextSummary summary;
  std::string error;  // the message the walk stopped with, as UTF-8
};

Walk WalkTree(const std::vector<std::uint8_t>& der) {
  Walk walk;
  try {
    walk.summary = WriteDerTree(der, [&](std::string_view line) { walk.lines.emplace_back(line); });
  } catch (const ExceptionBase& e) {
    walk.error = MessageAsUtf8(e);
  }
  return walk;
}

// The value part of a line: what follows the tag name column and its colon.
std::string ValueOf(const std::string& line) {
  const std::string rest = line.substr(line.find(": ") + 2);
  return rest.size() > 18 && rest[18] == ':' ? rest.substr(19) : "";
}

const char* FormName(InputForm form) {
  switch (form) {
    case InputForm::kDer: return "der";
    case InputForm::kPem: return "pem";
    case InputForm::kBase64: return "base64";
  }
  return "?";
}

TEST(DerText, KnownAnswers) {
  for (const Vector& v : ReadVectorFile("asn1/der-text.vec")) {
    SCOPED_TRACE(v.Where());
    if (v.section == "Value") {
      const Walk walk = WalkTree(v.Bytes("der"));
      ASSERT_EQ(walk.error, "");
      ASSERT_EQ(walk.lines.size(), v.Has("lines") ? std::stoul(v.Get("lines")) : 1u);
      EXPECT_EQ(Trimmed(ValueOf(walk.lines[0])), v.Get("value"));
      EXPECT_EQ(walk.summary.badValues, std::stoul(v.Get("bad")));
    } else if (v.section == "Tree") {
      const Walk walk = WalkTree(v.Bytes("der"));
      ASSERT_EQ(walk.error, "");
      ASSERT_EQ(walk.lines.size(), std::stoul(v.Get("lines")));
      EXPECT_EQ(Trimmed(walk.lines.back()), v.Get("last"));
      EXPECT_EQ(walk.summary.indefiniteLengths, std::stoul(v.Get("indefinite")));
      EXPECT_EQ(walk.summary.elements, walk.lines.size());
    } else if (v.section == "Refused") {
      const Walk walk = WalkTree(v.Bytes("der"));
      EXPECT_EQ(walk.error, v.Get("error"));
      EXPECT_EQ(walk.lines.size(), std::stoul(v.Get("lines")));
    } else if (v.section == "Input") {
      const auto data = v.Bytes("data");
      if (v.Has("error")) {
        try {
          DecodeDerInput(data);
          ADD_FAILURE() << "accepted";
        } catch (const ExceptionBase& e) {
          EXPECT_EQ(MessageAsUtf8(e), v.Get("error"));
        }
      } else {
        const DerInput input = DecodeDerInput(data);
        EXPECT_STREQ(FormName(input.form), v.Get("form").c_str());
        EXPECT_EQ(ToHex(input.der), ToHex(v.Bytes("der")));
      }
    } else {
      ADD_FAILURE() << "unknown section";
    }
    v.ExpectAllUsed();
  }
}

// Half a million nested SEQUENCEs: the walk needs heap, not stack, per level.
TEST(DerText, DeepNestingIsWalkedWithoutRecursion) {
  constexpr std::size_t kLevels = 500000;
  std::vector<std::uint8_t> der(6 * kLevels);
  for (std::size_t i = 0; i < kLevels; ++i) {
    const std::size_t length = 6 * (kLevels - 1 - i);
    std::uint8_t* at = der.data() + 6 * i;
    at[0] = 0x30;
    at[1] = 0x84;
    for (int k = 0; k < 4; ++k) at[2 + k] = static_cast<std::uint8_t>(length >> (8 * (3 - k)));
  }
  std::size_t lines = 0;
  std::string last;
  const DerTextSummary summary = WriteDerTree(der, [&](std::string_view line) {
    ++lines;
    last = line;
  });
  EXPECT_EQ(lines, kLevels);
  EXPECT_EQ(summary.elements, kLevels);
  EXPECT_NE(last.find("d=499999 "), std::string::npos) << last;
}

// Every real certificate, CRL and signature of tests/data/real prints whole, and
// no value of them is marked BAD: a false alarm on real data is a fault too.
TEST(DerText, RealFilesPrintWithoutBadValues) {
  std::size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(DataPath("real"))) {
    const std::string name = entry.path().filename().string();
    // The contents signed by the CAdES files are plain text, not DER.
    if (!entry.is_regular_file() || name.ends_with(".md") || name.ends_with("content")) continue;
    SCOPED_TRACE(name);
    const DerInput input = DecodeDerInput(ReadFileBytes(entry.path().string()));
    const Walk walk = WalkTree(input.der);
    EXPECT_EQ(walk.error, "");
    EXPECT_EQ(walk.summary.badValues, 0u);
    EXPECT_GT(walk.lines.size(), 10u);
    ++files;
  }
  EXPECT_GT(files, 5u);
}

}  // namespace
}  // namespace tavrpki::test
