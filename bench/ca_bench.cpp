// A certification authority issuing: 1,000 signed requests (257-bit keys, each
// with a key-usage attribute), each loaded, its signature checked, converted
// into a certificate and completed as `tavrpki ca issue` completes it (issuer,
// 20-octet serial, validity, key identifiers, distribution and access points)
// and signed by a 257-bit CA. Rate in certificates per CPU second; the target is
// 5,000 or more.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "asn1/NameFromText.h"
#include "asn1/pkcs10/RequestTemplate.h"
#include "crypto/params/Dke.h"
#include "kernel/CKernelAllParams.h"
#include "kernel/CKernelCertRequest.h"
#include "kernel/CKernelCertificate.h"
#include "kernel/GetKernelInstance.h"
#include "tests/support/QuietConfiguration.h"
#include "tools/servers/CallerBuffer.h"

namespace {

const bool kQuietConfiguration = tavrpki::test::QuietConfiguration("/tmp/tavrpki-ca-bench.reg");
constexpr const char* kCurve257 = "1.2.804.2.1.1.1.1.3.1.1.2.6";
constexpr int kRequests = 1000;
constexpr int kKeys = 16;  // requests share keys: key generation is not what is measured

using tavrpki::servers::Fetch;

struct Authority {
  Kernel::CKernel kernel = Kernel::GetKernelInstance();
  tavrpki::params::Dke dke = tavrpki::params::kDke1;
  Kernel::CKernelDoubleKeyPair caKeys = MakeKeys();
  Kernel::CKernelCertificate caCert = MakeCa();
  std::vector<std::vector<unsigned char>> requests = MakeRequests();

  Kernel::CKernelDoubleKeyPair MakeKeys() {
    Kernel::CKernelAllParams params(kernel);
    params.SetRandomSBox(dke.data());
    params.SetCryptSBox(dke.data());
    params.SetSignParams(kernel.GenerateAsymmetric4145Params(kCurve257, dke.data()));
    params.SetCryptParams(kernel.GenerateAsymmetric4145Params(kCurve257, dke.data()));
    return kernel.Generate4145DoubleKeyPair(params, false);
  }

  Kernel::CKernelCertRequest Request(const std::string& subject, const Kernel::CKernelDoubleKeyPair& keys) {
    Kernel::CKernelCertRequest request(kernel);
    const auto start = tavrpki::UnsignedRequestDer(tavrpki::NameDerFromText(subject));
    request.InitFromBuffer(start.data(), static_cast<unsigned long>(start.size()));
    const std::vector<std::uint8_t> usage{0x30, 0x0B, 0x06, 0x03, 0x55, 0x1D, 0x0F, 0x31, 0x04, 0x0C, 0x02, 'C', '0'};
    request.AddAttribute(usage.data(), static_cast<unsigned long>(usage.size()));
    request.Ensign(keys, dke.data());
    return request;
  }

  Kernel::CKernelCertificate MakeCa() {
    Kernel::CKernelCertificate cert = Request("CN=Bench CA,C=UA", caKeys).ConvertToCertificate();
    cert.SetSerialNo(1);
    _SYSTEMTIME from{}, to{};
    from.wYear = 2026, from.wMonth = 1, from.wDay = 1;
    to.wYear = 2036, to.wMonth = 1, to.wDay = 1;
    cert.SetValidity(from, to);
    cert.MakeIssuerEqualSubject();
    cert.AddSubjectKeyIdentifier();
    cert.AddAuthorityKeyIdentifier();
    cert.Ensign(caKeys, dke.data());
    return cert;
  }

  std::vector<std::vector<unsigned char>> MakeRequests() {
    std::vector<Kernel::CKernelDoubleKeyPair> keys;
    for (int i = 0; i < kKeys; ++i) keys.push_back(MakeKeys());
    std::vector<std::vector<unsigned char>> out;
    for (int i = 0; i < kRequests; ++i) {
      const Kernel::CKernelCertRequest request =
          Request("CN=Користувач " + std::to_string(i) + ",C=UA", keys[static_cast<std::size_t>(i % kKeys)]);
      out.push_back(Fetch([&](unsigned char* b, unsigned long* l) { request.GetRequestBuffer(b, l); }));
    }
    return out;
  }
};

void BM_CaIssue1000(benchmark::State& state) {
  Authority ca;
  const std::vector<unsigned char> serial(20, 0x42);
  _SYSTEMTIME from{}, to{};
  from.wYear = 2026, from.wMonth = 12, from.wDay = 6;
  to.wYear = 2027, to.wMonth = 12, to.wDay = 6;
  for (auto _ : state) {
    for (const std::vector<unsigned char>& der : ca.requests) {
      Kernel::CKernelCertRequest request(ca.kernel);
      request.InitFromBuffer(der.data(), static_cast<unsigned long>(der.size()));
      if (!request.VerifySignature()) state.SkipWithError("a request does not verify");
      Kernel::CKernelCertificate cert = request.ConvertToCertificate();
      cert.SetIssuerFromCert(ca.caCert);
      cert.SetSerialNo(serial.data(), static_cast<unsigned long>(serial.size()));
      cert.SetValidity(from, to);
      cert.AddSubjectKeyIdentifier();
      cert.AddAuthorityKeyIdentifier(ca.caCert);
      cert.AddCRLDistributionPoint("http://ca.example.ua/full.crl");
      cert.SetAuthInformationAccess("http://ca.example.ua/ocsp", nullptr);
      cert.Ensign(ca.caKeys, ca.dke.data());
      benchmark::DoNotOptimize(Fetch([&](unsigned char* b, unsigned long* l) { cert.GetCertBuffer(b, l); }));
    }
  }
  state.SetItemsProcessed(state.iterations() * kRequests);
}
BENCHMARK(BM_CaIssue1000)->Unit(benchmark::kMillisecond);

}  // namespace
