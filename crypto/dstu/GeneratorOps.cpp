#include "crypto/dstu/GeneratorOps.h"

#include <array>
#include <cstring>

#include "core/Catalogue.h"
#include "crypto/symmetric/SymmetricOps.h"
#include "gostcrypto/EntropyCollect.h"
#include "gostcrypto/RndEngine.h"
#include "gostcrypto/Wipe.h"
#include "platform/Time.h"

namespace tavrpki::dstu {
namespace {

using Entropy = std::array<unsigned char, gostcrypto::kEntropyBufferSize>;
using TimeSeed = std::array<unsigned char, 8>;

// The collector's answer is advisory: without the system generator the buffer
// still holds timer samples, and the time seed differs on every call.
void Collect(Entropy& entropy, const unsigned char* a, const unsigned char* c) {
  (void)gostcrypto::TAVRCLCRNGEntropyDataCollect(entropy.data(), a, c, 0, 0);
}

TimeSeed Now() {
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  TimeSeed seed{};
  static_assert(sizeof now == seed.size());
  std::memcpy(seed.data(), &now, seed.size());
  return seed;
}

}  // namespace

void SeedGenerator(GeneratorSlot& slot, const unsigned char* a, const unsigned char* b,
                   const unsigned char* c) {
  symmetric::RequireSBox(a);
  symmetric::RequireSBox(b);
  slot.reset();
  Entropy entropy{};
  WipeOnExit guard(entropy.data(), entropy.size());
  Collect(entropy, a, c);
  const TimeSeed seed = Now();
  slot = std::make_unique<gostcrypto::RndEngine>(entropy.data(), entropy.size(), b, c, seed.data(), a);
}

void StartGenerator(GeneratorSlot& slot, const unsigned char* a, const unsigned char* b,
                    const unsigned char* c, const unsigned char* d) {
  symmetric::RequireSBox(a);
  slot.reset();
  slot = std::make_unique<gostcrypto::RndEngine>(a, b, c, d);
}

void RefreshGenerator(GeneratorSlot& slot) {
  if (!slot) Raise(kMsgRandomNotInitialized);
  Entropy entropy{};
  WipeOnExit guard(entropy.data(), entropy.size());
  Collect(entropy, nullptr, nullptr);
  const TimeSeed seed = Now();
  slot->Mix(entropy.data(), entropy.size(), seed.data());
}

void DrawRandom(GeneratorSlot& slot, std::span<std::uint8_t> out) {
  if (!slot) Raise(kMsgRandomNotInitialized);
  slot->Generate(out.data(), out.size());
}

}  // namespace tavrpki::dstu
