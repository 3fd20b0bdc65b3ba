// The exported certificate class on a real end-entity certificate of the 257-bit
// curve (explicit parameters, DKE No. 1): loading alone, and loading followed by
// the signature check under the issuer's key taken from the issuer certificate,
// as a relying party does for every certificate it meets. The parts of the check
// are measured on their own too: the issuer key out of subjectPublicKeyInfo
// (parameters and point from their caches), the exported key pair around it,
// and the verification.
// Rates in certificates per CPU second.
#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "kernel/CKernelCertificate.h"
#include "kernel/GetKernelInstance.h"
#include "kernel/HandleCast.h"
#include "kernel/pkix/Certificate.h"
#include "tests/support/QuietConfiguration.h"

namespace {

const bool kQuietConfiguration = tavrpki::test::QuietConfiguration("/tmp/tavrpki-cert-bench.reg");

std::vector<std::uint8_t> ReadData(const char* name) {
  std::ifstream in(std::string(TAVRPKI_TEST_DATA_DIR "/") + name, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// The 257-bit end entity and the CA that signed it (itself on the 257-bit curve).
const std::vector<std::uint8_t>& Subject() {
  static const std::vector<std::uint8_t> bytes = ReadData("real/diia-test-sign-2022.cer");
  return bytes;
}
const std::vector<std::uint8_t>& Issuer() {
  static const std::vector<std::uint8_t> bytes = ReadData("real/diia-qtsp-ca-2020.cer");
  return bytes;
}

Kernel::CKernelCertificate Load(const Kernel::CKernel& kernel, const std::vector<std::uint8_t>& der) {
  Kernel::CKernelCertificate cert(kernel);
  cert.InitFromBuffer(der.data(), static_cast<unsigned long>(der.size()), false);
  return cert;
}

void BM_CertLoad(benchmark::State& state) {
  const Kernel::CKernel kernel = GetKernelInstance();
  Kernel::CKernelCertificate cert(kernel);
  const std::vector<std::uint8_t>& der = Subject();
  for (auto _ : state) {
    cert.InitFromBuffer(der.data(), static_cast<unsigned long>(der.size()), false);
    benchmark::DoNotOptimize(cert.GetHandle());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CertLoad);

void BM_CertLoadVerify(benchmark::State& state) {
  const Kernel::CKernel kernel = GetKernelInstance();
  const Kernel::CKernelCertificate issuer = Load(kernel, Issuer());
  Kernel::CKernelCertificate cert(kernel);
  const std::vector<std::uint8_t>& der = Subject();
  for (auto _ : state) {
    cert.InitFromBuffer(der.data(), static_cast<unsigned long>(der.size()), false);
    if (!cert.VerifySignature(issuer.GetCertSignKey())) state.SkipWithError("signature does not verify");
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CertLoadVerify);

// The same with the issuer's key pair taken out once, as a relying party that
// keeps its issuers' keys does: what the certificate itself costs.
void BM_CertLoadVerifyIssuerKeyKept(benchmark::State& state) {
  const Kernel::CKernel kernel = GetKernelInstance();
  const Kernel::CKernelDoubleKeyPair issuerKeys = Load(kernel, Issuer()).GetCertSignKey();
  Kernel::CKernelCertificate cert(kernel);
  const std::vector<std::uint8_t>& der = Subject();
  for (auto _ : state) {
    cert.InitFromBuffer(der.data(), static_cast<unsigned long>(der.size()), false);
    if (!cert.VerifySignature(issuerKeys)) state.SkipWithError("signature does not verify");
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CertLoadVerifyIssuerKeyKept);

// The exported key pair: the key out of the certificate and the kernel copy that
// every exported handle object carries (its own provider).
void BM_CertSignKey(benchmark::State& state) {
  const Kernel::CKernel kernel = GetKernelInstance();
  const Kernel::CKernelCertificate issuer = Load(kernel, Issuer());
  for (auto _ : state) benchmark::DoNotOptimize(issuer.GetCertSignKey().GetHandle());
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CertSignKey);

// The key out of subjectPublicKeyInfo alone (parameters and point from the caches).
void BM_CertSignKeyInternal(benchmark::State& state) {
  const Kernel::CKernel kernel = GetKernelInstance();
  const Kernel::CKernelCertificate issuer = Load(kernel, Issuer());
  for (auto _ : state)
    benchmark::DoNotOptimize(tavrpki::pkix::CertificateSignKey(Kernel::CertificateOf(issuer)));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CertSignKeyInternal);

// What every exported handle object pays for the kernel it keeps: a copy with a
// provider of its own and the log switch read again (one `stat` of the hive
// while it is unchanged); the key storage link waits for a key operation.
void BM_KernelCopy(benchmark::State& state) {
  const Kernel::CKernel kernel = GetKernelInstance();
  for (auto _ : state) {
    Kernel::CKernel copy(kernel);
    benchmark::DoNotOptimize(copy.GetProvider());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_KernelCopy);

void BM_CertVerifyOnly(benchmark::State& state) {
  const Kernel::CKernel kernel = GetKernelInstance();
  const Kernel::CKernelCertificate issuer = Load(kernel, Issuer());
  const Kernel::CKernelCertificate cert = Load(kernel, Subject());
  const Kernel::CKernelDoubleKeyPair keys = issuer.GetCertSignKey();
  for (auto _ : state) benchmark::DoNotOptimize(cert.VerifySignature(keys));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CertVerifyOnly);

}  // namespace
