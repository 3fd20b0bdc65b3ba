// The time-stamp client: argument checks and the boundary; the messages are
// asn1/tsp/, the token's reading and checking kernel/pkix/TimeStamp.h, the
// exchange net/HttpTransport.h.
#include "kernel/CKernelTSP.h"

#include <cstring>

#include "core/CKernelUtils.h"
#include "kernel/Boundary.h"
#include "kernel/pkix/TimeStamp.h"

namespace Kernel {
namespace {

tavrpki::pkix::MessageHash HashAt(const unsigned char* hash) {
  tavrpki::pkix::MessageHash value{};
  std::memcpy(value.data(), hash, value.size());
  return value;
}

}  // namespace

unsigned long CKernelTSP::GetTSP(const char* url, unsigned char* const hash, unsigned char* token,
                                 unsigned long* tokenLength) {
  return Boundary([&] {
    RequireArgument(url != nullptr && hash != nullptr && tokenLength != nullptr);
    const tavrpki::pkix::TimeStampAnswer answer = tavrpki::pkix::RequestTimeStamp(url, HashAt(hash));
    const bool granted = answer.status == tavrpki::tsp::kGranted || answer.status == tavrpki::tsp::kGrantedWithMods;
    if (granted && !answer.token.empty())
      tavrpki::CKernelUtils::CopyResult(tavrpki::ByteView(answer.token), token, tokenLength);
    return static_cast<unsigned long>(answer.status);
  });
}

void CKernelTSP::GetTSPTokenTime(const unsigned char* token, unsigned long length, _SYSTEMTIME* time) {
  Boundary([&] {
    RequireArgument(token != nullptr && length != 0 && time != nullptr);
    *time = tavrpki::pkix::TokenInfo(tavrpki::ByteView(token, length)).genTime;
  });
}

bool CKernelTSP::VerifyTSPToken(const CKernel& kernel, const unsigned char* token, unsigned long length,
                                const unsigned char* hash) {
  return Boundary([&] {
    RequireArgument(token != nullptr && length != 0 && hash != nullptr);
    return tavrpki::pkix::VerifyToken(tavrpki::ByteView(token, length), HashAt(hash),
                                      static_cast<tavrpki::CertStorage*>(kernel.GetCertStorage()));
  });
}

}  // namespace Kernel
