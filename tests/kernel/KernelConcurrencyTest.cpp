// Kernels created, copied and destroyed on several threads while others log:
// every kernel opens and closes the one process-wide log, so this is where a
// torn line, an interleaving or a stale trailer would show. Also run under
// ThreadSanitizer.
#include <gtest/gtest.h>

#include <atomic>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "ConfigSandbox.h"
#include "core/Logger.h"
#include "core/OidTable.h"
#include "kernel/CKernelHandleWrapper.h"
#include "kernel/GetKernelInstance.h"

namespace tavrpki {
namespace {

using test::ConfigSandbox;

constexpr int kLoggingThreads = 8;
constexpr int kLinesPerThread = 1000;
constexpr int kKernelThreads = 4;
constexpr int kKernelsPerThread = 40;

// CRC-32 (ISO-HDLC), bit by bit: slow and obviously right.
std::uint32_t Crc32(const std::string& bytes) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char byte : bytes) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return crc ^ 0xFFFFFFFFu;
}

// A whole line as the logging threads write it, "yy.mm.dd hh:mm:ss.mmm [inf] thread
// T line N abc...z": false for anything torn or interleaved. Sets thread and number.
bool ParseLine(const std::string& text, int& thread, int& number) {
  const std::string stamp = "00.00.00 00:00:00.000 ";
  if (text.size() < stamp.size()) return false;
  for (std::size_t i = 0; i < stamp.size(); ++i) {
    const bool digitWanted = stamp[i] == '0';
    if (digitWanted ? !std::isdigit(static_cast<unsigned char>(text[i])) : text[i] != stamp[i]) return false;
  }
  char letters[27] = {};
  int consumed = 0;
  if (std::sscanf(text.c_str() + stamp.size(), "[inf] thread %d line %d %26[a-z]%n", &thread, &number, letters,
                  &consumed) != 3)
    return false;
  return stamp.size() + static_cast<std::size_t>(consumed) == text.size() &&
         std::string(letters) == "abcdefghijklmnopqrstuvwxyz" && thread >= 0 && thread < kLoggingThreads;
}

class Handle : public Kernel::CKernelHandleWrapper {
 public:
  using CKernelHandleWrapper::CKernelHandleWrapper;
  void* GetHandle() const override { return nullptr; }
  void SetHandle(void* const) override {}
};

TEST(KernelConcurrency, KernelsComeAndGoWhileThreadsLog) {
  ConfigSandbox sandbox;
  sandbox.WriteSystem("\"RootOID\"=\"1.2.3\"");
  std::atomic<bool> start{false};
  std::vector<std::thread> threads;

  for (int t = 0; t < kLoggingThreads; ++t) {
    threads.emplace_back([&start, t] {
      while (!start) std::this_thread::yield();
      for (int i = 0; i < kLinesPerThread; ++i)
        ProcessLogger().Write(0, kLogInfo, "thread %d line %d %s", t, i, "abcdefghijklmnopqrstuvwxyz");
    });
  }
  for (int t = 0; t < kKernelThreads; ++t) {
    threads.emplace_back([&start] {
      while (!start) std::this_thread::yield();
      for (int i = 0; i < kKernelsPerThread; ++i) {
        Kernel::CKernel kernel = GetKernelInstance();
        Handle handle(kernel);
        Kernel::CKernel copy = handle.GetKernel();
        EXPECT_EQ(GetOidRoot1(), "1.2.3.1");
      }
    });
  }
  start = true;
  for (std::thread& thread : threads) thread.join();
  ProcessLogger().Close();

  const auto files = sandbox.Files();
  ASSERT_EQ(files.size(), 1u);
  const std::string log = ConfigSandbox::ReadFile(files[0]);
  ASSERT_GE(log.size(), 8u);
  const std::string content = log.substr(0, log.size() - 8);
  char trailer[9];
  std::snprintf(trailer, sizeof trailer, "%08X", Crc32(content));
  EXPECT_EQ(log.substr(log.size() - 8), trailer) << "the last close left a trailer that does not verify";

  // Every line whole; each thread's lines in the order it wrote them.
  std::vector<int> last(kLoggingThreads, -1);
  int lines = 0;
  for (std::size_t at = 0; at < content.size();) {
    const std::size_t end = content.find("\r\n", at);
    ASSERT_NE(end, std::string::npos) << "unterminated line at " << at;
    const std::string text = content.substr(at, end - at);
    int thread = 0;
    int number = 0;
    ASSERT_TRUE(ParseLine(text, thread, number)) << "torn or foreign line: " << text;
    EXPECT_GT(number, last[thread]) << text;
    last[thread] = number;
    ++lines;
    at = end + 2;
  }
  EXPECT_LE(lines, kLoggingThreads * kLinesPerThread);
}

}  // namespace
}  // namespace tavrpki
