// CRC-32 of ISO-HDLC / IEEE 802.3 (reflected polynomial 0xEDB88320, register
// preset to 0xFFFFFFFF, result inverted), as the audit log's trailer carries it.
#pragma once

#include <cstdint>
#include <span>

namespace tavrpki {

inline constexpr std::uint32_t kCrc32Init = 0xFFFFFFFFu;

// Feeds `bytes` into a running register (start from kCrc32Init; the checksum is
// the register XOR 0xFFFFFFFF), so a file can be checked in chunks.
std::uint32_t Crc32Update(std::uint32_t reg, std::span<const std::uint8_t> bytes);

inline std::uint32_t Crc32(std::span<const std::uint8_t> bytes) {
  return Crc32Update(kCrc32Init, bytes) ^ 0xFFFFFFFFu;
}

}  // namespace tavrpki
