#include "crypto/dstu/GeneratorOps.h"

#include <array>
#include <cstring>

#include "core/Catalogue.h"
#include "gostcrypto/Wipe.h"
#include "gostcrypto/EntropyCollect.h"
#include "gostcrypto/RndEngine.h"
#include "platform/Time.h"

namespace tavrpki::dstu {

void SeedGenerator(GeneratorSlot& slot, const unsigned char* a, const unsigned char* b,
                   const unsigned char* c) {
  slot.reset();
  std::array<unsigned char, gostcrypto::kEntropyBufferSize> entropy{};
  WipeOnExit guard(entropy.data(), entropy.size());
  // The collector's answer is advisory: without the system generator the buffer
  // still holds timer samples, and the time seed below differs on every call.
  (void)gostcrypto::TAVRCLCRNGEntropyDataCollect(entropy.data(), a, c, 0, 0);
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  std::array<unsigned char, 8> seed{};
  static_assert(sizeof now == seed.size());
  std::memcpy(seed.data(), &now, seed.size());
  slot = std::make_unique<gostcrypto::RndEngine>(entropy.data(), entropy.size(), b, c, seed.data(), a);
}

void DrawRandom(GeneratorSlot& slot, std::span<std::uint8_t> out) {
  if (!slot) Raise(kMsgRandomNotInitialized);
  slot->Generate(out.data(), out.size());
}

}  // namespace tavrpki::dstu
