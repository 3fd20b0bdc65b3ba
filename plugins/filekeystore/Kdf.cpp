#include "Kdf.h"

#include <algorithm>

#include "gostcrypto/Wipe.h"
#include "gostcrypto/DkeNo1.h"
#include "gostcrypto/HashEngine.h"

namespace tavrpki::filekeystore {
namespace {

constexpr std::size_t kBlockSize = 32;  // the hash absorbs 256-bit blocks
constexpr std::uint8_t kInnerPad = 0x36;
constexpr std::uint8_t kOuterPad = 0x5C;

Digest Hash(std::span<const std::uint8_t> first, std::span<const std::uint8_t> second) {
  gostcrypto::HashEngine engine(gostcrypto::kDkeNo1.data(), nullptr, gostcrypto::HashEngine::Input::kSecret);
  engine.CalculateHash(first.data(), first.size());
  if (!second.empty()) engine.CalculateHash(second.data(), second.size());
  Digest out;
  engine.Done(out.data());
  return out;
}

// The HMAC key, kept as the two hash states that have absorbed the key XORed
// with the inner and the outer pad (each MAC then copies them instead of hashing
// the pads again). The engines wipe their state when they go.
class PaddedKey {
 public:
  explicit PaddedKey(std::span<const std::uint8_t> key)
      : m_inner(gostcrypto::kDkeNo1.data(), nullptr, gostcrypto::HashEngine::Input::kSecret),
        m_outer(gostcrypto::kDkeNo1.data(), nullptr, gostcrypto::HashEngine::Input::kSecret) {
    std::array<std::uint8_t, kBlockSize> block{};
    WipeOnExit guard(block.data(), block.size());
    if (key.size() > kBlockSize) {
      Digest hashed = Hash(key, {});
      std::copy(hashed.begin(), hashed.end(), block.begin());
      SecureWipe(std::span(hashed));
    } else {
      std::copy(key.begin(), key.end(), block.begin());
    }
    for (auto& byte : block) byte ^= kInnerPad;
    m_inner.CalculateHash(block.data(), block.size());
    for (auto& byte : block) byte ^= kInnerPad ^ kOuterPad;
    m_outer.CalculateHash(block.data(), block.size());
  }

  Digest Mac(std::span<const std::uint8_t> first, std::span<const std::uint8_t> second = {}) const {
    gostcrypto::HashEngine inner(m_inner);
    if (!first.empty()) inner.CalculateHash(first.data(), first.size());
    if (!second.empty()) inner.CalculateHash(second.data(), second.size());
    Digest innerDigest;
    WipeOnExit guard(innerDigest.data(), innerDigest.size());
    inner.Done(innerDigest.data());
    gostcrypto::HashEngine outer(m_outer);
    outer.CalculateHash(innerDigest.data(), innerDigest.size());
    Digest out;
    outer.Done(out.data());
    return out;
  }

 private:
  gostcrypto::HashEngine m_inner;
  gostcrypto::HashEngine m_outer;
};

}  // namespace

Digest Hmac(std::span<const std::uint8_t> key, std::span<const std::uint8_t> message) {
  return PaddedKey(key).Mac(message);
}

void Pbkdf2(std::span<const std::uint8_t> password, std::span<const std::uint8_t> salt,
            std::uint32_t iterations, std::span<std::uint8_t> out) {
  const PaddedKey prf(password);
  Digest u{};
  Digest t{};
  WipeOnExit guardU(u.data(), u.size());
  WipeOnExit guardT(t.data(), t.size());
  for (std::uint32_t blockIndex = 1; !out.empty(); ++blockIndex) {
    const std::array<std::uint8_t, 4> counter{
        static_cast<std::uint8_t>(blockIndex >> 24), static_cast<std::uint8_t>(blockIndex >> 16),
        static_cast<std::uint8_t>(blockIndex >> 8), static_cast<std::uint8_t>(blockIndex)};
    u = prf.Mac(salt, counter);
    t = u;
    for (std::uint32_t i = 1; i < iterations; ++i) {
      u = prf.Mac(u);
      for (std::size_t b = 0; b < kHashSize; ++b) t[b] ^= u[b];
    }
    const std::size_t take = std::min(out.size(), kHashSize);
    std::copy_n(t.begin(), take, out.begin());
    out = out.subspan(take);
  }
}

}  // namespace tavrpki::filekeystore
