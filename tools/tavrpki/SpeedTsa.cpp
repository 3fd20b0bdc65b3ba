// tavrpki speed tsa: the time-stamp authority on loopback, in this process,
// asked through the library's client (CKernelTSP::GetTSP) as a program asks a
// real one. Round trips and tokens are counted by the wall clock, not by CPU
// time: the work is split between the client and the authority's threads.
// The authority signs with a key made in memory (257-bit curve, DKE No. 1) under
// a small self-signed certificate with the critical time-stamping usage; its
// serial state lives in a temporary directory removed afterwards. Each token
// writes the audit line of a signature when "UseLog" is on, and that line, not
// the signature, then bounds the rate. GetTSP sends no certReq, so this authority puts
// its certificate in every token, which is what lets the client verify them.
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
#include "DkeOption.h"
#include "asn1/tsp/TimeStamp.h"
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

// CN = tavrpki speed, valid 2026-2036; key and signature are placeholders.
constexpr unsigned char kTemplate[] =
    "\x30\x81\x9e\x30\x81\x86\xa0\x03\x02\x01\x02\x02\x01\x01\x30\x0d\x06\x0b\x2a\x86\x24\x02\x01\x01\x01\x01\x03\x01\x01\x30\x18\x31"
    "\x16\x30\x14\x06\x03\x55\x04\x03\x0c\x0d\x74\x61\x76\x72\x70\x6b\x69\x20\x73\x70\x65\x65\x64\x30\x1e\x17\x0d\x32\x36\x30\x31\x30"
    "\x31\x30\x30\x30\x30\x30\x30\x5a\x17\x0d\x33\x36\x30\x31\x30\x31\x30\x30\x30\x30\x30\x30\x5a\x30\x18\x31\x16\x30\x14\x06\x03\x55"
    "\x04\x03\x0c\x0d\x74\x61\x76\x72\x70\x6b\x69\x20\x73\x70\x65\x65\x64\x30\x15\x30\x0d\x06\x0b\x2a\x86\x24\x02\x01\x01\x01\x01\x03"
    "\x01\x01\x03\x04\x00\x04\x01\x00\xa3\x02\x30\x00\x30\x0d\x06\x0b\x2a\x86\x24\x02\x01\x01\x01\x01\x03\x01\x01\x03\x04\x00\x04\x01"
    "\x00";

// RFC 3161, 2.3: time stamping as the only extended key usage, critical.
constexpr unsigned char kTimeStampingOnly[] = {0x30, 0x16, 0x06, 0x03, 0x55, 0x1D, 0x25, 0x01, 0x01, 0xFF, 0x04, 0x0C,
                                               0x30, 0x0A, 0x06, 0x08, 0x2B, 0x06, 0x01, 0x05, 0x05, 0x07, 0x03, 0x08};

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
    cert.InitFromBuffer(kTemplate, sizeof kTemplate - 1, false);
    cert.AddExtension(kTimeStampingOnly, sizeof kTimeStampingOnly);
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
