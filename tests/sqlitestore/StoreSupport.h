// Shared by the SQLite store's tests: a temporary folder, distinct certificates
// made from one (and the code of a failure, support/CodeOf.h).
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "kernel/CKernelException.h"
#include "storage/sqlite/DerFields.h"
#include "support/CodeOf.h"
#include "support/TempDir.h"

namespace tavrpki::test {

// Certificates that differ in their serial number's last four octets; the
// store's reader does not check signatures, so each is a distinct item to it.
inline std::size_t SerialEnd(const std::vector<std::uint8_t>& der) {
  const auto serial = sqlitestore::ReadItemFields(der).serial;
  const auto at = std::search(der.begin(), der.end(), serial.begin(), serial.end());
  return static_cast<std::size_t>(at - der.begin()) + serial.size();
}

inline std::vector<std::uint8_t> Variant(const std::vector<std::uint8_t>& der, std::size_t serialEnd, std::uint32_t n) {
  std::vector<std::uint8_t> out = der;
  for (int i = 0; i < 4; ++i) out[serialEnd - 1 - static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(n >> (8 * i));
  return out;
}

}  // namespace tavrpki::test
