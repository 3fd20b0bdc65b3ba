#include "kernel/ChainOcsp.h"

#include <utility>

#include "kernel/CKernelOCSP.h"
#include "kernel/HandleCast.h"

namespace Kernel {

tavrpki::pkix::OcspAnswer OcspStatusForChain(const CKernel& kernel, const CKernelCertificate& cert, const char* url) {
  OCSPResponse response{};
  CKernelCertificate responder(kernel);
  if (url == nullptr)
    CKernelOCSP::GetCertStatus(kernel, cert, response, responder);
  else
    CKernelOCSP::GetCertStatus(kernel, url, cert, response, responder);
  tavrpki::pkix::OcspAnswer answer;
  answer.certStatus = response.certStatus;
  answer.reason = response.revocationReason;
  if (response.certStatus != 0) answer.revocationTime = tavrpki::DateTime(response.revocationTime);
  std::swap(answer.responder, CertificateOf(responder));
  return answer;
}

}  // namespace Kernel
