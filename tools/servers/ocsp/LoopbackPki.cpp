#include "LoopbackPki.h"

#include <array>
#include <initializer_list>
#include <string>

#include "asn1/NameFromText.h"
#include "asn1/pkcs10/RequestTemplate.h"
#include "gostcrypto/DkeNo1.h"
#include "kernel/CKernelAllParams.h"
#include "kernel/CKernelCertRequest.h"
#include "servers/CallerBuffer.h"

namespace tavrpki::servers {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr const char* kCurve257 = "1.2.804.2.1.1.1.1.3.1.1.2.6";

Bytes Element(std::uint8_t tag, const Bytes& content) {
  Bytes out{tag};
  if (content.size() >= 128) out.push_back(0x81);
  out.push_back(static_cast<std::uint8_t>(content.size()));
  out.insert(out.end(), content.begin(), content.end());
  return out;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

// Extension ::= SEQUENCE { extnID 2.5.29.<arc>, critical BOOLEAN, extnValue OCTET STRING }
Bytes Extension(std::uint8_t arc, bool critical, const Bytes& value) {
  const Bytes flag = critical ? Bytes{0x01, 0x01, 0xFF} : Bytes{};
  return Element(0x30, Concat({Bytes{0x06, 0x03, 0x55, 0x1D, arc}, flag, Element(0x04, value)}));
}

Bytes CaConstraints() { return Extension(0x13, true, Element(0x30, Bytes{0x01, 0x01, 0xFF})); }
Bytes KeyUsage(std::uint8_t usage) { return Extension(0x0F, true, Bytes{0x03, 0x02, 0x00, usage}); }
// id-kp-OCSPSigning, 1.3.6.1.5.5.7.3.9
Bytes OcspSigning() {
  return Extension(0x25, false, Element(0x30, Bytes{0x06, 0x08, 0x2B, 0x06, 0x01, 0x05, 0x05, 0x07, 0x03, 0x09}));
}
// id-kp-clientAuth, 1.3.6.1.5.5.7.3.2
Bytes ClientAuth() {
  return Extension(0x25, false, Element(0x30, Bytes{0x06, 0x08, 0x2B, 0x06, 0x01, 0x05, 0x05, 0x07, 0x03, 0x02}));
}

_SYSTEMTIME HoursFrom(const _SYSTEMTIME& time, long long hours) {
  FILETIME file{};
  SystemTimeToFileTime(&time, &file);
  const std::uint64_t ticks = (std::uint64_t{file.dwHighDateTime} << 32 | file.dwLowDateTime) +
                              static_cast<std::uint64_t>(hours * 36000000000LL);
  const FILETIME moved{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  _SYSTEMTIME out{};
  FileTimeToSystemTime(&moved, &out);
  return out;
}

_SYSTEMTIME Now() {
  _SYSTEMTIME now{};
  GetSystemTime(&now);
  now.wMilliseconds = 0;
  return now;
}

class Maker {
 public:
  explicit Maker(const Kernel::CKernel& kernel) : m_kernel(kernel), m_params(kernel) {
    m_params.SetRandomSBox(m_dke.data());
    m_params.SetCryptSBox(m_dke.data());
    const Kernel::CKernelAsymmetricParams curve = m_kernel.GenerateAsymmetric4145Params(kCurve257, m_dke.data());
    m_params.SetSignParams(curve);
    m_params.SetCryptParams(curve);
  }

  Kernel::CKernelDoubleKeyPair Keys() const { return m_kernel.Generate4145DoubleKeyPair(m_params, false); }

  // A certificate for `keys` named CN=`name`, issued by `issuer` with
  // `issuerKeys` (self-signed when `issuer` is null).
  Kernel::CKernelCertificate Issue(const std::string& name, std::int64_t serial,
                                   const Kernel::CKernelDoubleKeyPair& keys,
                                   const Kernel::CKernelCertificate* issuer,
                                   const Kernel::CKernelDoubleKeyPair& issuerKeys,
                                   std::initializer_list<Bytes> extensions, const char* ocspUrl) {
    const Bytes subject = NameDerFromText("CN=" + name + ",O=Loopback PKI,C=UA");
    const Bytes start = UnsignedRequestDer(subject);
    Kernel::CKernelCertRequest request(m_kernel);
    request.InitFromBuffer(start.data(), static_cast<unsigned long>(start.size()));
    request.Ensign(keys, m_dke.data());
    Kernel::CKernelCertificate cert = request.ConvertToCertificate();
    cert.SetSerialNo(serial);
    const _SYSTEMTIME now = Now();
    cert.SetValidity(HoursFrom(now, -1), HoursFrom(now, 24 * 3650));
    if (issuer == nullptr) {
      cert.MakeIssuerEqualSubject();
    } else {
      cert.SetIssuerFromCert(*issuer);
    }
    for (const Bytes& extension : extensions)
      cert.AddExtension(extension.data(), static_cast<unsigned long>(extension.size()));
    cert.AddSubjectKeyIdentifier();
    if (issuer == nullptr) {
      cert.AddAuthorityKeyIdentifier();
    } else {
      cert.AddAuthorityKeyIdentifier(*issuer);
    }
    if (ocspUrl != nullptr) cert.SetAuthInformationAccess(ocspUrl, nullptr);
    cert.Ensign(issuerKeys, m_dke.data());
    return cert;
  }

  Kernel::CKernelCRL List(const Kernel::CKernelCertificate& issuer, const Kernel::CKernelDoubleKeyPair& keys,
                          const Kernel::CKernelCertificate* entry, const _SYSTEMTIME& revokedAt,
                          unsigned char reason) {
    Kernel::CKernelCRL list(m_kernel);
    const _SYSTEMTIME now = Now();
    list.SetThisUpdate(HoursFrom(now, -1));
    list.SetNextUpdate(HoursFrom(now, 24 * 7));
    list.SetSerialNo(1);
    if (entry != nullptr) list.AddNewEntry(*entry, reason, revokedAt);
    list.Ensign(issuer, keys, m_dke.data());
    return list;
  }

 private:
  Kernel::CKernel m_kernel;
  Kernel::CKernelAllParams m_params;
  std::array<unsigned char, 128> m_dke = gostcrypto::kDkeNo1;
};

}  // namespace

LoopbackPki::LoopbackPki(const Kernel::CKernel& kernel_, const Options& options)
    : kernel(kernel_),
      rootKeys(kernel_, false),
      caKeys(kernel_, false),
      responderKeys(kernel_, false),
      userKeys(kernel_, false),
      root(kernel_),
      ca(kernel_),
      responder(kernel_),
      good(kernel_),
      revoked(kernel_),
      unissued(kernel_),
      rootList(kernel_),
      caList(kernel_) {
  Maker maker(kernel);
  rootKeys = maker.Keys();
  caKeys = maker.Keys();
  responderKeys = maker.Keys();
  userKeys = maker.Keys();
  root = maker.Issue("Loopback root", 1, rootKeys, nullptr, rootKeys, {CaConstraints(), KeyUsage(0x06)}, nullptr);
  ca = maker.Issue("Loopback CA", 2, caKeys, &root, rootKeys, {CaConstraints(), KeyUsage(0x06)}, nullptr);
  if (options.responderCanSign) {
    responder = maker.Issue("Loopback OCSP", 100, responderKeys, &ca, caKeys, {KeyUsage(0xC0), OcspSigning()},
                            nullptr);
  } else {
    responder = maker.Issue("Loopback OCSP", 100, responderKeys, &ca, caKeys, {KeyUsage(0xC0), ClientAuth()},
                            nullptr);
  }
  const Bytes userUsage = KeyUsage(0xC0);
  good = maker.Issue("Loopback good", 0x1001, userKeys, &ca, caKeys, {userUsage}, options.ocspUrl);
  revoked = maker.Issue("Loopback revoked", 0x1002, userKeys, &ca, caKeys, {userUsage}, options.ocspUrl);
  unissued = maker.Issue("Loopback unissued", 0x1003, userKeys, &ca, caKeys, {userUsage}, options.ocspUrl);
  revokedAt = HoursFrom(Now(), -2);
  rootList = maker.List(root, rootKeys, nullptr, revokedAt, 0);
  caList = maker.List(ca, caKeys, &revoked, revokedAt, kRevokedReason);
}

void LoopbackPki::AddTo(SqliteCertStore& store) const {
  const auto added = store.Add(Der(root));
  store.SetTrusted(added.id, 1);
  for (const Kernel::CKernelCertificate* cert : {&ca, &responder, &good, &revoked}) store.Add(Der(*cert));
  store.Add(Der(rootList));
  store.Add(Der(caList));
}

Bytes LoopbackPki::Der(const Kernel::CKernelCertificate& cert) {
  return Fetch([&](unsigned char* b, unsigned long* l) { cert.GetCertBuffer(b, l); });
}

Bytes LoopbackPki::Der(const Kernel::CKernelCRL& list) {
  return Fetch([&](unsigned char* b, unsigned long* l) { list.GetCRLBuffer(b, l); });
}

Bytes LoopbackPki::Serial(const Kernel::CKernelCertificate& cert) {
  return Fetch([&](unsigned char* b, unsigned long* l) { cert.GetSerialNo(b, l); });
}

}  // namespace tavrpki::servers
