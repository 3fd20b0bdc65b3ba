// What the `ca` commands share: times, the CA certificate's checks, and the
// CA's name in the store's records.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Command.h"
#include "kernel/CKernelCertificate.h"
#include "kernel/CKernelDoubleKeyPair.h"
#include "platform/Time.h"
#include "servers/StoreTime.h"

namespace tavrpki::tool {

using Bytes = std::vector<std::uint8_t>;

// --name N within [low, high], else `fallback`; UsageError for anything else.
int NumberOption(const Options& options, const char* name, int fallback, int low, int high);

// UTC now, to the second (certificates and lists keep no milliseconds).
_SYSTEMTIME Now();
_SYSTEMTIME AddHours(const _SYSTEMTIME& time, long long hours);
// Negative, zero or positive as `a` is before, at or after `b`.
long long Compare(const _SYSTEMTIME& a, const _SYSTEMTIME& b);
// "YYYYMMDDHHMMSSZ", the store's form of a time, and back.
using servers::FromStoreTime;
using servers::StoreTime;

bool HasExtension(const Kernel::CKernelCertificate& cert, const char* oid);
// The key usage octet of the certificate's 2.5.29.15, 0 when it has none.
std::uint8_t KeyUsageOf(const Kernel::CKernelCertificate& cert);
// The certificate's subject (authority) key identifier, empty when it has none.
Bytes SubjectKeyIdOf(const Kernel::CKernelCertificate& cert);
Bytes AuthorityKeyIdOf(const Kernel::CKernelCertificate& cert);

constexpr std::uint8_t kKeyCertSign = 0x04;
constexpr std::uint8_t kCrlSign = 0x02;

// Refuses (UsageError) a CA certificate that lacks `usage` (kKeyCertSign or
// kCrlSign) or is outside its validity now: checked before any key is loaded.
void CheckCaCertificate(const Kernel::CKernelCertificate& ca, std::uint8_t usage);
// Refuses a key pair whose signing key is not the CA certificate's.
void CheckCaKey(const Kernel::CKernelCertificate& ca, const Kernel::CKernelDoubleKeyPair& keys);

}  // namespace tavrpki::tool
