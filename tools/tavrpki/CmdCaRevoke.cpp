// tavrpki ca revoke --serial HEX --ca-cert FILE [--reason NAME] [--date TIME] [--store FILE]
//   Records in the store that the CA revoked the certificate with that serial
//   number: reasons as `crl show` names them (keyCompromise, certificateHold,
//   ...; none by default, as RFC 5280 prefers to "unspecified"), the date now
//   unless --date says when (YYYY-MM-DD, "YYYY-MM-DD hh:mm:ss", ...Thh:mm:ssZ or
//   YYYYMMDDhhmmssZ, UTC, not in the future). --reason removeFromCRL lifts a
//   certificateHold instead. Only a certificate of the store whose authority key
//   identifier is the CA's may be revoked: a serial mistyped would otherwise be
//   published in every later list. A serial revoked already is reported, and
//   nothing changes.
// tavrpki ca crl --ca-cert FILE --ca-key NAME [--delta] [--next-update HOURS]
//                [--store FILE] [--pem] [-o FILE]
//   Signs the CA's next revocation list from its records and adds it to the
//   store. The numbers run per CA (1, 2, ...) over full and delta lists alike; a
//   full list names every revocation not lifted, a delta list (critical delta
//   CRL indicator with the newest full list's number) the changes since that
//   list, a lifted hold as removeFromCRL. nextUpdate is HOURS after now (168 for
//   a full list, 24 for a delta by default). As the real lists are: the CRL
//   number first among the extensions, then the delta indicator, then the
//   authority key identifier.
// Both refuse, before anything is signed or recorded, a CA certificate without
// cRLSign (for revoke too: records nobody can publish are of no use), outside its
// validity, or without a subject key identifier (it names the CA's records), and
// ca crl a CA key that is not the certificate's.
#include <cstdio>
#include <string>
#include <vector>

#include <tavrpki/SqliteCertStore.h>

#include "CaSupport.h"
#include "Command.h"
#include "DkeOption.h"
#include "KeyPassword.h"
#include "KeyStorageDefault.h"
#include "LibraryInput.h"
#include "PkiFiles.h"
#include "RevocationText.h"
#include "StoreAccess.h"
#include "kernel/CKernelCRL.h"
#include "kernel/CKernelCertificate.h"
#include "kernel/CKernelException.h"
#include "kernel/GetKernelInstance.h"

namespace tavrpki::tool {
namespace {

using Record = SqliteCertStore::Revocation;

int ReasonCode(const std::string& name) {
  for (int code = 0; code <= 10; ++code)
    if (code != 7 && ReasonName(static_cast<unsigned char>(code)) == name) return code;
  throw UsageError{"--reason: unknown reason '" + name +
                   "' (unspecified, keyCompromise, cACompromise, affiliationChanged, superseded, "
                   "cessationOfOperation, certificateHold, removeFromCRL, privilegeWithdrawn, aACompromise)"};
}

// The forms of --date, all UTC; the list writes UTCTime, so 1950-2049.
std::string DateOption(const std::optional<std::string>& text, const _SYSTEMTIME& now) {
  if (!text) return StoreTime(now);
  std::string digits;
  for (const char c : *text) {
    if (c >= '0' && c <= '9') digits.push_back(c);
    else if (c != '-' && c != ' ' && c != ':' && c != 'T' && c != 'Z') digits = "!";
  }
  if (text->size() == 10 && digits.size() == 8) digits += "000000";
  const std::string stored = digits + "Z";
  if (digits.size() != 14) throw UsageError{"--date: give YYYY-MM-DD or YYYY-MM-DD hh:mm:ss (UTC)"};
  const _SYSTEMTIME when = FromStoreTime(stored);
  if (when.wYear < 1950 || when.wYear > 2049 || when.wMonth < 1 || when.wMonth > 12 || when.wDay < 1 ||
      when.wDay > 31 || when.wHour > 23 || when.wMinute > 59 || when.wSecond > 59)
    throw UsageError{"--date: not a date from 1950 to 2049"};
  if (Compare(when, now) > 0) throw UsageError{"--date: a revocation cannot lie in the future"};
  return stored;
}

// The serial as the certificate's INTEGER content: minimal, positive.
Bytes SerialOption(const std::string& text) {
  // An odd count of digits has its leading zero left out ("102" is 01 02).
  Bytes serial = ParseHex(text.size() % 2 == 1 ? "0" + text : text, "--serial");
  while (serial.size() > 1 && serial[0] == 0 && serial[1] < 0x80) serial.erase(serial.begin());
  if (serial.empty() || serial.size() > 21 || (serial[0] & 0x80) != 0)
    throw UsageError{"--serial: give the certificate's serial number in hex, as `ca list` prints it"};
  return serial;
}

struct Issued {
  Bytes caKeyId;
  bool found = false;
  const Kernel::CKernel* kernel;
  static std::int32_t TAVRPKI_STORAGE_CALLBACK Check(void* context, std::int64_t, const std::uint8_t* der,
                                                    std::uint32_t length) {
    auto* self = static_cast<Issued*>(context);
    try {
      Kernel::CKernelCertificate cert(*self->kernel);
      cert.InitFromBuffer(der, length, true);
      if (AuthorityKeyIdOf(cert) == self->caKeyId) self->found = true;
    } catch (const Kernel::CKernelException&) {
      // a stored certificate the library cannot read was issued by nobody here
    }
    return self->found ? 0 : 1;
  }
};

bool IssuedBy(SqliteCertStore& store, const Kernel::CKernel& kernel, const Bytes& caKeyId, const Bytes& serial) {
  CertQuery* query = store.CreateQuery();
  Issued issued{caKeyId, false, &kernel};
  try {
    query->AddCriterion(kCriterionSerialNumber, serial.data(), static_cast<std::uint32_t>(serial.size()));
    store.FindCertificates(query, &issued, &Issued::Check);
  } catch (...) {
    store.ReleaseQuery(query);
    throw;
  }
  store.ReleaseQuery(query);
  return issued.found;
}

// The CA certificate of --ca-cert, checked for signing lists now, and its key id.
struct Ca {
  Kernel::CKernelCertificate cert;
  Bytes keyId;
};

Ca LoadCa(const Kernel::CKernel& kernel, const Options& options) {
  Ca ca{LoadCertificate(kernel, options.Required("ca-cert")), {}};
  CheckCaCertificate(ca.cert, kCrlSign);
  ca.keyId = SubjectKeyIdOf(ca.cert);
  if (ca.keyId.empty()) throw UsageError{"the CA certificate has no subject key identifier"};
  return ca;
}

void RejectPositional(const Options& options) {
  if (!options.Positional().empty()) throw UsageError{"unexpected argument '" + options.Positional()[0] + "'"};
}

int Revoke(const Args& args) {
  const Options options(args, {"serial", "ca-cert", "reason", "date", "store"}, {});
  RejectPositional(options);
  const Bytes serial = SerialOption(options.Required("serial"));
  const int reason = options.Value("reason") ? ReasonCode(*options.Value("reason")) : SqliteCertStore::kReasonNone;
  const std::string date = DateOption(options.Value("date"), Now());
  const Kernel::CKernel kernel = Kernel::GetKernelInstance();
  const Ca ca = LoadCa(kernel, options);
  const auto store = OpenStore(options);
  if (!IssuedBy(*store, kernel, ca.keyId, serial))
    throw UsageError{"the store holds no certificate with serial " + ToUpperHex(serial) + " issued by this CA"};
  const std::string printed = DateText(FromStoreTime(date));
  if (reason == SqliteCertStore::kReasonRemoveFromCrl) {
    if (!store->LiftHold(ca.keyId, serial, date))
      throw UsageError{"the certificate with serial " + ToUpperHex(serial) + " is not on hold"};
    std::printf("hold lifted %s %s\n", ToUpperHex(serial).c_str(), printed.c_str());
    return 0;
  }
  const auto result = store->RecordRevocation(ca.keyId, serial, date, reason);
  const Record& record = result.revocation;
  std::printf("%s %s %s %s\n", result.added ? "revoked" : "already revoked", ToUpperHex(serial).c_str(),
              DateText(FromStoreTime(record.date)).c_str(), ReasonName(static_cast<unsigned char>(record.reason)).c_str());
  return 0;
}

int Crl(const Args& args) {
  const KeyStorageDefault storageDefault;  // before the kernel, which loads the key storage
  const Options options(OutputOption(args),
                        {"ca-cert", "ca-key", "next-update", "store", "storage", "password-file", "output"},
                        {"delta", "pem"});
  RejectPositional(options);
  const bool delta = options.Flag("delta");
  const int hours = NumberOption(options, "next-update", delta ? 24 : 168, 1, 24 * 366);
  Kernel::CKernel kernel = Kernel::GetKernelInstance();
  if (const auto storage = options.Value("storage")) kernel.LoadStorage(storage->c_str());
  const Ca ca = LoadCa(kernel, options);
  const auto store = OpenStore(options);
  const Kernel::CKernelDoubleKeyPair keys = LoadKeyPair(kernel, options, options.Required("ca-key"));
  CheckCaKey(ca.cert, keys);

  // Numbers before records (see SqliteCertStore::Numbers).
  const SqliteCertStore::CrlNumbers numbers = store->Numbers(ca.keyId);
  if (delta && !numbers.lastFull) throw UsageError{"no full list of this CA yet: make one before a delta"};
  const auto records = delta ? store->Revocations(ca.keyId, numbers.lastFullCovered) : store->Revocations(ca.keyId);

  const _SYSTEMTIME now = Now();
  Kernel::CKernelCRL crl(kernel);
  crl.SetThisUpdate(now);
  crl.SetNextUpdate(AddHours(now, hours));
  crl.SetSerialNo(numbers.next);
  // The number's extension is appended on the first encoding and stays where it
  // is: encoding once now puts it first, as the real lists have it.
  (void)Fetch([&](unsigned char* b, unsigned long* l) { crl.GetCRLBuffer(b, l); });
  if (delta) crl.SetDeltaIndicator(*numbers.lastFull);
  Kernel::CKernelCertificate revoked(kernel);  // carries each entry's serial
  for (const Record& record : records) {
    if (record.lifted && !delta) continue;
    revoked.SetSerialNo(record.serial.data(), static_cast<unsigned long>(record.serial.size()));
    if (record.lifted)
      crl.AddNewEntry(revoked, SqliteCertStore::kReasonRemoveFromCrl, FromStoreTime(record.liftedDate));
    else
      crl.AddNewEntry(revoked, static_cast<unsigned char>(record.reason), FromStoreTime(record.date));
  }
  SBox dke = DkeNo1();
  crl.Ensign(ca.cert, keys, dke.data());
  const Bytes der = Fetch([&](unsigned char* b, unsigned long* l) { crl.GetCRLBuffer(b, l); });

  store->RecordCrl(ca.keyId, numbers.next, delta ? numbers.lastFull : std::nullopt, numbers.covered, der);
  WriteDerOrPem(options.Value("output").value_or(""), der, options.Flag("pem"), "X509 CRL");
  return 0;
}

const CommandRegistration kCaRevoke{"ca revoke",
                                    "--serial HEX --ca-cert FILE [--reason NAME] [--date TIME] [--store FILE]",
                                    "record a revocation in the store", &Revoke};
const CommandRegistration kCaCrl{"ca crl",
                                 "--ca-cert FILE --ca-key NAME [--delta] [--next-update HOURS] [--store FILE] "
                                 "[--pem] [-o FILE]",
                                 "sign the CA's next full or delta revocation list", &Crl};

}  // namespace
}  // namespace tavrpki::tool
