#include "core/HiveCache.h"

#include <algorithm>
#include <optional>
#include <span>
#include <utility>

#include "platform/Time.h"

namespace tavrpki {
namespace {

struct FileRead {
  HiveRead read;
  // The state the text belongs to; nothing when the file changed while it was
  // read, so that no one state can be named for it.
  std::optional<platform::FileStamp> stamp;
};

FileRead ReadAndParse(const std::string& path) {
  FileRead out;
  platform::File file;
  std::optional<platform::FileStamp> before;
  if (!file.OpenRead(path) || !(before = file.Stamp())) {
    out.read.failure = "cannot be read";
    return out;
  }
  if (before->size > HiveCache::kMaxHiveSize) {
    out.read.failure = "larger than 1 MB";
    out.stamp = before;
    return out;
  }
  // One byte more than the size asks for, so that a file that grew is noticed.
  std::string text(static_cast<std::size_t>(before->size) + 1, '\0');
  std::size_t filled = 0;
  while (filled < text.size()) {
    const auto got = file.Read(std::span(reinterpret_cast<std::uint8_t*>(text.data()) + filled,
                                         text.size() - filled));
    if (!got) {
      out.read.failure = "cannot be read";
      return out;
    }
    if (*got == 0) break;
    filled += *got;
  }
  text.resize(filled);
  const auto after = file.Stamp();
  if (after == before && filled == before->size) out.stamp = before;

  auto parsed = RegFile::Parse(text);
  if (parsed)
    out.read.file = std::make_shared<const RegFile>(std::move(*parsed));
  else
    out.read.failure = "not well-formed UTF-16";
  return out;
}

}  // namespace

bool HiveCache::Settled(const Entry& entry) const {
  return std::max(entry.stamp.modified, entry.stamp.changed) < entry.readStart - m_settle;
}

HiveRead HiveCache::Read(const std::string& path) {
  const auto stamp = platform::StampOf(path);
  if (!stamp) return HiveRead{nullptr, "cannot be read"};
  {
    std::lock_guard<std::mutex> hold(m_lock);
    const auto it = m_entries.find(path);
    if (it != m_entries.end() && it->second.stamp == *stamp && Settled(it->second)) return it->second.read;
  }

  // Taken before the file is opened: everything written before this moment is in
  // what is read, and anything written after it stamps the file later than this
  // moment minus the settle window (see the header).
  const std::int64_t readStart = platform::RealTimeNanoseconds();
  FileRead fresh = ReadAndParse(path);
  std::lock_guard<std::mutex> hold(m_lock);
  if (!fresh.stamp) {
    m_entries.erase(path);
    return fresh.read;
  }
  if (m_entries.size() >= kMaxPaths && m_entries.find(path) == m_entries.end()) m_entries.clear();
  m_entries[path] = Entry{*fresh.stamp, readStart, fresh.read};
  return fresh.read;
}

HiveCache& HiveCache::Process() {
  // Never destroyed: a kernel released by another static's destructor at exit may
  // still read its configuration.
  static HiveCache& cache = *new HiveCache();
  return cache;
}

}  // namespace tavrpki
