#include "ec/KeyStream.h"

#include <algorithm>
#include <cstdint>

#include "gostcrypto/Wipe.h"
#include "gostcrypto/HashEngine.h"

namespace gostcrypto::ec {

void KeyStream(Bytes sharedX, Bytes rCompressed, MutableBytes out) {
  std::uint8_t block[HashEngine::kHashSize];
  for (std::uint32_t counter = 1, done = 0; done < out.size(); ++counter) {
    const std::uint8_t index[4] = {static_cast<std::uint8_t>(counter), static_cast<std::uint8_t>(counter >> 8),
                                   static_cast<std::uint8_t>(counter >> 16),
                                   static_cast<std::uint8_t>(counter >> 24)};
    HashEngine hash(nullptr, nullptr, HashEngine::Input::kSecret);  // DKE No. 1, zero start; hashes a secret
    hash.CalculateHash(sharedX.data(), sharedX.size());
    hash.CalculateHash(rCompressed.data(), rCompressed.size());
    hash.CalculateHash(index, sizeof index);
    hash.Done(block);
    const std::size_t take = std::min<std::size_t>(sizeof block, out.size() - done);
    std::copy(block, block + take, out.begin() + static_cast<std::ptrdiff_t>(done));
    done += static_cast<std::uint32_t>(take);
  }
  tavrpki::SecureWipe(block, sizeof block);
}

}  // namespace gostcrypto::ec
