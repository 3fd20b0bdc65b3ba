// The kernel's adapters over the core's GOST 34.311-95 hash and GOST 28147-89
// cipher: handle lifetimes and the transform of a message of any length. Argument
// checks of the exported operations stay in kernel/; failures of the core pass
// through unchanged.
#pragma once

#include <cstdint>
#include <span>

namespace tavrpki::symmetric {

inline constexpr std::size_t kHashSize = 32;

// 40014 unless `sbox` is null (the core's default table) or each of its 8 rows of
// 16 entries is a permutation of 0-15. Every operation below checks its table
// first, so a refused one has drawn, hashed or encrypted nothing.
void RequireSBox(const unsigned char* sbox);

// The hash of `data` in one call; a null sbox selects the core's default table.
void CalcHash(std::span<const std::uint8_t> data, std::span<std::uint8_t, kHashSize> out,
              const unsigned char* sbox);

// A hash handle from (sbox, optional 32-byte starting value). Owned by the caller
// until FinishHash.
void* CreateHash(const unsigned char* sbox, const unsigned char* second);
// Absorbs one piece; 40009 for a null handle.
void HashData(void* handle, std::span<const std::uint8_t> data);
// Writes the value and destroys the handle; 40009 for a null handle (nothing
// written).
void FinishHash(void* handle, std::span<std::uint8_t, kHashSize> out);

// A cipher handle in gamming-with-feedback mode from a 32-byte key, a 128-byte
// S-box and an optional 8-byte vector (null: zero). Owned by the caller until
// DestroyCipher.
void* CreateCipher(const unsigned char* key, const unsigned char* sbox, const unsigned char* iv, bool encrypt);
// Transforms in -> out (same length) continuing the handle's chain; a length that
// is not a multiple of 8 ends the message: its last partial block is zero-padded
// and the output cut back to the input's length.
void Transform(void* handle, std::span<const std::uint8_t> in, std::uint8_t* out);
void DestroyCipher(void* handle);

}  // namespace tavrpki::symmetric
