// Random-number members of CKernel. Seeding and every draw run under the provider's
// lock (CProvider::WithGenerator), so one kernel may serve several threads. Plain
// random bytes continue the generator's sequence (a kernel copy repeats them); a
// symmetric key is a secret and mixes fresh entropy in first.
#include "crypto/dstu/GeneratorOps.h"
#include "kernel/Boundary.h"
#include "kernel/CKernel.h"
#include "kernel/HandleCast.h"

namespace Kernel {

namespace {

void Draw(const CKernel& kernel, std::span<std::uint8_t> out) {
  ProviderOf(kernel).WithGenerator([&](tavrpki::dstu::GeneratorSlot& slot) { tavrpki::dstu::DrawRandom(slot, out); });
}

}  // namespace

void CKernel::InitRandom(const unsigned char* const a, const unsigned char* const b, const unsigned char* const c) {
  Boundary([&] {
    ProviderOf(*this).WithGenerator(
        [&](tavrpki::dstu::GeneratorSlot& slot) { tavrpki::dstu::SeedGenerator(slot, a, b, c); });
  });
}

// (a, b, c, d) = (random S-box, 32-byte key, 8-byte seed, optional 32 bytes XORed
// into the key): see gostcrypto/RndEngine.h.
void CKernel::InitRandom(const unsigned char* const a, const unsigned char* const b, const unsigned char* const c,
                         const unsigned char* const d) {
  Boundary([&] {
    ProviderOf(*this).WithGenerator(
        [&](tavrpki::dstu::GeneratorSlot& slot) { tavrpki::dstu::StartGenerator(slot, a, b, c, d); });
  });
}

void CKernel::GenerateRandom(unsigned long count, unsigned char* out) const {
  Boundary([&] {
    RequireArgument(count != 0 && out != nullptr);
    Draw(*this, {out, count});
  });
}

void CKernel::GenSymmetricKey(unsigned char* const key) const {
  Boundary([&] {
    RequireArgument(key != nullptr);
    ProviderOf(*this).WithGenerator([&](tavrpki::dstu::GeneratorSlot& slot) {
      tavrpki::dstu::RefreshGenerator(slot);
      tavrpki::dstu::DrawRandom(slot, {key, 32});
    });
  });
}

}  // namespace Kernel
