// A key storage directory: one container file per key name, written atomically.
//
// A key name (any Windows-1251 text) maps to the file "<encoded>.key", where the
// encoding keeps ASCII letters, digits, '_', '-' and non-leading '.', and writes
// every other byte as %XX (uppercase). Encoded names never start with '.', so the
// hidden temporary files of unfinished writes are never taken for keys.
//
// A write goes to a temporary file in the same directory, is flushed to the disk,
// renamed over the old container and the directory is flushed: at every moment
// the container is either entirely old or entirely new. A writer killed before
// the rename leaves its temporary file; the next save of any key removes such
// files once they are a minute older than its own.
//
// Keys are regular files: links, directories and FIFOs under a key's file name
// are neither listed nor opened (a FIFO would block the reader).
//
// FileStorage.cpp is the one file of the plugin that talks to the operating
// system (the terminal prompt aside).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tavrpki::filekeystore {

// "$XDG_DATA_HOME/tavr-pki/keys", else "$HOME/.local/share/tavr-pki/keys".
// Throws 30023 when neither variable is set.
std::string DefaultStorageDirectory();

// The file name of a key, or 30017 for an empty name or one too long for a file name.
std::string FileNameOfKey(std::string_view keyName);
// The key name of a container file name; empty when `fileName` is not one.
std::string KeyOfFileName(std::string_view fileName);

class FileStorage {
 public:
  // `createIfMissing`: the default storage is created (mode 0700) on the first
  // write; a storage the caller named must exist.
  FileStorage(std::string directory, bool createIfMissing);

  const std::string& Directory() const { return m_directory; }

  // Throws 30010 unless the directory exists (or may be created).
  void CheckUsable() const;

  // The container bytes. 30012 when there is no such key, 30019 when the file
  // cannot be read.
  std::vector<std::uint8_t> Read(const char* keyName) const;
  bool Exists(const char* keyName) const;
  // Atomic replacement. 30011 when the directory refuses new files, 30018 when
  // writing fails (the previous container, if any, is left as it was).
  void Write(const char* keyName, std::span<const std::uint8_t> container) const;
  // 30012 when there is no such key, 30011 when the directory refuses the removal.
  void Remove(const char* keyName) const;
  // Key names in byte order.
  std::vector<std::string> List() const;

 private:
  std::string PathOf(const char* keyName) const;
  void EnsureDirectory() const;

  std::string m_directory;
  bool m_createIfMissing;
};

// Fills `out` from the operating system's generator; 30018 when it fails.
void FillFromSystemRandom(std::span<std::uint8_t> out);

// Test seam: called while a container is being written, after `written` of
// `total` bytes reached the temporary file. Returning false makes the write fail
// there as a full disk would. Null (the default) does nothing.
using WriteProbe = bool (*)(std::size_t written, std::size_t total);
void SetWriteProbeForTesting(WriteProbe probe);

}  // namespace tavrpki::filekeystore
