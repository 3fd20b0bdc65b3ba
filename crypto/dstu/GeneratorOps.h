// Seeding of and drawing from a kernel's random generator, on the generator slot
// the provider lends under its lock (CProvider::WithGenerator). Signing and key
// generation reseed before every use; encryption only draws.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

namespace gostcrypto {
class RndEngine;
}

namespace tavrpki::dstu {

using GeneratorSlot = std::unique_ptr<gostcrypto::RndEngine>;

// Replaces the generator by one built from 1024 bytes of fresh entropy (the
// collector mixes in `a` and `c`), the hash S-box `b`, `c` and the current system
// time as an 8-byte FILETIME, with `a` as the generator's S-box. A failure leaves
// the slot empty: the old generator is already gone.
void SeedGenerator(GeneratorSlot& slot, const unsigned char* a, const unsigned char* b,
                   const unsigned char* c);

// Fills `out` from the generator; 40013 when the slot is empty.
void DrawRandom(GeneratorSlot& slot, std::span<std::uint8_t> out);

}  // namespace tavrpki::dstu
