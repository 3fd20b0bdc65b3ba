// tavrpki chain build CERT [--store FILE]
//   The chain of the certificate (DER, PEM or Base64) through the certificate
//   store, as the library builds it (CKernelCertificateChain::Build): one line
//   per certificate, "<index> <trusted|untrusted> <subject>", the certificate
//   itself first (index 0) and the root last. The certificate must be in the
//   store itself (`tavrpki store add`), as the library asks the store for every
//   certificate's trust flag.
// tavrpki chain validate CERT [--store FILE] [--crl] [--ocsp] [--ocsp-strict]
//                              [--ocsp-url URL] [--at TIME]
//   Builds the chain as above and validates it (CKernelCertificateChain::Validate)
//   at TIME (UTC, "YYYY-MM-DD", "YYYY-MM-DD HH:MM:SS" or "YYYYMMDDHHMMSSZ"; now
//   when not given), with the issuers' revocation lists of the store (--crl)
//   and/or OCSP (--ocsp; --ocsp-strict makes an OCSP failure or a revoked or
//   unknown answer fail validation; --ocsp-url asks that responder for
//   certificates that name none). Prints "valid" (exit 0), or every failure
//   as "<code> <message>", one a line (exit 1): the date failures the library
//   collects, then the one that ended validation. Unreadable input and a store
//   that does not open exit 2.
#include <cstdio>
#include <optional>
#include <string>

#include "Command.h"
#include "LibraryInput.h"
#include "StoreAccess.h"
#include "asn1/cms/SignedMessageText.h"
#include "core/MessageText.h"
#include "kernel/CKernelCertificateChain.h"
#include "kernel/GetKernelInstance.h"

namespace tavrpki::tool {
namespace {

// The code of every line of a validation's error text: only date failures are
// collected there, the others end validation.
constexpr unsigned long kDateFailure = 100013;

bool Digits(const std::string& text, std::size_t at, std::size_t count) {
  if (at + count > text.size()) return false;
  for (std::size_t i = at; i < at + count; ++i)
    if (text[i] < '0' || text[i] > '9') return false;
  return true;
}

int Number(const std::string& text, std::size_t at, std::size_t count) { return std::stoi(text.substr(at, count)); }

// TIME of --at; a UsageError for anything else or for a date that does not exist.
_SYSTEMTIME ParseTime(const std::string& text) {
  int year, month, day, hour = 0, minute = 0, second = 0;
  const bool compact = text.size() == 15 && Digits(text, 0, 14) && text[14] == 'Z';
  const bool dated = (text.size() == 10 || text.size() == 19) && Digits(text, 0, 4) && text[4] == '-' &&
                     Digits(text, 5, 2) && text[7] == '-' && Digits(text, 8, 2);
  const bool timed = text.size() == 19 && text[10] == ' ' && Digits(text, 11, 2) && text[13] == ':' &&
                     Digits(text, 14, 2) && text[16] == ':' && Digits(text, 17, 2);
  if (compact) {
    year = Number(text, 0, 4), month = Number(text, 4, 2), day = Number(text, 6, 2);
    hour = Number(text, 8, 2), minute = Number(text, 10, 2), second = Number(text, 12, 2);
  } else if (dated && (text.size() == 10 || timed)) {
    year = Number(text, 0, 4), month = Number(text, 5, 2), day = Number(text, 8, 2);
    if (timed) hour = Number(text, 11, 2), minute = Number(text, 14, 2), second = Number(text, 17, 2);
  } else {
    throw UsageError{"--at: give YYYY-MM-DD, \"YYYY-MM-DD HH:MM:SS\" or YYYYMMDDHHMMSSZ (UTC)"};
  }
  static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  const bool exists = year >= 1601 && month >= 1 && month <= 12 && day >= 1 && day <= kDays[month - 1] &&
                      (month != 2 || day < 29 || leap) && hour < 24 && minute < 60 && second < 60;
  if (!exists) throw UsageError{"--at: " + text + " is no date and time"};
  _SYSTEMTIME at{};
  at.wYear = static_cast<WORD>(year);
  at.wMonth = static_cast<WORD>(month);
  at.wDay = static_cast<WORD>(day);
  at.wHour = static_cast<WORD>(hour);
  at.wMinute = static_cast<WORD>(minute);
  at.wSecond = static_cast<WORD>(second);
  return at;
}

std::string CertificateArgument(const Options& options) {
  if (options.Positional().size() != 1) throw UsageError{"give one certificate file"};
  return options.Positional()[0];
}

int Build(const Args& args) {
  const Options options(args, {"store"}, {});
  const auto der = ReadDerFile(CertificateArgument(options));
  auto store = OpenStore(options);
  Kernel::CKernel kernel = Kernel::GetKernelInstance();
  kernel.SetCertStorage(static_cast<CertStorage*>(store.get()));
  Kernel::CKernelCertificate cert(kernel);
  cert.InitFromBuffer(der.data(), static_cast<unsigned long>(der.size()), false);
  const Kernel::CKernelCertificateChain chain = Kernel::CKernelCertificateChain::Build(kernel, cert);
  for (unsigned long i = 0; i < chain.GetCount(); ++i) {
    const auto certDer = Fetch([&](unsigned char* b, unsigned long* n) { chain.GetAt(i).GetCertBuffer(b, n); });
    std::printf("%lu %s %s\n", i, chain.IsTrustedCert(i) ? "trusted" : "untrusted",
                CertificateSubjectText(certDer).c_str());
  }
  return 0;
}

void PrintFailure(unsigned long code, const std::string& cp1251) {
  std::printf("%lu %s\n", code, Utf8ForDisplay(cp1251).c_str());
}

int Validate(const Args& args) {
  const Options options(args, {"store", "ocsp-url", "at"}, {"crl", "ocsp", "ocsp-strict"});
  const auto der = ReadDerFile(CertificateArgument(options));
  const std::optional<std::string> url = options.Value("ocsp-url");
  std::optional<_SYSTEMTIME> at;
  if (const auto text = options.Value("at")) at = ParseTime(*text);
  auto store = OpenStore(options);
  Kernel::CKernel kernel = Kernel::GetKernelInstance();
  kernel.SetCertStorage(static_cast<CertStorage*>(store.get()));
  Kernel::CKernelCertificate cert(kernel);
  cert.InitFromBuffer(der.data(), static_cast<unsigned long>(der.size()), false);

  char* text = nullptr;
  std::optional<Kernel::CKernelException> failure;
  try {
    Kernel::CKernelCertificateChain chain = Kernel::CKernelCertificateChain::Build(kernel, cert);
    if (at) chain.SetValidationTime(&*at);
    chain.Validate(false, &text, options.Flag("crl"), options.Flag("ocsp"), options.Flag("ocsp-strict"),
                   url ? url->c_str() : nullptr);
  } catch (const Kernel::CKernelException& e) {
    failure = e;
  }
  if (text == nullptr && !failure) {
    std::puts("valid");
    return 0;
  }
  if (text != nullptr) {
    std::string lines(text);
    Kernel::CKernelCertificateChain(kernel).ReleaseErrorMemory(text);
    for (std::size_t start = 0; start <= lines.size();) {
      const std::size_t end = std::min(lines.find("\r\n", start), lines.size());
      PrintFailure(kDateFailure, lines.substr(start, end - start));
      start = end + 2;
    }
  }
  if (failure) PrintFailure(failure->GetErrorCode(), failure->GetErrorMessage());
  return 1;
}

const CommandRegistration kChainBuild{"chain build", "CERT [--store FILE]",
                                      "a certificate's chain through the store, root last", &Build};
const CommandRegistration kChainValidate{
    "chain validate", "CERT [--store FILE] [--crl] [--ocsp] [--ocsp-strict] [--ocsp-url URL] [--at TIME]",
    "validate a certificate's chain: dates, CA constraints, revocation", &Validate};

}  // namespace
}  // namespace tavrpki::tool
