// tavrpki crl check --cert CERT [--store FILE]
//   Whether the certificate (DER, PEM or Base64) is revoked according to the
//   newest base and delta revocation list of its issuer in the certificate store
//   (--store FILE, else the default store), chosen by the library
//   (CKernel::FindCRL). The two lists' entries count together, as chain
//   validation merges them: among the entries for the certificate's serial number
//   the one with the latest revocation date counts (the base list's on a tie), and
//   the certificate is revoked unless that entry's reason is removeFromCRL.
//   Prints "not revoked" (exit 0) or "revoked <date> <reason>" (exit 1); no list
//   of the issuer in the store, and anything the library refuses, exits 2. The
//   lists are taken as the store holds them: whoever added them vouched for them
//   (`tavrpki crl verify` checks a list's signature).
#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

#include "Command.h"
#include "LibraryInput.h"
#include "RevocationText.h"
#include "StoreAccess.h"
#include "kernel/CKernelCRL.h"
#include "kernel/CKernelCertificate.h"
#include "kernel/GetKernelInstance.h"

namespace tavrpki::tool {
namespace {

constexpr unsigned long kNoEntry = 0xFFFFFFFFul;
constexpr unsigned char kRemoveFromCrl = 8;

auto Ordered(const _SYSTEMTIME& t) {
  return std::make_tuple(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
}

int Run(const Args& args) {
  const Options options(args, {"cert", "store"}, {});
  if (!options.Positional().empty()) throw UsageError{"check takes no other arguments"};
  const std::string certFile = options.Required("cert");
  const auto der = ReadDerFile(certFile);

  auto store = OpenStore(options);
  Kernel::CKernel kernel = Kernel::GetKernelInstance();
  kernel.SetCertStorage(static_cast<CertStorage*>(store.get()));
  Kernel::CKernelCertificate cert(kernel);
  cert.InitFromBuffer(der.data(), static_cast<unsigned long>(der.size()), false);

  Kernel::CKernelCRL base(kernel), delta(kernel);
  bool baseFound = false, deltaFound = false;
  kernel.FindCRL(cert, base, baseFound, delta, deltaFound);
  if (!baseFound) {
    std::fprintf(stderr, "tavrpki crl check: the store holds no revocation list of the certificate's issuer\n");
    return 2;
  }
  bool listed = false;
  _SYSTEMTIME date{};
  unsigned char reason = 0;
  for (const Kernel::CKernelCRL* list : {&base, deltaFound ? &delta : nullptr}) {
    if (list == nullptr) continue;
    const unsigned long index = list->FindLastCertificate(cert);
    if (index == kNoEntry) continue;
    const _SYSTEMTIME when = list->GetEntryRevokeDate(index);
    if (listed && Ordered(when) <= Ordered(date)) continue;
    listed = true;
    date = when;
    reason = list->GetEntryReasonCode(index);
  }
  if (!listed || reason == kRemoveFromCrl) {
    std::puts("not revoked");
    return 0;
  }
  std::printf("revoked %s %s\n", DateText(date).c_str(), ReasonName(reason).c_str());
  return 1;
}

const CommandRegistration kCrlCheck{"crl check", "--cert CERT [--store FILE]",
                                    "revocation of a certificate by its issuer's lists in the store", &Run};

}  // namespace
}  // namespace tavrpki::tool
