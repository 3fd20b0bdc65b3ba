// tavrpki speed tsa: the time-stamp authority on loopback, in this process,
// asked through the library's client (CKernelTSP::GetTSP) as a program asks a
// real one. Round trips and tokens are counted by the wall clock, not by CPU
// time: the work is split between the client and the authority's threads.
// The authority signs as the speed commands' own signer (SpeedSigner.h), its
// certificate given the critical time-stamping usage; its serial state lives in
// a temporary directory removed afterwards. GetTSP sends no certReq, so this
// authority puts its certificate in every token, which is what lets the client
// verify them.
// Lines:
//   tsa-roundtrip <n> ops/s: one client, each token verified (VerifyTSPToken);
//   tsa-tokens-8-threads <n> tokens/s: the authority alone, eight threads handing
//     it requests at once, without HTTP: what its signing, serials and encoding
//     allow (the library's client opens a connection per token, so eight of them
//     would measure connection set-up rather than the authority).
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
#include "SpeedSigner.h"
#include "asn1/tsp/TimeStamp.h"
#include "kernel/CKernelTSP.h"
#include "tsa/TimeStampAuthority.h"
#include "tsa/TsaHttp.h"

namespace tavrpki::tool {
namespace {

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

// RFC 3161, 2.3: time stamping as the only extended key usage, critical.
constexpr unsigned char kTimeStampingOnly[] = {0x30, 0x16, 0x06, 0x03, 0x55, 0x1D, 0x25, 0x01, 0x01, 0xFF, 0x04, 0x0C,
                                               0x30, 0x0A, 0x06, 0x08, 0x2B, 0x06, 0x01, 0x05, 0x05, 0x07, 0x03, 0x08};

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
  const SpeedSigner identity(kTimeStampingOnly);
  const std::vector<std::uint8_t> certificate = identity.CertificateDer();
  const TemporaryDirectory state;
  servers::TsaSettings settings;
  settings.statePath = (state.Path() / "serial").string();
  settings.alwaysIncludeCertificate = true;
  servers::TimeStampAuthority authority(identity.kernel, certificate, identity.keys, settings);
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

  tsp::TimeStampReq query;
  query.messageImprint.hashedMessage.assign(hash, hash + 32);
  const std::vector<std::uint8_t> request = tsp::Encode(query);
  Report("tsa-tokens-8-threads", MedianRate(8, 1.0, [&](int) {
           if (tsp::DecodeTimeStampResp(authority.Answer(request)).status.status != tsp::kGranted) std::abort();
         }),
         "tokens/s");
  return 0;
}

const SpeedRegistration kSpeedTsa{"tsa", "", &Run};

}  // namespace
}  // namespace tavrpki::tool
