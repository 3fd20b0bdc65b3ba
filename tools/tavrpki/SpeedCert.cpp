// tavrpki speed cert: certificates per second of this thread's CPU time, through
// the exported certificate class as a relying party uses it.
//   cert-parse <n> ops/s                         InitFromBuffer of a real 257-bit end-entity certificate
//   cert-parse-verify-<curve OID> <n> ops/s <cpu path>
//                                                InitFromBuffer + VerifySignature under the issuer's
//                                                key, taken from the issuer certificate once
// The certificates are real ones built into the tool (SpeedCertificates.h, made from
// tests/data/real when the build is configured): a 257-bit one signed by a 257-bit CA
// key, and the 431-bit root, which signs itself.
#include <cstdio>
#include <cstdlib>

#include "Command.h"
#include "SpeedCertificates.h"
#include "gostcrypto/CpuPath.h"
#include "kernel/CKernelCertificate.h"
#include "kernel/CKernelDoubleKeyPair.h"
#include "kernel/GetKernelInstance.h"

namespace tavrpki::tool {
namespace {

struct Pair {
  const char* curveOid;  // of the issuer's key, which the verification runs on
  std::span<const unsigned char> certificate;
  std::span<const unsigned char> issuer;
};

Kernel::CKernelCertificate Load(const Kernel::CKernel& kernel, std::span<const unsigned char> der) {
  Kernel::CKernelCertificate certificate(kernel);
  certificate.InitFromBuffer(der.data(), static_cast<unsigned long>(der.size()), false);
  return certificate;
}

int Run(const Args& args) {
  if (!args.empty()) throw UsageError{"speed cert takes no options"};
  const Kernel::CKernel kernel = Kernel::GetKernelInstance();
  const Pair pairs[] = {
      {"1.2.804.2.1.1.1.1.3.1.1.2.6", kDiiaTestSign2022, kDiiaQtspCa2020},
      {"1.2.804.2.1.1.1.1.3.1.1.2.9", kCzo2020Root, kCzo2020Root},
  };
  Kernel::CKernelCertificate certificate(kernel);
  const double parse = MeasureCpuSeconds([&] {
    certificate.InitFromBuffer(kDiiaTestSign2022.data(), static_cast<unsigned long>(kDiiaTestSign2022.size()),
                               false);
  });
  std::printf("cert-parse %.0f ops/s\n", 1.0 / parse);
  std::fflush(stdout);
  for (const Pair& pair : pairs) {
    const Kernel::CKernelDoubleKeyPair issuerKeys = Load(kernel, pair.issuer).GetCertSignKey();
    const double seconds = MeasureCpuSeconds([&] {
      certificate.InitFromBuffer(pair.certificate.data(), static_cast<unsigned long>(pair.certificate.size()),
                                 false);
      if (!certificate.VerifySignature(issuerKeys)) std::abort();  // a built-in certificate always verifies
    });
    std::printf("cert-parse-verify-%s %.0f ops/s %s\n", pair.curveOid, 1.0 / seconds,
                gostcrypto::ActiveCpuPathNames().field);
    std::fflush(stdout);
  }
  return 0;
}

const SpeedRegistration kSpeedCert{"cert", "", &Run};

}  // namespace
}  // namespace tavrpki::tool
