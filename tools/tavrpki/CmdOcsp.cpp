// tavrpki ocsp check --cert FILE [--url URL] [--store FILE] [--save-response FILE]
//   Asks the OCSP responder at URL (else the address the certificate's authority
//   information access names) about the certificate (DER, PEM or Base64) and
//   prints "good" (exit 0), "revoked <date> <reason>" or "unknown" (exit 1). The
//   responder's certificate must be in the store (--store FILE, else the default
//   store) with the OCSP-signing purpose, and the answer must verify; any failure
//   exits 2 with the library's code and message. --save-response keeps the raw
//   DER answer, also when the checks refuse it.
#include <cstdio>
#include <string>
#include <vector>

#include "Command.h"
#include "LibraryInput.h"
#include "Output.h"
#include "RevocationText.h"
#include "StoreAccess.h"
#include "kernel/CKernelCertificate.h"
#include "kernel/CKernelOCSP.h"
#include "kernel/GetKernelInstance.h"

namespace tavrpki::tool {
namespace {

std::string ResponderUrl(const Kernel::CKernelCertificate& cert) {
  unsigned long length = 0;
  Kernel::CKernelOCSP::GetResponderUrl(cert, nullptr, &length);
  std::vector<char> text(length);
  Kernel::CKernelOCSP::GetResponderUrl(cert, text.data(), &length);
  return std::string(text.data());
}

// The raw answer, released through the library whatever happens to it here.
std::vector<unsigned char> Fetch(const std::string& url, const Kernel::CKernelCertificate& cert) {
  unsigned char* response = nullptr;
  unsigned long length = 0;
  Kernel::CKernelOCSP::GetOCSPResponse(url.c_str(), cert, &response, &length);
  std::vector<unsigned char> bytes(response, response + length);
  Kernel::CKernelOCSP::ReleaseResponseBuffer(response);
  return bytes;
}

int Run(const Args& args) {
  const Options options(args, {"cert", "url", "store", "save-response"}, {});
  if (!options.Positional().empty()) throw UsageError{"check takes no other arguments"};
  const auto der = ReadDerFile(options.Required("cert"));

  auto store = OpenStore(options);
  Kernel::CKernel kernel = Kernel::GetKernelInstance();
  kernel.SetCertStorage(static_cast<CertStorage*>(store.get()));
  Kernel::CKernelCertificate cert(kernel);
  cert.InitFromBuffer(der.data(), static_cast<unsigned long>(der.size()), false);

  const std::string url = options.Value("url") ? *options.Value("url") : ResponderUrl(cert);
  const std::vector<unsigned char> response = Fetch(url, cert);
  if (const auto path = options.Value("save-response")) {
    OutputFile out(*path);
    out.Write(response.data(), response.size());
    out.Commit();
  }

  Kernel::OCSPResponse result{};
  Kernel::CKernelCertificate responder(kernel);
  Kernel::CKernelOCSP::CheckResponse(kernel, response.data(), static_cast<unsigned long>(response.size()), cert,
                                     result, responder);
  switch (result.certStatus) {
    case 0:
      std::puts("good");
      return 0;
    case 1:
      std::printf("revoked %s %s\n", DateText(result.revocationTime).c_str(),
                  ReasonName(static_cast<unsigned char>(result.revocationReason)).c_str());
      return 1;
    default:
      std::puts("unknown");
      return 1;
  }
}

const CommandRegistration kOcspCheck{"ocsp check", "--cert FILE [--url URL] [--store FILE] [--save-response FILE]",
                                     "status of a certificate from its OCSP responder", &Run};

}  // namespace
}  // namespace tavrpki::tool
