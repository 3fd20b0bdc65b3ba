#include "CaSupport.h"

#include "LibraryInput.h"
#include "kernel/CKernelException.h"

namespace tavrpki::tool {
namespace {

constexpr unsigned long kNoExtension = 100004;
constexpr unsigned long kNoSubjectKeyId = 100009;
constexpr unsigned long kNoAuthorityKeyId = 100010;

Bytes KeyIdOr(unsigned long absent, void (Kernel::CKernelCertificate::*get)(unsigned char*, unsigned long*) const,
              const Kernel::CKernelCertificate& cert) {
  try {
    return Fetch([&](unsigned char* b, unsigned long* l) { (cert.*get)(b, l); });
  } catch (const Kernel::CKernelException& e) {
    if (e.GetErrorCode() == absent) return {};
    throw;
  }
}

Bytes SignPublicKey(const Kernel::CKernelDoubleKeyPair& keys) {
  return Fetch([&](unsigned char* b, unsigned long* l) { keys.GetSignPublicKey(b, l); });
}

}  // namespace

int NumberOption(const Options& options, const char* name, int fallback, int low, int high) {
  const auto text = options.Value(name);
  if (!text) return fallback;
  std::size_t used = 0;
  int value = 0;
  try {
    value = std::stoi(*text, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used == 0 || used != text->size() || value < low || value > high)
    throw UsageError{std::string("--") + name + ": give a number from " + std::to_string(low) + " to " +
                     std::to_string(high)};
  return value;
}

_SYSTEMTIME Now() {
  _SYSTEMTIME now{};
  GetSystemTime(&now);
  now.wMilliseconds = 0;
  return now;
}

_SYSTEMTIME AddHours(const _SYSTEMTIME& time, long long hours) {
  FILETIME file{};
  SystemTimeToFileTime(&time, &file);
  const FILETIME later = platform::FromTicks(platform::Ticks(file) + static_cast<std::uint64_t>(hours) * 36000000000ULL);
  _SYSTEMTIME out{};
  FileTimeToSystemTime(&later, &out);
  return out;
}

long long Compare(const _SYSTEMTIME& a, const _SYSTEMTIME& b) {
  FILETIME fa{}, fb{};
  SystemTimeToFileTime(&a, &fa);
  SystemTimeToFileTime(&b, &fb);
  return static_cast<long long>(platform::Ticks(fa)) - static_cast<long long>(platform::Ticks(fb));
}

bool HasExtension(const Kernel::CKernelCertificate& cert, const char* oid) {
  unsigned long length = 0;
  try {
    cert.GetExtension(oid, nullptr, &length);
    return true;
  } catch (const Kernel::CKernelException& e) {
    if (e.GetErrorCode() == kNoExtension) return false;
    throw;
  }
}

std::uint8_t KeyUsageOf(const Kernel::CKernelCertificate& cert) {
  if (!HasExtension(cert, "2.5.29.15")) return 0;
  const Bytes der = Fetch([&](unsigned char* b, unsigned long* l) { cert.GetExtension("2.5.29.15", b, l); });
  // ... 04 len { 03 len unused first-octet ... }: the BIT STRING is the last element.
  for (std::size_t i = 0; i + 3 < der.size(); ++i)
    if (der[i] == 0x04 && der[i + 2] == 0x03 && i + 2 + 2 + der[i + 3] == der.size())
      return der[i + 3] >= 2 ? der[i + 5] : 0;
  return 0;
}

Bytes SubjectKeyIdOf(const Kernel::CKernelCertificate& cert) {
  return KeyIdOr(kNoSubjectKeyId, &Kernel::CKernelCertificate::GetSubjectKeyId, cert);
}

Bytes AuthorityKeyIdOf(const Kernel::CKernelCertificate& cert) {
  return KeyIdOr(kNoAuthorityKeyId, &Kernel::CKernelCertificate::GetAuthorityKeyId, cert);
}

void CheckCaCertificate(const Kernel::CKernelCertificate& ca, std::uint8_t usage) {
  if ((KeyUsageOf(ca) & usage) == 0)
    throw UsageError{usage == kCrlSign ? "the CA certificate does not allow cRLSign"
                                       : "the CA certificate does not allow keyCertSign"};
  const _SYSTEMTIME now = Now();
  if (Compare(ca.GetDateValidNotAfter(), now) < 0) throw UsageError{"the CA certificate has expired"};
  if (Compare(ca.GetDateValidNotBefore(), now) > 0) throw UsageError{"the CA certificate is not valid yet"};
}

void CheckCaKey(const Kernel::CKernelCertificate& ca, const Kernel::CKernelDoubleKeyPair& keys) {
  if (SignPublicKey(keys) != SignPublicKey(ca.GetCertSignKey()))
    throw UsageError{"the CA key does not match the CA certificate"};
}

}  // namespace tavrpki::tool
