// tavrpki cert show FILE
//   The certificate as text (the library's printer, in the layout of
//   `openssl x509 -text`), then its GOST 34.311-95 fingerprint: the hash of the
//   DER with the S-box `tavrpki hash` uses by default.
// tavrpki cert verify FILE --issuer ISSUER
//   "ok" (exit 0) when ISSUER's key verifies FILE's signature, "bad signature"
//   (exit 1) when it does not; a self-signed certificate names itself as issuer.
//   Anything else (unreadable files, a certificate the library refuses) exits 2
//   with the library's code and message.
// Inputs may be DER, PEM or Base64.
#include <cstdio>
#include <string>
#include <vector>

#include "Command.h"
#include "LibraryInput.h"
#include "gostcrypto/HashEngine.h"
#include "kernel/CKernelCertificate.h"
#include "kernel/CKernelDoubleKeyPair.h"
#include "kernel/GetKernelInstance.h"
#include "text/CertificateText.h"

namespace tavrpki::tool {
namespace {

std::string Fingerprint(const std::vector<std::uint8_t>& der) {
  gostcrypto::HashEngine engine(nullptr, nullptr);
  engine.CalculateHash(der.data(), static_cast<unsigned long>(der.size()));
  std::uint8_t hash[32];
  engine.Done(hash);
  std::string text;
  for (std::size_t i = 0; i < sizeof hash; ++i) text += (i == 0 ? "" : ":") + ToUpperHex(&hash[i], 1);
  return text;
}

int Show(const Args& args) {
  const Options options(args, {}, {});
  if (options.Positional().size() != 1) throw UsageError{"give one FILE (or - for standard input)"};
  const auto der = ReadDerFile(options.Positional()[0]);
  // The kernel forms the system's own extension OIDs from the configuration, so
  // the printer can name those extensions.
  (void)Kernel::GetKernelInstance();
  const std::string text = CertificateText(der);
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::printf("GOST 34.311 Fingerprint=%s\n", Fingerprint(der).c_str());
  return 0;
}

int Verify(const Args& args) {
  const SignedAndIssuer paths = ReadSignedAndIssuer(args);
  const Kernel::CKernel kernel = Kernel::GetKernelInstance();
  const Kernel::CKernelCertificate certificate = LoadCertificate(kernel, paths.file);
  const Kernel::CKernelCertificate issuer = LoadCertificate(kernel, paths.issuer);
  return SignatureVerdict(certificate.VerifySignature(issuer.GetCertSignKey()));
}

int Run(const Args& args) { return RunSubcommand(args, {{"show", &Show}, {"verify", &Verify}}); }

const CommandRegistration kCert{"cert", "show FILE | verify FILE --issuer ISSUER",
                                "show a certificate or check its signature", &Run};

}  // namespace
}  // namespace tavrpki::tool
