// Checks on a closed audit log: its CRC-32 trailer, and the lines that numbered
// threads wrote into it at the same time.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace tavrpki::test {

// What each writing thread logs: its number, its line number, and a tail whose
// loss or interleaving shows.
inline constexpr const char* kThreadLineFormat = "thread %d line %d abcdefghijklmnopqrstuvwxyz";

// This month's log file for `prefix`: the prefix, the two-digit year and month
// in local time, ".log".
inline std::string MonthLogName(const std::string& prefix) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char month[32];
  std::snprintf(month, sizeof month, "%02d%02d.log", local.tm_year % 100, local.tm_mon + 1);
  return prefix + month;
}

// CRC-32 (ISO-HDLC) bit by bit: slow and obviously right, independent of the library.
inline std::uint32_t ReferenceCrc32(std::string_view bytes) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char byte : bytes) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return crc ^ 0xFFFFFFFFu;
}

// The log without its 8-character trailer; fails the current test when the
// trailer is not the CRC-32 of the rest in uppercase hexadecimal.
inline std::string VerifiedLogContent(const std::string& log) {
  EXPECT_GE(log.size(), 8u);
  if (log.size() < 8) return std::string();
  const std::string content = log.substr(0, log.size() - 8);
  char expected[9];
  std::snprintf(expected, sizeof expected, "%08X", ReferenceCrc32(content));
  EXPECT_EQ(log.substr(log.size() - 8), expected) << "the trailer does not verify";
  return content;
}

// Checks that every line of `content` is "yy.mm.dd hh:mm:ss.mmm [inf] " and
// kThreadLineFormat for a thread below `threads`, and that each thread's lines
// come in the order it wrote them. Returns the number of lines, or -1 after
// failing the current test on the first torn, foreign or reordered line.
inline int CountThreadLines(const std::string& content, int threads) {
  const std::string stamp = "00.00.00 00:00:00.000 ";
  std::vector<int> last(static_cast<std::size_t>(threads), -1);
  int lines = 0;
  for (std::size_t at = 0; at < content.size(); ++lines) {
    const std::size_t end = content.find("\r\n", at);
    if (end == std::string::npos) {
      ADD_FAILURE() << "unterminated line at " << at;
      return -1;
    }
    const std::string text = content.substr(at, end - at);
    at = end + 2;
    bool whole = text.size() > stamp.size();
    for (std::size_t i = 0; whole && i < stamp.size(); ++i)
      whole = stamp[i] == '0' ? std::isdigit(static_cast<unsigned char>(text[i])) != 0 : text[i] == stamp[i];
    int thread = -1, number = -1, consumed = 0;
    char letters[27] = {};
    whole = whole &&
            std::sscanf(text.c_str() + stamp.size(), "[inf] thread %d line %d %26[a-z]%n", &thread, &number,
                        letters, &consumed) == 3 &&
            stamp.size() + static_cast<std::size_t>(consumed) == text.size() &&
            std::string_view(letters) == "abcdefghijklmnopqrstuvwxyz" && thread >= 0 && thread < threads;
    if (!whole || number <= last[static_cast<std::size_t>(thread)]) {
      ADD_FAILURE() << "line " << lines << (whole ? " out of order: " : " torn or foreign: ") << text;
      return -1;
    }
    last[static_cast<std::size_t>(thread)] = number;
  }
  return lines;
}

}  // namespace tavrpki::test
