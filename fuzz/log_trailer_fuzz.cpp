// The check the audit log makes of an existing file when it opens it: any bytes
// are judged intact or damaged without a crash or a read past them. A file whose
// trailer the logger itself wrote (the "%08X" CRC of what precedes it) is always
// intact, and changing one content byte of such a file never is.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <vector>

#include "core/Crc32.h"
#include "core/Logger.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> file(data, size);
  const bool intact = tavrpki::LogFileIntact(file);
  if (size >= 8 && intact != tavrpki::LogTrailerMatches(tavrpki::Crc32(file.first(size - 8)), file.last(8)))
    std::abort();

  // The same bytes as the content of a log the logger closed.
  std::vector<std::uint8_t> sealed(data, data + size);
  char trailer[9];
  std::snprintf(trailer, sizeof trailer, "%08X", tavrpki::Crc32(file));
  sealed.insert(sealed.end(), trailer, trailer + 8);
  if (!tavrpki::LogFileIntact(sealed)) std::abort();
  if (size != 0) {
    sealed[data[0] % size] ^= static_cast<std::uint8_t>(1u << (size % 8));
    if (tavrpki::LogFileIntact(sealed)) std::abort();  // CRC-32 catches every one-bit change
  }
  return 0;
}
