#include "TimeStampCheck.h"

#include <cstdio>
#include <memory>

#include "StoreAccess.h"
#include "asn1/tsp/TokenFacts.h"
#include "kernel/CKernelException.h"
#include "kernel/CKernelTSP.h"
#include "kernel/GetKernelInstance.h"

namespace tavrpki::tool {
namespace {

// The library's codes (CKernelTSP.h) for a token whose signer certificate is
// nowhere to be found, and for one that is not a time-stamping certificate.
constexpr unsigned long kNoSignerCertificate = 100049;
constexpr unsigned long kNotForTimeStamping = 100066;

}  // namespace

std::string TimeStampVerdict(const Options& options, const std::vector<std::uint8_t>& token,
                             const std::vector<std::uint8_t>& hash) {
  Kernel::CKernel kernel = Kernel::GetKernelInstance();
  std::unique_ptr<SqliteCertStore> store;
  for (;;) {
    try {
      if (Kernel::CKernelTSP::VerifyTSPToken(kernel, token.data(), static_cast<unsigned long>(token.size()),
                                             hash.data()))
        return "ok";
      return tsp::ReadTokenFacts(token).info.messageImprint.hashedMessage == hash
                 ? "FAILED: bad signature"
                 : "FAILED: the token stamps another hash";
    } catch (const Kernel::CKernelException& e) {
      if (e.GetErrorCode() == kNotForTimeStamping) return "FAILED: the authority's certificate is not for time stamping";
      if (e.GetErrorCode() != kNoSignerCertificate) throw;
      if (store) return kTimeStampNotChecked;
      store = OpenStore(options);
      kernel.SetCertStorage(store.get());
    }
  }
}

std::string TimeStampTimeText(const _SYSTEMTIME& t) {
  char text[64];
  if (t.wMilliseconds != 0)
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u.%03u UTC", t.wYear, t.wMonth, t.wDay, t.wHour,
                  t.wMinute, t.wSecond, t.wMilliseconds);
  else
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u UTC", t.wYear, t.wMonth, t.wDay, t.wHour,
                  t.wMinute, t.wSecond);
  return text;
}

}  // namespace tavrpki::tool
