// The parsed-hive cache: whatever happens to a hive file between two reads, the
// second read sees it, including the changes a size-and-time check alone would
// miss (same size with the modification time set back, another file renamed
// over it, a rewrite within the same clock tick).
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include "core/HiveCache.h"
#include "core/LogSettings.h"
#include "support/ConfigSandbox.h"

namespace tavrpki {
namespace {

using test::ConfigSandbox;
namespace fs = std::filesystem;

std::string Hive(const std::string& directory) {
  return "[HKEY_CURRENT_USER\\SOFTWARE\\TAVR_PKI]\r\n\"APILogFile\"=\"" + directory + "\"\r\n";
}

// The directory the file names, or why it names none.
std::string DirectoryIn(const HiveRead& read) {
  if (!read.file) return read.failure;
  const auto* values = read.file->FindKey("HKEY_CURRENT_USER\\SOFTWARE\\TAVR_PKI");
  if (values == nullptr || !values->contains("APILOGFILE")) return "no value";
  return values->at("APILOGFILE").text;
}

// Writes `bytes` to `path` keeping its modification time, as a program that sets
// it back would: only the status-change time and perhaps the inode then tell.
void WriteKeepingTime(const fs::path& path, const std::string& bytes) {
  const auto modified = fs::last_write_time(path);
  ConfigSandbox::WriteFile(path, bytes);
  fs::last_write_time(path, modified);
}

TEST(HiveCache, EveryChangeOfTheFileIsSeenByTheNextRead) {
  ConfigSandbox sandbox;
  const fs::path path = sandbox.UserHive();
  // A settle window of zero trusts every stored parse as soon as its file's times
  // lie before the read: the file's stamp alone must catch each change below.
  HiveCache cache(0);
  ConfigSandbox::WriteFile(path, Hive("/dir-a"));
  EXPECT_EQ(DirectoryIn(cache.Read(path)), "/dir-a");
  EXPECT_EQ(cache.Read(path).file.get(), cache.Read(path).file.get());  // an unchanged file is parsed once

  struct Change {
    const char* what;
    std::function<void()> make;
    std::string expected;
  };
  const Change changes[] = {
      {"rewritten in place, same size, time set back", [&] { WriteKeepingTime(path, Hive("/dir-b")); }, "/dir-b"},
      {"another file of the same size and time renamed over it",
       [&] {
         const fs::path other = path.string() + ".new";
         ConfigSandbox::WriteFile(other, Hive("/dir-c"));
         fs::last_write_time(other, fs::last_write_time(path));
         fs::rename(other, path);
       },
       "/dir-c"},
      {"emptied", [&] { WriteKeepingTime(path, ""); }, "no value"},
      {"removed", [&] { fs::remove(path); }, "cannot be read"},
      {"written again", [&] { ConfigSandbox::WriteFile(path, Hive("/dir-d")); }, "/dir-d"},
      {"grown past the size limit", [&] { ConfigSandbox::WriteFile(path, Hive(std::string(1 << 20, 'x'))); },
       "larger than 1 MB"},
      {"cut back", [&] { ConfigSandbox::WriteFile(path, Hive("/dir-e")); }, "/dir-e"},
  };
  for (const Change& change : changes) {
    SCOPED_TRACE(change.what);
    // Let the file system's clock move on, so that the zero window is honest.
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    change.make();
    EXPECT_EQ(DirectoryIn(cache.Read(path)), change.expected);
    EXPECT_EQ(DirectoryIn(cache.Read(path)), change.expected);
  }
}

// Through the process cache and its real window, as every kernel copy reads its
// log switch: a hive rewritten at once (within the clock tick of the last read),
// to the same size and with its old modification time, reaches the very next
// read, and so does the change back.
TEST(HiveCache, TheNextReadSeesARewriteMadeJustBeforeIt) {
  ConfigSandbox sandbox;
  sandbox.WriteUser("\"UseLog\"=dword:00000000");
  EXPECT_FALSE(ReadLogSettings().useLog);
  for (const char* useLog : {"1", "0", "1"}) {
    WriteKeepingTime(sandbox.UserHive(), "[HKEY_CURRENT_USER\\SOFTWARE\\TAVR_PKI]\r\n\"UseLog\"=dword:0000000" +
                                             std::string(useLog) + "\r\n");
    EXPECT_EQ(ReadLogSettings().useLog, useLog[0] == '1') << useLog;
  }
}

}  // namespace
}  // namespace tavrpki
