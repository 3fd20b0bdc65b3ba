// Password-based key derivation for key containers: HMAC over GOST 34.311-95
// and PBKDF2 (RFC 8018, section 5.2) built on it.
//
// The hash runs with DKE No. 1 as its S-box and a zero starting vector. Its block
// is 32 bytes, so HMAC pads keys to 32 bytes (keys longer than that are hashed
// first), as HMAC-GOST34.311 does elsewhere in Ukrainian key containers.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace tavrpki::filekeystore {

inline constexpr std::size_t kHashSize = 32;
using Digest = std::array<std::uint8_t, kHashSize>;

// HMAC-GOST34.311(key, message). Never fails.
Digest Hmac(std::span<const std::uint8_t> key, std::span<const std::uint8_t> message);

// The first `out.size()` bytes of PBKDF2-HMAC-GOST34.311(password, salt,
// iterations). `iterations` must be at least 1. Intermediate values are wiped.
void Pbkdf2(std::span<const std::uint8_t> password, std::span<const std::uint8_t> salt,
            std::uint32_t iterations, std::span<std::uint8_t> out);

}  // namespace tavrpki::filekeystore
