// Revocation lists: whatever the decoder takes is written in a form that reads
// back to the same bytes and keeps that form as its signed body, with its size
// told truthfully; the exported class loads the same input or refuses it with
// its own exception, and its getters and lookups answer every entry without a
// crash or a foreign exception.
#include <cstdint>
#include <cstdlib>

#include "asn1/crl/ASN1CRL.h"
#include "asn1/crl/CrlText.h"
#include "core/Catalogue.h"
#include "core/Exception.h"
#include "kernel/CKernel.h"
#include "kernel/CKernelCRL.h"
#include "kernel/CKernelCertificate.h"
#include "kernel/CKernelException.h"
#include "kernel/HandleCast.h"
#include "tests/support/QuietConfiguration.h"

using namespace tavrpki;

namespace {

const bool kQuietConfiguration = test::QuietConfiguration("/tmp/tavrpki-crl-fuzz.reg");

Kernel::CKernel& SharedKernel() {
  static Kernel::CKernel kernel;
  return kernel;
}

// The structures alone.
void RoundTrip(ByteView in) {
  ASN1CRL list;
  try {
    list.Decode(in);
  } catch (const Exception&) {
    return;
  }
  try {
    (void)ReadCrlHeadline(in);
  } catch (const Exception&) {
    // an issuer attribute whose value is no string cannot be shown
  }
  Blob first;
  list.Encode(first);  // must not throw: a decoded list always has its thisUpdate
  if (list.EncodedSize() != first.Size()) std::abort();
  ASN1CRL again;
  again.Decode(first);  // must not throw: what we write, we read
  Blob second;
  again.Encode(second);
  if (!second.Equals(first)) std::abort();
  if (!Blob(again.TBSCertList().SignedBytes()).Equals(Blob(list.TBSCertList().SignedBytes()))) std::abort();
  const CrlEntryList& entries = again.TBSCertList().RevokedCertificates();
  if (entries.Count() != list.TBSCertList().RevokedCertificates().Count()) std::abort();
}

// The exported class over the same bytes.
void Exported(const std::uint8_t* data, std::size_t size) {
  Kernel::CKernelCRL crl(SharedKernel());
  try {
    crl.InitFromBuffer(data, static_cast<unsigned long>(size));
  } catch (const Kernel::CKernelException&) {
    return;
  }
  unsigned char buffer[64];
  const auto quietly = [](auto&& call) {
    try {
      call();
    } catch (const Kernel::CKernelException&) {
    }
  };
  quietly([&] { (void)crl.GetSerialNo(); });
  quietly([&] { (void)crl.GetBaseCRLNo(); });
  (void)crl.IsDeltaCRL();
  Kernel::CKernelCertificate cert(SharedKernel());
  const unsigned long count = crl.GetEntriesCount();
  for (unsigned long i = 0; i < count && i < 64; ++i) {
    unsigned long length = sizeof buffer;
    quietly([&] { crl.GetEntrySerialNo(i, buffer, &length); });
    __int64 serial = 0;
    quietly([&] { crl.GetEntrySerialNo(i, &serial); });
    (void)crl.GetEntryRevokeDate(i);
    (void)crl.GetEntryReasonCode(i);
    // Look every entry's own serial up: it must be found, at an index not past
    // the count and with that serial's value.
    Kernel::CertificateOf(cert).TBSCertificate().SerialNumber().SetBytes(
        Kernel::CrlOf(crl).TBSCertList().RevokedCertificates().Serial(static_cast<std::uint32_t>(i)));
    unsigned long found = 0;
    bool refused = false;
    try {
      found = crl.FindLastCertificate(cert);
    } catch (const Kernel::CKernelException& e) {
      refused = e.GetErrorCode() == kMsgIntegerCompareFailed.code;  // an empty serial is listed
      if (!refused) std::abort();
    }
    if (!refused && found >= count) std::abort();
  }
  unsigned long length = 0;
  quietly([&] { crl.GetCRLBuffer(nullptr, &length); });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  RoundTrip(ByteView(data, size));
  if (size != 0) Exported(data, size);
  return 0;
}
