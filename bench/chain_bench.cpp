// Chain validation: a three-certificate chain (root, CA, end entity; 257-bit
// keys) validated with the revocation lists of a warm SQLite store (the root's
// and the CA's full list, the CA's with 20 entries), as `chain-validate-3` of `tavrpki
// speed chain` measures it. The target is 3,000 validations per second or more.
// Also the chain's building through the same store.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "kernel/CKernelCertificateChain.h"
#include "kernel/GetKernelInstance.h"
#include "tests/kernel_chain/MadePki.h"
#include "tests/support/QuietConfiguration.h"

namespace {

const bool kQuietConfiguration = tavrpki::test::QuietConfiguration("/tmp/tavrpki-chain-bench.reg");

struct Setup {
  std::string dir = MakeDir();
  tavrpki::SqliteCertStore store{dir + "/store.db"};
  Kernel::CKernel kernel = Kernel::GetKernelInstance();
  std::vector<std::string> others = Others();
  std::unique_ptr<tavrpki::test::MadePki> pki = Make();

  static std::vector<std::string> Others() {
    std::vector<std::string> names;
    for (int i = 0; i < 20; ++i) names.push_back("other" + std::to_string(i));
    return names;
  }

  static std::string MakeDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tavrpki-chain-bench-XXXXXX").string();
    return mkdtemp(pattern.data());
  }

  std::unique_ptr<tavrpki::test::MadePki> Make() {
    using namespace tavrpki::test;
    kernel.SetCertStorage(static_cast<tavrpki::CertStorage*>(&store));
    auto made = std::make_unique<MadePki>(kernel, store);
    made->Issue({"root", nullptr});
    made->Issue({"ca", "root"});
    made->Issue({"ee", "ca", nullptr, false, 0, kSigningUsage});
    // Others' certificates fill the lists: their serials are looked up, never found.
    CrlPlan rootList{"root", 1}, caList{"ca", 1};
    for (const std::string& name : others) {
      made->Issue({name.c_str(), "ca", nullptr, false, 0, kSigningUsage});
      caList.entries.push_back({name.c_str(), 1, tavrpki::DateTime(2026, 3, 1)});
    }
    made->Sign(rootList);
    made->Sign(caList);
    return made;
  }

  ~Setup() {
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
  }
};

Setup& Shared() {
  static Setup setup;
  return setup;
}

const _SYSTEMTIME kAt = tavrpki::DateTime(2026, 6, 1).SystemTime();

void BM_ChainValidate3(benchmark::State& state) {
  Setup& setup = Shared();
  Kernel::CKernelCertificateChain chain = Kernel::CKernelCertificateChain::Build(setup.kernel, (*setup.pki)["ee"].cert);
  chain.SetValidationTime(&kAt);
  for (auto _ : state) chain.Validate(true, false, false, nullptr);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ChainValidate3)->Unit(benchmark::kMicrosecond);

void BM_ChainBuild3(benchmark::State& state) {
  Setup& setup = Shared();
  const Kernel::CKernelCertificate& ee = (*setup.pki)["ee"].cert;
  for (auto _ : state) benchmark::DoNotOptimize(Kernel::CKernelCertificateChain::Build(setup.kernel, ee));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ChainBuild3)->Unit(benchmark::kMicrosecond);

}  // namespace
