// The password file reader (platform/Password.h) on the shapes a user hands it:
// line ends, the length cap, a directory, a device that never ends, a missing file.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/Password.h"

namespace tavrpki::platform {
namespace {

std::string Text(const SecretVector& bytes) { return {bytes.begin(), bytes.end()}; }

class PasswordFile : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/tavrpki-password-XXXXXX";
    const int fd = ::mkstemp(pattern);
    ASSERT_GE(fd, 0);
    ::close(fd);
    m_path = pattern;
  }
  void TearDown() override { ::unlink(m_path.c_str()); }

  void Write(const std::string& content) {
    std::FILE* file = std::fopen(m_path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(content.data(), 1, content.size(), file);
    std::fclose(file);
  }

  std::string m_path;
};

TEST_F(PasswordFile, FirstLineWithoutItsEnd) {
  const struct {
    std::string content, password;
  } cases[] = {
      {"secret\n", "secret"},
      {"secret\r\nsecond line\n", "secret"},
      {"no line end", "no line end"},
      {"\nafter an empty line", ""},
      {"", ""},
      {"пароль з пробілами \n", "пароль з пробілами "},
      {std::string(kMaxPasswordLength, 'x') + "\n", std::string(kMaxPasswordLength, 'x')},
      // a long file whose first line is short is fine: only the line counts
      {"short\n" + std::string(3 * kMaxPasswordLength, 'y'), "short"},
  };
  for (const auto& c : cases) {
    Write(c.content);
    SecretVector out;
    const PasswordResult result = ReadPasswordFromFile(m_path.c_str(), out);
    EXPECT_EQ(result.status, PasswordStatus::kOk) << c.content.substr(0, 20);
    EXPECT_EQ(Text(out), c.password);
  }
}

TEST_F(PasswordFile, RefusalsNameTheirCause) {
  Write(std::string(kMaxPasswordLength + 1, 'x'));
  SecretVector out;
  EXPECT_EQ(ReadPasswordFromFile(m_path.c_str(), out).status, PasswordStatus::kTooLong);
  EXPECT_TRUE(out.empty());

  out.assign(3, 'z');  // whatever was there goes
  PasswordResult result = ReadPasswordFromFile("/tmp", out);
  EXPECT_EQ(result.status, PasswordStatus::kReadError);
  EXPECT_EQ(result.error, EISDIR);
  EXPECT_TRUE(out.empty());

  result = ReadPasswordFromFile("/nonexistent/password", out);
  EXPECT_EQ(result.status, PasswordStatus::kReadError);
  EXPECT_EQ(result.error, ENOENT);

  // A device that never ends is cut off at the cap, not read forever.
  EXPECT_EQ(ReadPasswordFromFile("/dev/zero", out).status, PasswordStatus::kTooLong);
}

}  // namespace
}  // namespace tavrpki::platform
