// tavrpki speed tsa: the time-stamp authority on loopback, in this process,
// asked through the library's client (CKernelTSP::GetTSP) as a program asks a
// real one. Round trips and tokens are counted by the wall clock, not by CPU
// time: the work is split between the client and the authority's threads.
// The authority signs with a key made in memory (257-bit curve, DKE No. 1) under
// a copy of a real authority's certificate (its names and critical
// time-stamping usage) carrying that key; its serial state lives in a temporary
// directory removed afterwards. GetTSP sends no certReq, so this authority puts
// its certificate in every token, which is what lets the client verify them.
// Lines:
//   tsa-roundtrip <n> ops/s: one client, each token verified (VerifyTSPToken);
//   tsa-8-clients <n> tokens/s: eight clients at once, tokens not verified.
// Each is the median of five rounds.
#include <stdlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <thread>
#include <vector>

#include "Command.h"
#include "DkeOption.h"
#include "SpeedCertificates.h"
#include "kernel/CKernelAllParams.h"
#include "kernel/CKernelCertificate.h"
#include "kernel/CKernelDoubleKeyPair.h"
#include "kernel/CKernelTSP.h"
#include "kernel/GetKernelInstance.h"
#include "tsa/TimeStampAuthority.h"
#include "tsa/TsaHttp.h"

namespace tavrpki::tool {
namespace {

constexpr const char* kCurve257 = "1.2.804.2.1.1.1.1.3.1.1.2.6";
constexpr int kRounds = 5;

using Clock = std::chrono::steady_clock;

// Calls per second of `body`, run by `threads` threads for `seconds` in each of
// five rounds; the median round.
double MedianRate(int threads, double seconds, const std::function<void(int thread)>& body) {
  std::vector<double> rates;
  for (int round = 0; round < kRounds; ++round) {
    std::atomic<long> calls{0};
    const auto end = Clock::now() + std::chrono::duration<double>(seconds);
    const auto start = Clock::now();
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t)
      workers.emplace_back([&, t] {
        while (Clock::now() < end) {
          body(t);
          ++calls;
        }
      });
    for (std::thread& w : workers) w.join();
    rates.push_back(static_cast<double>(calls.load()) / std::chrono::duration<double>(Clock::now() - start).count());
  }
  std::sort(rates.begin(), rates.end());
  return rates[kRounds / 2];
}

struct Identity {
  Kernel::CKernel kernel = Kernel::GetKernelInstance();
  Kernel::CKernelDoubleKeyPair keys{kernel, false};
  std::vector<std::uint8_t> certificate;

  Identity() {
    SBox dke = DkeNo1();
    Kernel::CKernelAllParams params(kernel);
    params.SetRandomSBox(dke.data());
    params.SetCryptSBox(dke.data());
    params.SetSignParams(kernel.GenerateAsymmetric4145Params(kCurve257, dke.data()));
    params.SetCryptParams(kernel.GenerateAsymmetric4145Params(kCurve257, dke.data()));
    keys = kernel.Generate4145DoubleKeyPair(params, false);
    Kernel::CKernelCertificate cert(kernel);
    cert.InitFromBuffer(kDiiaTsp2023.data(), static_cast<unsigned long>(kDiiaTsp2023.size()), false);
    cert.SetCertSignKeys(keys);
    cert.Ensign(keys, dke.data());
    unsigned long length = 0;
    cert.GetCertBuffer(nullptr, &length);
    certificate.resize(length);
    cert.GetCertBuffer(certificate.data(), &length);
    certificate.resize(length);
  }
};

class TemporaryDirectory {
 public:
  TemporaryDirectory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tavrpki-speed-tsa-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw UsageError{"cannot make a temporary directory"};
    m_path = pattern;
  }
  ~TemporaryDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
  }
  const std::filesystem::path& Path() const { return m_path; }

 private:
  std::filesystem::path m_path;
};

void Report(const char* what, double rate, const char* unit) {
  std::printf("%s %.0f %s\n", what, rate, unit);
  std::fflush(stdout);
}

int Run(const Args& args) {
  if (!args.empty()) throw UsageError{"speed tsa takes no arguments"};
  const Identity identity;
  const TemporaryDirectory state;
  servers::TsaSettings settings;
  settings.statePath = (state.Path() / "serial").string();
  settings.alwaysIncludeCertificate = true;
  servers::TimeStampAuthority authority(identity.kernel, identity.certificate, identity.keys, settings);
  servers::HttpServer server(servers::TsaHandler(authority));
  const std::string url = server.Url();

  std::vector<unsigned char> token(16 * 1024);
  unsigned char hash[32];
  for (int i = 0; i < 32; ++i) hash[i] = static_cast<unsigned char>(i * 37 + 1);
  Report("tsa-roundtrip", MedianRate(1, 0.4, [&](int) {
           unsigned long length = static_cast<unsigned long>(token.size());
           if (Kernel::CKernelTSP::GetTSP(url.c_str(), hash, token.data(), &length) != 0 ||
               !Kernel::CKernelTSP::VerifyTSPToken(identity.kernel, token.data(), length, hash))
             std::abort();
         }),
         "ops/s");

  constexpr int kClients = 8;
  std::vector<std::vector<unsigned char>> tokens(kClients, std::vector<unsigned char>(16 * 1024));
  Report("tsa-8-clients", MedianRate(kClients, 1.0, [&](int client) {
           unsigned long length = static_cast<unsigned long>(tokens[client].size());
           unsigned char mine[32];
           std::copy(hash, hash + 32, mine);
           if (Kernel::CKernelTSP::GetTSP(url.c_str(), mine, tokens[client].data(), &length) != 0) std::abort();
         }),
         "tokens/s");
  return 0;
}

const SpeedRegistration kSpeedTsa{"tsa", "", &Run};

}  // namespace
}  // namespace tavrpki::tool
