// tavrpki random N: N bytes, as hex, from a generator freshly seeded the way the
// kernel's three-input InitRandom seeds it (collected entropy and the time).
#include <cstdio>
#include <ctime>
#include <string>

#include "Command.h"
#include "gostcrypto/EntropyCollect.h"
#include "gostcrypto/RndEngine.h"

namespace tavrpki::tool {
namespace {

int Run(const Args& args) {
  if (args.size() != 1) throw UsageError{"give the number of bytes"};
  std::size_t used = 0;
  unsigned long long count = 0;
  try {
    count = std::stoull(args[0], &used);
  } catch (...) {
    used = 0;
  }
  if (used != args[0].size() || args[0][0] == '-' || count > (1ull << 32))
    throw UsageError{"N: a byte count up to 4294967296"};

  unsigned char entropy[gostcrypto::kEntropyBufferSize];
  (void)gostcrypto::TAVRCLCRNGEntropyDataCollect(entropy, nullptr, nullptr, 0, 0);
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  const unsigned long long ticks = static_cast<unsigned long long>(now.tv_sec) * 10000000ull + now.tv_nsec / 100;
  unsigned char seed[8];
  for (int i = 0; i < 8; ++i) seed[i] = static_cast<unsigned char>(ticks >> (8 * i));
  gostcrypto::RndEngine engine(entropy, sizeof entropy, nullptr, nullptr, seed, nullptr);

  unsigned char chunk[4096];
  while (count > 0) {
    const std::size_t n = count < sizeof chunk ? static_cast<std::size_t>(count) : sizeof chunk;
    engine.Generate(chunk, n);
    std::fputs(ToHex(chunk, n).c_str(), stdout);
    count -= n;
  }
  std::putchar('\n');
  return 0;
}

const CommandRegistration kRandom{"random", "N", "N random bytes as hex", &Run};

}  // namespace
}  // namespace tavrpki::tool
