// GOST 34.311-95, GOST 28147-89 and the random generator: single thread, CPU time.
// Each benchmark runs on every CPU path the machine has (argument 0 = portable,
// 1 = AVX2, 2 = AVX-512), so they can be compared side by side; the hash also for public
// data and for secret input (second argument).
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "gostcrypto/gost/Bulk.h"
#include "gostcrypto/CpuPath.h"
#include "gostcrypto/EntropyCollect.h"
#include "gostcrypto/HashEngine.h"
#include "gostcrypto/RndEngine.h"
#include "gostcrypto/SCryptoEngine.h"

namespace {

using CpuPath = gostcrypto::CipherPath;

const unsigned char kKey[32] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16,
                                17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32};

// CpuPath lists the paths in that order.
CpuPath PathOf(const benchmark::State& state) { return static_cast<CpuPath>(state.range(0)); }

bool SelectPath(benchmark::State& state) {
  const CpuPath path = PathOf(state);
  if (gostcrypto::Supported(path) != path) {
    state.SkipWithError("this CPU lacks the instructions of the path");
    return false;
  }
  state.SetLabel(gostcrypto::PathName(path));
  return true;
}

// Argument 1: 0 public data (table rounds), 1 secret input (constant-time kernels).
gostcrypto::HashEngine::Input InputOf(const benchmark::State& state) {
  return state.range(1) == 0 ? gostcrypto::HashEngine::Input::kPublic : gostcrypto::HashEngine::Input::kSecret;
}

void Hash1MiB(benchmark::State& state) {
  if (!SelectPath(state)) return;
  gostcrypto::ScopedCpuPath path(PathOf(state));
  std::vector<unsigned char> data(1 << 20, 0x61);
  unsigned char out[32];
  for (auto _ : state) {
    gostcrypto::HashEngine h(nullptr, nullptr, InputOf(state));
    h.CalculateHash(data.data(), static_cast<unsigned long>(data.size()));
    h.Done(out);
    benchmark::DoNotOptimize(out);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(data.size()));
}
BENCHMARK(Hash1MiB)->ArgsProduct({{0, 1, 2}, {0, 1}})->Unit(benchmark::kMillisecond);

void Hash64B(benchmark::State& state) {
  if (!SelectPath(state)) return;
  gostcrypto::ScopedCpuPath path(PathOf(state));
  unsigned char data[64] = {}, out[32];
  for (auto _ : state) {
    gostcrypto::HashEngine h(nullptr, nullptr, InputOf(state));
    h.CalculateHash(data, sizeof data);
    h.Done(out);
    benchmark::DoNotOptimize(out);
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(Hash64B)->ArgsProduct({{0, 1, 2}, {0, 1}});

// Secret-input hashes of equal-length messages side by side (argument: how many,
// 256 KiB each, the envelope file's chunk); bytes are all of them together.
void HashSideBySide(benchmark::State& state) {
  const auto count = static_cast<std::size_t>(state.range(0));
  std::vector<std::vector<unsigned char>> data(count, std::vector<unsigned char>(256 << 10, 0x61));
  std::vector<const unsigned char*> inputs;
  for (const auto& d : data) inputs.push_back(d.data());
  unsigned char out[32];
  for (auto _ : state) {
    std::vector<gostcrypto::HashEngine> engines(count, gostcrypto::HashEngine(nullptr, nullptr,
                                                                              gostcrypto::HashEngine::Input::kSecret));
    std::vector<gostcrypto::HashEngine*> pointers;
    for (auto& e : engines) pointers.push_back(&e);
    gostcrypto::HashEngine::CalculateHashes(pointers.data(), inputs.data(), count, 256 << 10);
    for (auto& e : engines) e.Done(out);
    benchmark::DoNotOptimize(out);
  }
  state.SetLabel(gostcrypto::ActiveCpuPathNames().cipher);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * count) << 18);
}
BENCHMARK(HashSideBySide)->Arg(1)->Arg(2)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond);

// CFB encryption of independent 64 KiB messages side by side (argument: how many);
// bytes are all of them together.
void CfbEncryptSideBySide(benchmark::State& state) {
  const auto count = static_cast<std::size_t>(state.range(0));
  std::vector<std::vector<unsigned char>> data(count, std::vector<unsigned char>(64 << 10, 0x33));
  std::vector<std::vector<unsigned char>> sync(count, std::vector<unsigned char>(8, 0));
  std::vector<unsigned char*> messages, feedback;
  for (std::size_t i = 0; i < count; ++i) {
    messages.push_back(data[i].data());
    feedback.push_back(sync[i].data());
  }
  for (auto _ : state) {
    gostcrypto::SCryptoEngine::EncryptFeedbackTogether(nullptr, kKey, messages.data(), feedback.data(), count,
                                                       (64 << 10) / 8);
    benchmark::ClobberMemory();
  }
  state.SetLabel(gostcrypto::ActiveCpuPathNames().cipher);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * count) << 16);
}
BENCHMARK(CfbEncryptSideBySide)->Arg(1)->Arg(4)->Arg(8)->Arg(16);

// Argument 1 selects the mode: 0 ECB, 1 counter, 2 CFB encryption, 3 CFB decryption.
void Cipher64KiB(benchmark::State& state) {
  if (!SelectPath(state)) return;
  gostcrypto::ScopedCpuPath path(PathOf(state));
  static const char* const kNames[] = {"ecb", "ctr", "cfb-enc", "cfb-dec"};
  const int which = static_cast<int>(state.range(1));
  const int mode = which == 0 ? gostcrypto::kSimpleReplacement
                   : which == 1 ? gostcrypto::kGamming
                                : gostcrypto::kGammingFeedback;
  gostcrypto::SCryptoEngine engine(nullptr, which != 3, mode, kKey, nullptr);
  std::vector<unsigned char> data(64 << 10, 0x33);
  for (auto _ : state) {
    engine.makeTransform(data.data(), data.data(), static_cast<unsigned long>(data.size() / 8));
    benchmark::ClobberMemory();
  }
  std::string label = kNames[which];
  label.append(" ").append(gostcrypto::ActiveCpuPathNames().cipher);
  state.SetLabel(label);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(data.size()));
}
BENCHMARK(Cipher64KiB)->ArgsProduct({{0, 1, 2}, {0, 1, 2, 3}});

// The scalar kernel sets side by side: tables against the constant-time shifts.
void PortableKernels(benchmark::State& state) {
  const auto& ops = state.range(0) == 0 ? gostcrypto::detail::PortableTableOps()
                                        : gostcrypto::detail::PortableConstantTimeOps();
  gostcrypto::detail::SBox sbox;
  gostcrypto::detail::ExpandSBox(nullptr, sbox);
  const std::uint32_t key[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  unsigned char feedback[8] = {};
  std::vector<unsigned char> data(64 << 10, 0x33);
  const bool chained = state.range(1) == 1;
  for (auto _ : state) {
    if (chained)
      ops.cfbEncrypt(sbox, key, feedback, data.data(), data.data(), data.size() / 8);
    else
      ops.ecbEncrypt(sbox, key, data.data(), data.data(), data.size() / 8);
    benchmark::ClobberMemory();
  }
  std::string label = ops.name;
  label.append(chained ? " cfb-enc" : " ecb");
  state.SetLabel(label);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(data.size()));
}
BENCHMARK(PortableKernels)->ArgsProduct({{0, 1}, {0, 1}});

// What the kernel's three-input InitRandom does: collect, then build the generator.
void InitRandom(benchmark::State& state) {
  if (!SelectPath(state)) return;
  gostcrypto::ScopedCpuPath path(PathOf(state));
  unsigned char entropy[1024];
  const unsigned char seed[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  for (auto _ : state) {
    gostcrypto::TAVRCLCRNGEntropyDataCollect(entropy, nullptr, nullptr, 0, 0);
    gostcrypto::RndEngine engine(entropy, sizeof entropy, nullptr, nullptr, seed, nullptr);
    benchmark::DoNotOptimize(engine);
  }
}
BENCHMARK(InitRandom)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

void GenerateRandom(benchmark::State& state) {
  if (!SelectPath(state)) return;
  gostcrypto::ScopedCpuPath path(PathOf(state));
  const unsigned char seed[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  gostcrypto::RndEngine engine(nullptr, kKey, seed, nullptr);
  unsigned char out[4096];
  for (auto _ : state) {
    engine.Generate(out, sizeof out);
    benchmark::DoNotOptimize(out);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(sizeof out));
}
BENCHMARK(GenerateRandom)->Arg(0)->Arg(1)->Arg(2);

}  // namespace
