// The key container reader on arbitrary bytes: every input either opens or fails
// with one of the container codes, without reading outside the input.
//
// The trailing checksum is recomputed over the mutated bytes (as someone editing
// a file on purpose would), so inputs reach the checks behind it: the version,
// the flags, the bounds, the key derivation and the MAC. Counts within the bound
// are folded down to a few iterations to keep each run short; counts beyond it
// are left as they are, since the reader must refuse them before deriving
// anything. The seeds are sealed with "sample password" and counts of 1 to 4, so
// mutations of their description and ciphertext reach the MAC.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "core/ExceptionBase.h"
#include "gostcrypto/DkeNo1.h"
#include "gostcrypto/HashEngine.h"
#include "plugins/filekeystore/Container.h"

namespace {

constexpr std::size_t kIterationsAt = 12;
constexpr std::uint32_t kFoldedIterations = 4;
constexpr std::size_t kChecksumSize = 32;

void FoldIterations(std::vector<std::uint8_t>& c) {
  if (c.size() < kIterationsAt + 4) return;
  std::uint32_t count = 0;
  for (int i = 3; i >= 0; --i) count = count << 8 | c[kIterationsAt + static_cast<std::size_t>(i)];
  if (count <= kFoldedIterations || count > tavrpki::filekeystore::kMaxIterations) return;
  count = 1 + count % kFoldedIterations;
  for (std::size_t i = 0; i < 4; ++i) c[kIterationsAt + i] = static_cast<std::uint8_t>(count >> (8 * i));
}

void RepairChecksum(std::vector<std::uint8_t>& c) {
  if (c.size() < kChecksumSize) return;
  const std::size_t body = c.size() - kChecksumSize;
  gostcrypto::HashEngine hash(gostcrypto::kDkeNo1.data(), nullptr);
  hash.CalculateHash(c.data(), body);
  hash.Done(c.data() + body);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tavrpki::filekeystore;
  std::vector<std::uint8_t> container(data, data + size);
  FoldIterations(container);
  RepairChecksum(container);
  try {
    (void)ReadDescription(container, "k");
    (void)KeysSize(container, "k");
    (void)OpenContainer(container, "sample password", "k");
  } catch (const tavrpki::ExceptionBase& error) {
    const unsigned long code = error.GetErrorCode();
    if (code < 30013 || code > 30016) __builtin_trap();  // only the container's own codes
  }
  return 0;
}
