// A plain read-write file handle, the little of the Windows file interface the
// audit log needs. Move-only; closes itself. No call throws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace tavrpki::platform {

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
  bool IsOpen() const { return m_fd >= 0; }
  void Close();

  std::optional<std::uint64_t> Size() const;
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
