// Seeding of and drawing from a kernel's random generator, on the generator slot
// the provider lends under its lock (CProvider::WithGenerator). Signing and key
// generation reseed before every use; every other draw of a secret (the ephemeral
// value of asymmetric encryption, symmetric keys) refreshes the generator first.
// Only the plain random bytes of GenerateRandom come straight from the state, so a
// kernel copy that duplicated the state repeats them, but never a secret.
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
// time as an 8-byte FILETIME, with `a` as the generator's S-box. An S-box that is
// not a permutation per row (40014) changes nothing; any later failure leaves the
// slot empty: the old generator is already gone.
void SeedGenerator(GeneratorSlot& slot, const unsigned char* a, const unsigned char* b,
                   const unsigned char* c);

// Replaces the generator by one from caller-supplied material only: S-box `a`,
// 32-byte key `b`, 8-byte seed `c`, optional 32 bytes `d` XORed into the key (see
// gostcrypto/RndEngine.h). The same S-box rule; a failure leaves the slot empty.
void StartGenerator(GeneratorSlot& slot, const unsigned char* a, const unsigned char* b,
                    const unsigned char* c, const unsigned char* d);

// Mixes fresh system entropy and the time into the existing generator before a
// secret is drawn, so two copies of one state never hand out the same secret.
// 40013 when the slot is empty.
void RefreshGenerator(GeneratorSlot& slot);

// Fills `out` from the generator; 40013 when the slot is empty.
void DrawRandom(GeneratorSlot& slot, std::span<std::uint8_t> out);

}  // namespace tavrpki::dstu
