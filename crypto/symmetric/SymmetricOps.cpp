#include "crypto/symmetric/SymmetricOps.h"

#include <cstring>
#include <memory>

#include "core/Catalogue.h"
#include "gostcrypto/Wipe.h"
#include "gostcrypto/DkeNo1.h"
#include "gostcrypto/HashEngine.h"
#include "gostcrypto/SCryptoEngine.h"

namespace tavrpki::symmetric {

void RequireSBox(const unsigned char* sbox) {
  if (sbox != nullptr && !gostcrypto::IsPermutationSBox(sbox)) Raise(kMsgBadSBox);
}

void CalcHash(std::span<const std::uint8_t> data, std::span<std::uint8_t, kHashSize> out,
              const unsigned char* sbox) {
  RequireSBox(sbox);
  gostcrypto::HashEngine engine(sbox, nullptr);
  engine.CalculateHash(data.data(), static_cast<unsigned long>(data.size()));
  engine.Done(out.data());
}

void* CreateHash(const unsigned char* sbox, const unsigned char* second) {
  RequireSBox(sbox);
  return new gostcrypto::HashEngine(sbox, second);
}

void HashData(void* handle, std::span<const std::uint8_t> data) {
  if (handle == nullptr) Raise(kMsgInvalidHandle);
  static_cast<gostcrypto::HashEngine*>(handle)->CalculateHash(data.data(), static_cast<unsigned long>(data.size()));
}

void FinishHash(void* handle, std::span<std::uint8_t, kHashSize> out) {
  if (handle == nullptr) Raise(kMsgInvalidHandle);
  // The handle is gone afterwards whatever happens: the caller cannot retry.
  std::unique_ptr<gostcrypto::HashEngine> engine(static_cast<gostcrypto::HashEngine*>(handle));
  std::uint8_t value[kHashSize];
  WipeOnExit guard(value, sizeof value);
  engine->Done(value);
  std::memcpy(out.data(), value, kHashSize);
}

void* CreateCipher(const unsigned char* key, const unsigned char* sbox, const unsigned char* iv, bool encrypt) {
  RequireSBox(sbox);
  return new gostcrypto::SCryptoEngine(sbox, encrypt, gostcrypto::kGammingFeedback, key, iv);
}

void Transform(void* handle, std::span<const std::uint8_t> in, std::uint8_t* out) {
  auto& engine = *static_cast<gostcrypto::SCryptoEngine*>(handle);
  const std::size_t whole = in.size() / 8;
  if (whole > 0) engine.makeTransform(in.data(), out, static_cast<unsigned long>(whole));
  const std::size_t rest = in.size() % 8;
  if (rest != 0) {
    std::uint8_t block[8] = {};
    WipeOnExit guard(block, sizeof block);
    std::memcpy(block, in.data() + 8 * whole, rest);
    engine.makeTransform(block, block, 1);
    std::memcpy(out + 8 * whole, block, rest);
  }
}

void DestroyCipher(void* handle) { delete static_cast<gostcrypto::SCryptoEngine*>(handle); }

}  // namespace tavrpki::symmetric
