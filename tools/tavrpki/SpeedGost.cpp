// tavrpki speed hash|cipher: single-thread throughput in CPU time, at least a second
// per figure, one line each: "<name> <value> <unit> <cpu-path>".
//   hash:   gost34311-1MiB (MiB/s), gost34311-64B (msg/s)
//   cipher: gost28147-ecb, -ctr, -cfb-enc, -cfb-dec (MiB/s), init-random (us: what the
//           kernel's three-input InitRandom costs: collection plus a new generator)
// <cpu-path> is the path the process chose (portable, avx2, avx512); to measure a
// slower one on a faster CPU, set TAVRPKI_CPU_PATH=portable|avx2 (gostcrypto/CpuPath.h).
#include <cstdio>
#include <vector>

#include "Command.h"
#include "gostcrypto/CpuPath.h"
#include "gostcrypto/EntropyCollect.h"
#include "gostcrypto/HashEngine.h"
#include "gostcrypto/RndEngine.h"
#include "gostcrypto/SCryptoEngine.h"

namespace tavrpki::tool {
namespace {

const char* Path() { return gostcrypto::ActiveCpuPathNames().cipher; }

void Line(const char* name, double value, const char* unit) {
  std::printf("%s %.1f %s %s\n", name, value, unit, Path());
  std::fflush(stdout);
}

constexpr double kMiB = 1024.0 * 1024.0;

int Hash(const Args& args) {
  if (!args.empty()) throw UsageError{"speed hash takes no options"};
  std::vector<unsigned char> big(1 << 20, 0x61);
  unsigned char out[32];
  const double perMiB = MeasureCpuSeconds([&] {
    gostcrypto::HashEngine h(nullptr, nullptr);
    h.CalculateHash(big.data(), static_cast<unsigned long>(big.size()));
    h.Done(out);
  });
  Line("gost34311-1MiB", 1.0 / perMiB, "MiB/s");
  const double perMessage = MeasureCpuSeconds([&] {
    for (int i = 0; i < 1000; ++i) {
      gostcrypto::HashEngine h(nullptr, nullptr);
      h.CalculateHash(big.data(), 64);
      h.Done(out);
    }
  });
  Line("gost34311-64B", 1000.0 / perMessage, "msg/s");
  return 0;
}

int Cipher(const Args& args) {
  if (!args.empty()) throw UsageError{"speed cipher takes no options"};
  const unsigned char key[32] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16,
                                 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32};
  std::vector<unsigned char> data(1 << 20, 0x33);
  const struct {
    const char* name;
    int mode;
    bool encrypt;
  } figures[] = {{"gost28147-ecb", gostcrypto::kSimpleReplacement, true},
                 {"gost28147-ctr", gostcrypto::kGamming, true},
                 {"gost28147-cfb-enc", gostcrypto::kGammingFeedback, true},
                 {"gost28147-cfb-dec", gostcrypto::kGammingFeedback, false}};
  for (const auto& f : figures) {
    gostcrypto::SCryptoEngine engine(nullptr, f.encrypt, f.mode, key, nullptr);
    const double seconds = MeasureCpuSeconds(
        [&] { engine.makeTransform(data.data(), data.data(), static_cast<unsigned long>(data.size() / 8)); });
    Line(f.name, static_cast<double>(data.size()) / kMiB / seconds, "MiB/s");
  }
  unsigned char entropy[gostcrypto::kEntropyBufferSize];
  const unsigned char seed[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  const double perInit = MeasureCpuSeconds([&] {
    for (int i = 0; i < 100; ++i) {
      (void)gostcrypto::TAVRCLCRNGEntropyDataCollect(entropy, nullptr, nullptr, 0, 0);
      gostcrypto::RndEngine engine(entropy, sizeof entropy, nullptr, nullptr, seed, nullptr);
    }
  });
  Line("init-random", perInit / 100.0 * 1e6, "us");
  return 0;
}

const SpeedRegistration kSpeedHash{"hash", "", &Hash};
const SpeedRegistration kSpeedCipher{"cipher", "", &Cipher};

}  // namespace
}  // namespace tavrpki::tool
