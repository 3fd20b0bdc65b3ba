// tavrpki crl show FILE
//   The list's issuer, this and next update, CRL number (and base number of a
//   delta list), entry count, then one line per entry: serial (hex), revocation
//   date and reason as RFC 5280 names it ("-" when the entry has none).
// tavrpki crl verify FILE --issuer CERT
//   "ok" (exit 0) when the issuer certificate's key verifies the list's
//   signature, "bad signature" (exit 1) when it does not. The certificate must
//   allow signing lists (cRLSign); that and anything else (unreadable files, a
//   list or certificate the library refuses) exits 2 with the library's code and
//   message.
// Inputs may be DER, PEM or Base64.
#include <cstdio>
#include <string>
#include <vector>

#include "Command.h"
#include "LibraryInput.h"
#include "RevocationText.h"
#include "asn1/crl/CrlText.h"
#include "kernel/CKernelCRL.h"
#include "kernel/CKernelCertificate.h"
#include "kernel/GetKernelInstance.h"

namespace tavrpki::tool {
namespace {

// Decimal up to 8 octets (as CRL numbers are), else 0x and the octets.
std::string NumberText(const std::vector<std::uint8_t>& octets) {
  if (octets.size() > 8) return "0x" + ToUpperHex(octets);
  unsigned long long value = 0;
  for (const std::uint8_t octet : octets) value = value << 8 | octet;
  return std::to_string(value);
}

Kernel::CKernelCRL LoadCrl(const Kernel::CKernel& kernel, const std::vector<std::uint8_t>& der) {
  Kernel::CKernelCRL crl(kernel);
  crl.InitFromBuffer(der.data(), static_cast<unsigned long>(der.size()));
  return crl;
}

int Show(const Args& args) {
  const Options options(args, {}, {});
  if (options.Positional().size() != 1) throw UsageError{"give one FILE (or - for standard input)"};
  const auto der = ReadDerFile(options.Positional()[0]);
  const Kernel::CKernel kernel = Kernel::GetKernelInstance();
  const Kernel::CKernelCRL crl = LoadCrl(kernel, der);
  const CrlHeadline headline = ReadCrlHeadline(der);
  std::string issuer = headline.issuer;
  while (!issuer.empty() && issuer.back() == ' ') issuer.pop_back();  // the rendering ends with "; "
  std::printf("Issuer: %s\n", issuer.c_str());
  std::printf("This update: %s\n", headline.thisUpdate.c_str());
  std::printf("Next update: %s\n", headline.nextUpdate.empty() ? "none" : headline.nextUpdate.c_str());
  const auto number = Fetch([&](unsigned char* b, unsigned long* l) { crl.GetSerialNo(b, l); });
  std::printf("CRL number: %s\n", NumberText(number).c_str());
  if (crl.IsDeltaCRL()) std::printf("Base CRL number: %lld\n", static_cast<long long>(crl.GetBaseCRLNo()));
  const unsigned long count = crl.GetEntriesCount();
  std::printf("Entries: %lu\n", count);
  for (unsigned long i = 0; i < count; ++i) {
    const auto serial = Fetch([&](unsigned char* b, unsigned long* l) { crl.GetEntrySerialNo(i, b, l); });
    std::printf("  %s  %s  %s\n", ToUpperHex(serial).c_str(), DateText(crl.GetEntryRevokeDate(i)).c_str(),
                ReasonName(crl.GetEntryReasonCode(i)).c_str());
  }
  return 0;
}

int Verify(const Args& args) {
  const SignedAndIssuer paths = ReadSignedAndIssuer(args);
  const Kernel::CKernel kernel = Kernel::GetKernelInstance();
  const Kernel::CKernelCRL crl = LoadCrl(kernel, ReadDerFile(paths.file));
  const Kernel::CKernelCertificate issuer = LoadCertificate(kernel, paths.issuer);
  return SignatureVerdict(crl.VerifySignature(issuer));
}

int Run(const Args& args) { return RunSubcommand(args, {{"show", &Show}, {"verify", &Verify}}); }

const CommandRegistration kCrl{"crl", "show FILE | verify FILE --issuer CERT",
                               "show a revocation list or check its signature", &Run};

}  // namespace
}  // namespace tavrpki::tool
