// tavrpki ca init --key NAME --subject TEXT [--days N] [--pathlen N] [--store FILE] [--pem] [-o FILE]
//   A self-signed root: basic constraints CA (critical, with the path length
//   when given), key usage keyCertSign and cRLSign (critical), subject and
//   authority key identifiers, 20 random serial octets; recorded in the store
//   and trusted there.
// tavrpki ca issue --req FILE --ca-cert FILE --ca-key NAME [--days N] [--serial HEX]
//                  [--ca [--pathlen N]] [--crl-url URL] [--delta-crl-url URL]
//                  [--ocsp-url URL] [--store FILE] [--pem] [-o FILE]
//   The request, once its signature verifies, converted into a certificate
//   (its attributes become extensions), issued by the CA: issuer, serial, dates
//   (now, for N days or the period the request asks for when it is shorter),
//   key identifiers, distribution and access points, and, when the request
//   carries a key-agreement key, the S-boxes (DKE No. 1) the encrypted envelope
//   reads. Recorded in the store.
// tavrpki ca list [--ca-cert FILE] [--store FILE]
//   The certificates of the store (issued by that CA), one line each: serial,
//   not-after date, status (valid, expired, not-yet-valid, or "revoked <date>
//   <reason>" from the CA's records, see CmdCaRevoke.cpp), subject.
// Keys come from the key storage (--storage DIR, passwords as `tavrpki key`
// reads them). Everything given is checked before anything is signed or stored:
// the request's signature and algorithm, the CA key against the CA certificate,
// the CA certificate's keyCertSign and validity.
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "CaSupport.h"
#include "Command.h"
#include "DkeOption.h"
#include "KeyPassword.h"
#include "KeyStorageDefault.h"
#include "PkiFiles.h"
#include "RevocationText.h"
#include "StoreAccess.h"
#include "asn1/NameFromText.h"
#include "asn1/NameText.h"
#include "asn1/pkcs10/RequestTemplate.h"
#include "kernel/CKernelAllParams.h"
#include "kernel/CKernelCertRequest.h"
#include "kernel/CKernelCertificate.h"
#include "kernel/CKernelException.h"
#include "kernel/GetKernelInstance.h"
#include "platform/Time.h"

namespace tavrpki::tool {
namespace {

constexpr unsigned long kNoPeriodExtension = 100003;
constexpr unsigned long kNoCryptKey = 100005;

void AppendLength(Bytes& out, std::size_t length) {
  if (length >= 128) {
    out.push_back(0x81);
  }
  out.push_back(static_cast<std::uint8_t>(length));
}

Bytes Element(std::uint8_t tag, const Bytes& content) {
  Bytes out{tag};
  AppendLength(out, content.size());
  out.insert(out.end(), content.begin(), content.end());
  return out;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

// Extension ::= SEQUENCE { extnID 2.5.29.<arc>, critical TRUE, extnValue OCTET STRING }
Bytes CriticalExtension(std::uint8_t arc, const Bytes& value) {
  return Element(0x30, Concat({Bytes{0x06, 0x03, 0x55, 0x1D, arc}, Bytes{0x01, 0x01, 0xFF}, Element(0x04, value)}));
}

Bytes BasicConstraintsCa(int pathLength) {
  Bytes content{0x01, 0x01, 0xFF};
  if (pathLength >= 0) {
    const Bytes number = pathLength < 128 ? Bytes{static_cast<std::uint8_t>(pathLength)}
                                          : Bytes{0x00, static_cast<std::uint8_t>(pathLength)};
    content = Concat({content, Element(0x02, number)});
  }
  return CriticalExtension(0x13, Element(0x30, content));
}

// The usage octet written as 8 bits, as the library's key-usage handler writes it.
Bytes KeyUsage(std::uint8_t usage) { return CriticalExtension(0x0F, Bytes{0x03, 0x02, 0x00, usage}); }

// 20 random octets, the first one's top bit clear (a positive INTEGER) and the
// first one not zero (minimal DER).
Bytes RandomSerial() {
  std::random_device device;
  Bytes serial(20);
  for (std::uint8_t& octet : serial) octet = static_cast<std::uint8_t>(device());
  serial[0] = static_cast<std::uint8_t>((serial[0] & 0x7F) | 0x01);
  return serial;
}

Bytes SerialOption(const Options& options) {
  const auto text = options.Value("serial");
  if (!text) return RandomSerial();
  Bytes serial = ParseHex(*text, "--serial");
  if (serial.empty() || serial.size() > 20 || (serial[0] & 0x80) != 0 ||
      (serial.size() > 1 && serial[0] == 0 && (serial[1] & 0x80) == 0))
    throw UsageError{"--serial: give 1 to 20 octets of a positive number in minimal form"};
  return serial;
}

void AddExtension(Kernel::CKernelCertificate& cert, const Bytes& der) {
  cert.AddExtension(der.data(), static_cast<unsigned long>(der.size()));
}

Bytes Der(const Kernel::CKernelCertificate& cert) {
  return Fetch([&](unsigned char* b, unsigned long* l) { cert.GetCertBuffer(b, l); });
}

// The certificate's validity from now: `days`, or the period the certificate's
// period extension names when that is shorter.
void SetDates(Kernel::CKernelCertificate& cert, int days) {
  const _SYSTEMTIME now = Now();
  const _SYSTEMTIME end = AddHours(now, 24LL * days);
  try {
    cert.SetDatesFromExtension(now, end);
  } catch (const Kernel::CKernelException& e) {
    if (e.GetErrorCode() != kNoPeriodExtension) throw;
    cert.SetValidity(now, end);
  }
}

struct Session {
  Options options;
  Kernel::CKernel kernel;
  const KeyStorageDefault* defaults;

  Session(const Args& args, const std::vector<std::string>& values, const std::vector<std::string>& flags,
          const KeyStorageDefault& storageDefault)
      : options(OutputOption(args), values, flags), kernel(Kernel::GetKernelInstance()), defaults(&storageDefault) {
    if (!options.Positional().empty()) throw UsageError{"unexpected argument '" + options.Positional()[0] + "'"};
    if (const auto storage = options.Value("storage")) kernel.LoadStorage(storage->c_str());
  }

  Kernel::CKernelCertificate LoadCert(const Bytes& der) const {
    Kernel::CKernelCertificate cert(kernel);
    cert.InitFromBuffer(der.data(), static_cast<unsigned long>(der.size()), false);
    return cert;
  }

  void Output(const Bytes& der) const {
    WriteDerOrPem(options.Value("output").value_or(""), der, options.Flag("pem"), "CERTIFICATE");
  }
};

int Init(const Args& args) {
  const KeyStorageDefault storageDefault;  // before the kernel, which loads the key storage
  Session s(args, {"key", "subject", "days", "pathlen", "store", "storage", "password-file", "output"}, {"pem"},
            storageDefault);
  const std::string keyName = s.options.Required("key");
  const Bytes name = NameDerFromText(s.options.Required("subject"));
  const int days = NumberOption(s.options, "days", 3650, 1, 36500);
  const int pathLength = NumberOption(s.options, "pathlen", -1, 0, 255);
  const auto store = OpenStore(s.options);
  const Kernel::CKernelDoubleKeyPair keys = LoadKeyPair(s.kernel, s.options, keyName);
  SBox dke = DkeNo1();

  // The root starts as its own request, so its subject and key go in the one way.
  Kernel::CKernelCertRequest request(s.kernel);
  const Bytes start = UnsignedRequestDer(name);
  request.InitFromBuffer(start.data(), static_cast<unsigned long>(start.size()));
  request.Ensign(keys, dke.data());
  Kernel::CKernelCertificate cert = request.ConvertToCertificate();
  const Bytes serial = RandomSerial();
  cert.SetSerialNo(serial.data(), static_cast<unsigned long>(serial.size()));
  SetDates(cert, days);
  cert.MakeIssuerEqualSubject();
  AddExtension(cert, BasicConstraintsCa(pathLength));
  AddExtension(cert, KeyUsage(0x06));
  cert.AddSubjectKeyIdentifier();
  cert.AddAuthorityKeyIdentifier();
  cert.Ensign(keys, dke.data());

  const Bytes der = Der(cert);
  const auto added = store->Add(der);
  store->SetTrusted(added.id, 1);
  s.Output(der);
  return 0;
}

int Issue(const Args& args) {
  const KeyStorageDefault storageDefault;
  Session s(args,
            {"req", "ca-cert", "ca-key", "days", "serial", "pathlen", "crl-url", "delta-crl-url", "ocsp-url", "store",
             "storage", "password-file", "output"},
            {"ca", "pem"}, storageDefault);
  const int days = NumberOption(s.options, "days", 365, 1, 36500);
  const bool ca = s.options.Flag("ca");
  const int pathLength = NumberOption(s.options, "pathlen", -1, 0, 255);
  if (pathLength >= 0 && !ca) throw UsageError{"--pathlen goes with --ca"};
  const Bytes serial = SerialOption(s.options);

  const Bytes requestDer = ReadDerFile(s.options.Required("req"));
  Kernel::CKernelCertRequest request(s.kernel);
  request.InitFromBuffer(requestDer.data(), static_cast<unsigned long>(requestDer.size()));
  if (!request.VerifySignature()) throw UsageError{"the request's signature does not verify"};

  const Kernel::CKernelCertificate issuer = s.LoadCert(ReadDerFile(s.options.Required("ca-cert")));
  CheckCaCertificate(issuer, kKeyCertSign);
  const auto store = OpenStore(s.options);
  const Kernel::CKernelDoubleKeyPair keys = LoadKeyPair(s.kernel, s.options, s.options.Required("ca-key"));
  CheckCaKey(issuer, keys);

  Kernel::CKernelCertificate cert = request.ConvertToCertificate();
  cert.SetIssuerFromCert(issuer);
  cert.SetSerialNo(serial.data(), static_cast<unsigned long>(serial.size()));
  SetDates(cert, days);
  if (ca) {
    AddExtension(cert, BasicConstraintsCa(pathLength));
    if (!HasExtension(cert, "2.5.29.15")) AddExtension(cert, KeyUsage(0x06));
  }
  cert.AddSubjectKeyIdentifier();
  cert.AddAuthorityKeyIdentifier(issuer);
  if (const auto url = s.options.Value("crl-url")) cert.AddCRLDistributionPoint(url->c_str());
  if (const auto url = s.options.Value("delta-crl-url")) cert.AddDeltaCRLDistribuinPoint(url->c_str());
  if (const auto url = s.options.Value("ocsp-url")) cert.SetAuthInformationAccess(url->c_str(), nullptr);
  SBox dke = DkeNo1();
  try {
    (void)cert.GetCertKeys();
    // A key-agreement key: the envelope also needs the S-boxes.
    Kernel::CKernelAllParams params(s.kernel);
    params.SetRandomSBox(dke.data());
    params.SetCryptSBox(dke.data());
    cert.SetAdditionalParams(params);
  } catch (const Kernel::CKernelException& e) {
    if (e.GetErrorCode() != kNoCryptKey) throw;
  }
  cert.Ensign(keys, dke.data());

  const Bytes der = Der(cert);
  store->Add(der);
  s.Output(der);
  return 0;
}

std::string DayText(const _SYSTEMTIME& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u", t.wYear, t.wMonth, t.wDay);
  return text;
}

// The certificate's state now: revoked (with date and reason, as `crl check`
// prints them) by its CA's records, else by its dates. A lifted hold is no
// revocation.
std::string Status(SqliteCertStore& store, const Kernel::CKernelCertificate& cert, const Bytes& serial,
                   const _SYSTEMTIME& now) {
  const Bytes caKeyId = AuthorityKeyIdOf(cert);
  if (!caKeyId.empty()) {
    const auto record = store.FindRevocation(caKeyId, serial);
    if (record && !record->lifted)
      return "revoked " + DateText(FromStoreTime(record->date)) + " " + ReasonName(static_cast<unsigned char>(record->reason));
  }
  return Compare(cert.GetDateValidNotAfter(), now) < 0    ? "expired"
         : Compare(cert.GetDateValidNotBefore(), now) > 0 ? "not-yet-valid"
                                                           : "valid";
}

int List(const Args& args) {
  const Options options(args, {"ca-cert", "store"}, {});
  if (!options.Positional().empty()) throw UsageError{"unexpected argument '" + options.Positional()[0] + "'"};
  const Kernel::CKernel kernel = Kernel::GetKernelInstance();
  const auto store = OpenStore(options);
  const auto items = store->List(SqliteCertStore::Kind::kCertificate);
  // The CA's subject, as the store recorded it when the CA was made or issued.
  Bytes caSubject;
  if (const auto path = options.Value("ca-cert")) {
    const Bytes caDer = ReadDerFile(*path);
    for (const SqliteCertStore::Item& item : items)
      if (store->Export(item.id) == caDer) caSubject = item.name;
    if (caSubject.empty()) throw UsageError{*path + ": this CA certificate is not in the store"};
  }
  const _SYSTEMTIME now = Now();
  for (const SqliteCertStore::Item& item : items) {
    if (!caSubject.empty() && item.issuer != caSubject) continue;
    Kernel::CKernelCertificate cert(kernel);
    const Bytes der = store->Export(item.id);
    cert.InitFromBuffer(der.data(), static_cast<unsigned long>(der.size()), true);
    std::printf("%s  %s  %s  %s\n", ToUpperHex(item.serial).c_str(), DayText(cert.GetDateValidNotAfter()).c_str(),
                Status(*store, cert, item.serial, now).c_str(), NameTextUtf8(item.name).c_str());
  }
  return 0;
}

int Run(const Args& args) { return RunSubcommand(args, {{"init", &Init}, {"issue", &Issue}, {"list", &List}}); }

const CommandRegistration kCa{"ca",
                              "init --key NAME --subject TEXT [--days N] [--pathlen N] | issue --req FILE --ca-cert "
                              "FILE --ca-key NAME [--days N] [--serial HEX] [--ca [--pathlen N]] [--crl-url URL] "
                              "[--delta-crl-url URL] [--ocsp-url URL] | list [--ca-cert FILE]  (each: [--store FILE] "
                              "[--pem] [-o FILE])",
                              "run a small certification authority", &Run};

}  // namespace
}  // namespace tavrpki::tool
