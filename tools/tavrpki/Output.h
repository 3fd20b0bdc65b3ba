// Output files of the tool. A regular file (or a new one) is written to a
// temporary beside it and renamed into place only when everything was written, so
// a failed run leaves the old file, or none, never a partial one. Devices and
// pipes (/dev/null, /dev/full, a FIFO) are written directly. "-" is standard output.
// Read and write errors of files become a FileError that carries the system's
// reason; main reports it and exits 2, like every other file the tool cannot use.
#pragma once

#include <cstdio>
#include <string>

namespace tavrpki::tool {

struct FileError {
  std::string text;
};

class OutputFile {
 public:
  explicit OutputFile(const std::string& path);
  // Removes the temporary when Commit was not reached.
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  void Write(const void* data, std::size_t size);
  // Flushes, closes and renames into place.
  void Commit();

 private:
  std::string m_path;
  std::string m_temporary;  // empty when writing directly
  std::FILE* m_file = nullptr;
  bool m_standardOutput = false;
};

// True when both paths name the same existing file (same device and inode).
bool SameFile(const std::string& a, const std::string& b);

}  // namespace tavrpki::tool
