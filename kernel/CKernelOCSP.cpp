#include "kernel/CKernelOCSP.h"

#include <cstring>

#include "core/CKernelUtils.h"
#include "kernel/Boundary.h"
#include "kernel/HandleCast.h"
#include "kernel/pkix/Ocsp.h"

namespace Kernel {
namespace {

void Check(const CKernel& kernel, tavrpki::ByteView answer, const CKernelCertificate& cert, OCSPResponse& result,
           CKernelCertificate& responderCert) {
  const tavrpki::ASN1Certificate& certificate = CertificateOf(cert);
  const tavrpki::pkix::FindByKeyId find = [&](tavrpki::ByteView keyId, tavrpki::ASN1Certificate& out) {
    CKernelCertificate found(kernel);
    if (!kernel.FindCertificateByKeyId(keyId.data(), static_cast<unsigned long>(keyId.size()), nullptr, 0, found))
      return false;
    out = CertificateOf(found);
    return true;
  };
  tavrpki::ASN1Certificate responder;
  const tavrpki::pkix::OcspStatus status = tavrpki::pkix::CheckOcspResponse(answer, certificate, find, responder);
  responderCert.SetHandle(&responder);
  result.certStatus = status.certStatus;
  if (status.certStatus != 0) {
    result.revocationReason = status.revocationReason;
    result.revocationTime = status.revocationTime.SystemTime();
  }
}

void StatusFrom(const CKernel& kernel, const char* url, const CKernelCertificate& cert, OCSPResponse& result,
                CKernelCertificate& responderCert) {
  const tavrpki::Blob answer = tavrpki::pkix::FetchOcspResponse(url, CertificateOf(cert));
  Check(kernel, answer.View(), cert, result, responderCert);
}

}  // namespace

CKernelOCSP::CKernelOCSP() = default;

CKernelOCSP::~CKernelOCSP() = default;

void CKernelOCSP::GetOCSPResponse(const char* url, const CKernelCertificate& cert, unsigned char** response,
                                  unsigned long* length) {
  Boundary([&] {
    RequireArgument(url != nullptr && response != nullptr && length != nullptr);
    const tavrpki::Blob answer = tavrpki::pkix::FetchOcspResponse(url, CertificateOf(cert));
    auto* copy = new unsigned char[answer.Size() == 0 ? 1 : answer.Size()];
    if (answer.Size() != 0) std::memcpy(copy, answer.Data(), answer.Size());
    *response = copy;
    *length = answer.Size();
  });
}

void CKernelOCSP::ReleaseResponseBuffer(const unsigned char* response) {
  Boundary([&] {
    RequireArgument(response != nullptr);
    delete[] response;
  });
}

void CKernelOCSP::GetCertStatus(const CKernel& kernel, const char* url, const CKernelCertificate& cert,
                                OCSPResponse& result, CKernelCertificate& responderCert) {
  Boundary([&] {
    RequireArgument(url != nullptr);
    StatusFrom(kernel, url, cert, result, responderCert);
  });
}

void CKernelOCSP::GetCertStatus(const CKernel& kernel, const CKernelCertificate& cert, OCSPResponse& result,
                                CKernelCertificate& responderCert) {
  Boundary([&] {
    const tavrpki::String url = tavrpki::pkix::OcspUrlOf(CertificateOf(cert));
    StatusFrom(kernel, url.CStr(), cert, result, responderCert);
  });
}

void CKernelOCSP::CheckResponse(const CKernel& kernel, const unsigned char* response, unsigned long length,
                                const CKernelCertificate& cert, OCSPResponse& result,
                                CKernelCertificate& responderCert) {
  Boundary([&] {
    RequireArgument(response != nullptr && length != 0 && length <= 0xFFFFFFFFu);
    Check(kernel, tavrpki::ByteView(response, length), cert, result, responderCert);
  });
}

void CKernelOCSP::GetResponderUrl(const CKernelCertificate& cert, char* url, unsigned long* length) {
  Boundary([&] {
    RequireArgument(length != nullptr);
    const tavrpki::String text = tavrpki::pkix::OcspUrlOf(CertificateOf(cert));
    tavrpki::CKernelUtils::CopyResult(text.CStr(), text.Length() + 1, url, length);
  });
}

}  // namespace Kernel
