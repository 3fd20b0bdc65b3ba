// tavrpki speed chain: trust checks per second, on a PKI the run makes in memory
// (tools/servers/ocsp/LoopbackPki.h) and keeps in a temporary store.
//   chain-validate-3 <n> ops/s   a built chain of three certificates (end entity,
//                                CA, trusted root) validated with the issuers'
//                                revocation lists from the warm store; this
//                                thread's CPU time.
//   ocsp-roundtrip <n> ops/s     the library's client asking an in-process
//                                responder on loopback and checking its answer;
//                                the whole process's CPU time, so the server's
//                                work counts too.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include <tavrpki/SqliteCertStore.h>

#include "Command.h"
#include "LoopbackPki.h"
#include "OcspHttp.h"
#include "OcspResponder.h"
#include "kernel/CKernelCertificateChain.h"
#include "kernel/CKernelOCSP.h"
#include "kernel/GetKernelInstance.h"

namespace tavrpki::tool {
namespace {

// A store file that goes away with the run.
struct TempStore {
  std::filesystem::path dir;
  TempStore() {
    std::random_device random;
    dir = std::filesystem::temp_directory_path() / ("tavrpki-speed-chain-" + std::to_string(random()));
    std::filesystem::create_directory(dir);
  }
  ~TempStore() {
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
  }
};

void Report(const char* name, double seconds) {
  std::printf("%s %.0f ops/s\n", name, 1.0 / seconds);
  std::fflush(stdout);
}

int Run(const Args& args) {
  const Options options(args, {}, {});
  if (!options.Positional().empty()) throw UsageError{"unexpected argument '" + options.Positional()[0] + "'"};
  TempStore temp;
  Kernel::CKernel kernel = Kernel::GetKernelInstance();
  const servers::LoopbackPki pki(kernel);
  SqliteCertStore store((temp.dir / "store.db").string());
  pki.AddTo(store);
  kernel.SetCertStorage(&store);

  const Kernel::CKernelCertificateChain chain = Kernel::CKernelCertificateChain::Build(kernel, pki.good);
  if (chain.GetCount() != 3) throw UsageError{"the loopback chain is not three certificates long"};
  Report("chain-validate-3", MeasureCpuSeconds([&] { chain.Validate(true, false, false, nullptr); }));

  servers::StoreStatusSource statuses(store, servers::LoopbackPki::Der(pki.ca));
  const servers::OcspResponder responder(kernel, servers::LoopbackPki::Der(pki.ca),
                                         servers::LoopbackPki::Der(pki.responder), pki.responderKeys, statuses);
  servers::HttpServer server(servers::OcspHandler(responder));
  const std::string url = server.Url();
  Report("ocsp-roundtrip", MeasureProcessCpuSeconds(
                               [&] {
                                 Kernel::OCSPResponse result{};
                                 Kernel::CKernelCertificate responderCert(kernel);
                                 Kernel::CKernelOCSP::GetCertStatus(kernel, url.c_str(), pki.good, result,
                                                                    responderCert);
                                 if (result.certStatus != 0) std::abort();
                               },
                               1.0));
  return 0;
}

const SpeedRegistration kSpeedChain{"chain", "", &Run};

}  // namespace
}  // namespace tavrpki::tool
