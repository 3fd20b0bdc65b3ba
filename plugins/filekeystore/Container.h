// The key container: one file holding a double-key-pair buffer encrypted under a
// password, and a clear-text description. docs/key-container.md gives the layout.
//
//   header | description | ciphertext | MAC | checksum
//
// The unkeyed checksum (GOST 34.311 over everything before it) tells a damaged
// file from a wrong password: any truncation or flipped bit fails it before the
// password is looked at. The password verifier then tells a wrong password, and
// the keyed MAC catches deliberate changes that recomputed the checksum.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "gostcrypto/Wipe.h"

namespace tavrpki::filekeystore {

inline constexpr std::size_t kSaltSize = 32;
inline constexpr std::size_t kIvSize = 8;
// Iterations written into new containers unless the caller asks otherwise.
inline constexpr std::uint32_t kDefaultIterations = 100000;  // about 0.4 s on a 2020s desktop core
// Bounds accepted when reading. The count is read before any key is involved,
// so an edited count must not hold a reader up: ten times the default (a few
// seconds) is the most a container may ask for.
inline constexpr std::uint32_t kMaxIterations = 10 * kDefaultIterations;
inline constexpr std::size_t kMaxDescription = 64 * 1024;
inline constexpr std::size_t kMaxPayload = 1024 * 1024;

struct SealSettings {
  std::uint32_t iterations = kDefaultIterations;
  std::span<const std::uint8_t, kSaltSize> salt;  // fresh random bytes per container
  std::span<const std::uint8_t, kIvSize> iv;      // fresh random bytes per container
};

// The container bytes for `keys` under `password`. `keyName` only labels errors:
// 30025 when the keys or the description exceed the format's limits, 30024 for
// empty keys.
std::vector<std::uint8_t> SealContainer(std::span<const std::uint8_t> keys,
                                        std::string_view description, std::string_view password,
                                        const SealSettings& settings, const char* keyName);

// The decrypted keys. Fails, in this order of checking: 30015 not a container
// of this format, 30014 damaged (truncated, a changed byte, lengths that do not
// add up, a MAC that fails with the right password), 30016 a version this code
// does not read, 30013 wrong password.
SecretVector OpenContainer(std::span<const std::uint8_t> container, std::string_view password,
                          const char* keyName);

// The length of the keys inside, read from the clear header; needs no password.
// Fails like `OpenContainer` up to the version check.
std::size_t KeysSize(std::span<const std::uint8_t> container, const char* keyName);

// The clear-text description; needs no password. Fails like `OpenContainer`
// up to the version check.
std::string ReadDescription(std::span<const std::uint8_t> container, const char* keyName);

// GOST 28147-89 CFB-64 encryption as sealing runs it: each gamma block comes from
// a one-block CFB decryption, the constant-time kernel where the processor has
// one (docs/key-container.md). A last partial block takes the truncated gamma.
// `out` has the size of `in`.
void SealingCfb(std::span<const std::uint8_t> key, std::span<const std::uint8_t, kIvSize> iv,
                std::span<const std::uint8_t> in, std::span<std::uint8_t> out);

}  // namespace tavrpki::filekeystore
