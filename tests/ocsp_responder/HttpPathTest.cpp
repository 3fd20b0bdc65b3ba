// Where a GET request's DER is in the path, however the client escaped it.
#include <gtest/gtest.h>

#include "OcspHttp.h"
#include "asn1/Base64.h"

namespace tavrpki::test {
namespace {

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

TEST(HttpPathTest, FindsTheRequestAfterAnyPrefix) {
  // A SEQUENCE whose Base64 holds "/", "+" and "=".
  const std::vector<std::uint8_t> der = {0x30, 0x05, 0xFB, 0xFF, 0xBF, 0x3E, 0x01};
  const std::string text = Base64Encode(ByteView(der.data(), der.size()));
  ASSERT_NE(text.find('/'), std::string::npos);
  ASSERT_NE(text.find('+'), std::string::npos);
  ASSERT_NE(text.find('='), std::string::npos);
  const std::string escaped = Replace(Replace(Replace(text, "/", "%2F"), "+", "%2B"), "=", "%3D");
  const struct {
    std::string path;
    bool found;
  } cases[] = {
      {"/" + text, true},
      {"/" + escaped, true},
      {"/ocsp/" + escaped, true},
      {"/a/b/c/" + text, true},
      {"/" + Replace(escaped, "%2F", "%2f"), true},
      {"/" + text + "?x=1", true},
      {"/", false},
      {"/ocsp/", false},
      {"/" + text.substr(0, 4), false},
      {"/%ZZ", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(servers::RequestFromPath(c.path), c.found ? der : std::vector<std::uint8_t>{});
  }
}

}  // namespace
}  // namespace tavrpki::test
