// A plain read-write file handle, the little of the Windows file interface the
// audit log needs. Move-only; closes itself. No call throws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace tavrpki::platform {

// One state of a file as the file system records it: which file (device and
// inode, so a file renamed over it is another one) and its size, last data change
// and last status change (nanoseconds since 1970, stamped by the file system's
// clock). A program can set the modification time back but not the status-change
// time, which every write, truncation, rename or attribute change moves on.
struct FileStamp {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::uint64_t size = 0;
  std::int64_t modified = 0;
  std::int64_t changed = 0;
  bool operator==(const FileStamp&) const = default;
};

// The stamp of the file at `path` (a symbolic link is followed); nothing when
// there is no such file or it cannot be examined.
std::optional<FileStamp> StampOf(const std::string& path);

class File {
 public:
  File() = default;
  ~File() { Close(); }
  File(File&& other) noexcept : m_fd(other.m_fd) { other.m_fd = -1; }
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Opens `path` for reading and writing, creating it (owner read-write only)
  // when absent, positioned at the start. False on failure, leaving it closed.
  bool OpenReadWrite(const std::string& path);
  // Opens an existing `path` for reading only, positioned at the start. False on
  // failure, leaving it closed.
  bool OpenRead(const std::string& path);
  bool IsOpen() const { return m_fd >= 0; }
  void Close();

  std::optional<std::uint64_t> Size() const;
  // The stamp of the open file (as StampOf).
  std::optional<FileStamp> Stamp() const;
  // Reads up to `buffer.size()` bytes at the position: the count (0 at the end), or nothing on error.
  std::optional<std::size_t> Read(std::span<std::uint8_t> buffer);
  // Moves the position to `offset` bytes from the start.
  bool Seek(std::uint64_t offset);
  // Writes all of `bytes` at the position.
  bool Write(std::span<const std::uint8_t> bytes);

 private:
  int m_fd = -1;
};

// Creates `path` and its missing parents; true when it exists as a directory afterwards.
bool CreateDirectories(const std::string& path);

}  // namespace tavrpki::platform
