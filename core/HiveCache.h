// The configuration hive files, parsed once for each state of the file.
//
// Every kernel reads its log switch when it is made, and every exported object
// keeps a kernel of its own, so the hives are consulted thousands of times a
// second by a busy relying party. Reading and parsing the file each time cost
// more than the certificate check itself. The cache keeps, per path, the parsed
// file with the stamp the file had when it was read (platform/File.h: device,
// inode, size, modification and status-change time in nanoseconds) and the time
// the read began; one `stat` then tells whether the file is still the one read.
//
// Why a change cannot be missed. A stored parse is served without reading only
// when the file's stamp is unchanged AND both its times lie more than the settle
// window before the moment its read began. Any change made after that moment
// (a write, a truncation, an attribute change, even one that sets the
// modification time back) stamps the file with a status-change time taken from
// the file system's clock, which lags the real time by at most one tick of its
// granularity (a timer tick, or 1-2 s on the coarsest file systems), so the new
// time is later than the read's start minus the window: it cannot equal the
// stored one. A file renamed over the path is another inode. A change made in
// the same clock tick as the read, which a stamp alone could hide, leaves the
// file's times inside the window: such an entry is "unsettled" and the file is
// read and parsed again on every use until it has been quiet for the window.
// This rests on file times and our clock agreeing (local file systems; a network
// file server whose clock lags ours by more than the window weakens it).
//
// Thread-safe: the table is locked only to look up and store; files are read and
// parsed outside the lock, so two threads may parse the same state at once.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "core/RegFile.h"
#include "platform/File.h"

namespace tavrpki {

// A hive as read: the parsed file, or why there is none.
struct HiveRead {
  std::shared_ptr<const RegFile> file;  // null when the file cannot be used
  const char* failure = nullptr;        // then why: "cannot be read", "larger than 1 MB", ...
};

class HiveCache {
 public:
  // Longer than the time granularity of any file system a configuration is
  // likely to live on (FAT's two seconds included).
  static constexpr std::int64_t kSettleNanoseconds = 2'000'000'000;
  // A hive larger than this is not a configuration file; refusing it bounds the work.
  static constexpr std::uint64_t kMaxHiveSize = 1 << 20;
  // Paths remembered at once: a process has two hives; tests and tools that
  // switch configurations should not grow the table without end.
  static constexpr std::size_t kMaxPaths = 8;

  explicit HiveCache(std::int64_t settleNanoseconds = kSettleNanoseconds)
      : m_settle(settleNanoseconds) {}
  HiveCache(const HiveCache&) = delete;
  HiveCache& operator=(const HiveCache&) = delete;

  // The file at `path` as it is now, parsed (from the table when its state is
  // known and settled). Never throws for reasons of the file.
  HiveRead Read(const std::string& path);

  // The one cache of the process, used by RegistryHandler.
  static HiveCache& Process();

 private:
  struct Entry {
    platform::FileStamp stamp;
    std::int64_t readStart = 0;  // real time just before the file was opened
    HiveRead read;
  };

  bool Settled(const Entry& entry) const;

  const std::int64_t m_settle;
  std::mutex m_lock;  // guards m_entries
  std::map<std::string, Entry> m_entries;
};

}  // namespace tavrpki
