// A user configuration that turns the audit log off, written to `path` and named
// in the environment before the first kernel reads it. For benchmarks and fuzz
// targets, where a log line per operation would measure or fill the disk instead.
#pragma once

#include <stdlib.h>

#include <fstream>

namespace tavrpki::test {

inline bool QuietConfiguration(const char* path) {
  std::ofstream(path) << "Windows Registry Editor Version 5.00\r\n\r\n"
                         "[HKEY_CURRENT_USER\\SOFTWARE\\TAVR_PKI]\r\n\"UseLog\"=dword:00000000\r\n";
  setenv("TAVR_PKI_USER_CONFIG", path, 1);
  return true;
}

}  // namespace tavrpki::test
