// The audit log's costs: the CRC-32 that verifies a log on every open, and one
// logged line (format, checksum, write) on an open file.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <vector>

#include "core/Crc32.h"
#include "core/Logger.h"

namespace {

void BM_Crc32(benchmark::State& state) {
  std::vector<std::uint8_t> data(static_cast<std::size_t>(state.range(0)));
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 31);
  for (auto _ : state) benchmark::DoNotOptimize(tavrpki::Crc32(data));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_Crc32)->Arg(64)->Arg(64 << 10)->Arg(1 << 20);

void BM_LogLine(benchmark::State& state) {
  const auto directory = std::filesystem::temp_directory_path() / "gostcrypto-bench";
  tavrpki::Logger logger;
  logger.Open(directory.string(), "bench_");
  int n = 0;
  for (auto _ : state) logger.Write(0, tavrpki::kLogInfo, "line %d of the benchmark", ++n);
  logger.Close();
  std::filesystem::remove_all(directory);
}
BENCHMARK(BM_LogLine);

}  // namespace
