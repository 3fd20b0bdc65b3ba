// How the kernel's DSTU 4145 operations reach the provider's generator: the
// random source they draw from and the reseeding that signing and key generation
// do first. Internal header.
#pragma once

#include <span>

#include "crypto/dstu/Dstu4145Ops.h"
#include "crypto/dstu/GeneratorOps.h"
#include "kernel/CProvider.h"

namespace Kernel {

// Every draw takes the provider's lock on its own, so threads signing with one
// kernel interleave whole draws, never parts of one.
inline tavrpki::dstu::RandomSource DrawFrom(tavrpki::CProvider& provider) {
  return [&provider](std::span<std::uint8_t> out) {
    provider.WithGenerator([&](tavrpki::dstu::GeneratorSlot& slot) { tavrpki::dstu::DrawRandom(slot, out); });
  };
}

// Reseeds before a signature or a key generation: the random S-box `randomSBox`
// and the signing parameter set's S-box `signSBox` (128 bytes each).
inline void ReseedForSigning(tavrpki::CProvider& provider, const unsigned char* randomSBox,
                             const unsigned char* signSBox) {
  provider.WithGenerator([&](tavrpki::dstu::GeneratorSlot& slot) {
    tavrpki::dstu::SeedGenerator(slot, randomSBox, signSBox, nullptr);
  });
}

}  // namespace Kernel
