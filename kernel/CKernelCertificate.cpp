// The exported certificate: argument checks and the boundary; the structures are
// asn1/x509/, signing and the key field kernel/pkix/.
//
// Every member that changes more than one field works on a copy and swaps it in
// at the end, so a failure anywhere leaves the certificate as it was.
#include "kernel/CKernelCertificate.h"

#include <cstring>
#include <memory>
#include <string_view>
#include <utility>

#include "asn1/x509/ASN1Certificate.h"
#include "core/CKernelUtils.h"
#include "crypto/objects/CKeyPair.h"
#include "ext/ExtensionHandlers.h"
#include "ext/ExtensionOids.h"
#include "kernel/Boundary.h"
#include "kernel/CKernelCertificateChain.h"
#include "kernel/HandleCast.h"
#include "kernel/KernelRandom.h"
#include "kernel/KeyStorageAccess.h"
#include "kernel/pkix/Certificate.h"
#include "kernel/pkix/PublicKeyInfo.h"
#include "kernel/pkix/SignedBody.h"

namespace Kernel {
namespace {

using tavrpki::ASN1Certificate;
using tavrpki::Blob;
using tavrpki::ByteView;
using tavrpki::CKernelUtils;
using tavrpki::pkix::CertificateSignKey;
using tavrpki::pkix::VerifyCertificate;

// The four algorithms a certificate may be signed with unless the caller accepts any.
bool IsKnownSignatureAlgorithm(std::string_view oid) {
  return oid == tavrpki::kOidDstuSignaturePolynomial || oid == tavrpki::kOidDstuSignatureNormal ||
         oid == tavrpki::kOidDstuSignaturePolynomialReversed ||
         oid == tavrpki::kOidDstuSignatureNormalReversed;
}

Blob Der(const ASN1Certificate& cert) {
  Blob out;
  cert.Encode(out);
  return out;
}

// A Blob holds at most 4 GiB - 1: a longer buffer is refused, not cut short.
ByteView In(const unsigned char* data, unsigned long length) {
  RequireArgument(data != nullptr && length != 0 && length <= 0xFFFFFFFFu);
  return ByteView(data, length);
}

// Reads the first extension with the handler's OID into the handler; false when
// the certificate has none (a malformed one fails with the value's own code).
bool ReadExtension(const ASN1Certificate& cert, tavrpki::PKIEntityBase& handler) {
  const tavrpki::String oid = handler.GetOID();
  const tavrpki::ASN1CertExtension* extension = cert.TBSCertificate().Extensions().Find(oid.CStr());
  if (extension == nullptr) return false;
  handler.FromExtension(*extension);
  return true;
}

// The same, failing with `absent` when there is none.
void RequireExtension(const ASN1Certificate& cert, tavrpki::PKIEntityBase& handler,
                      const tavrpki::Message& absent) {
  if (!ReadExtension(cert, handler)) tavrpki::Raise(absent);
}

// The handler's extension in place of the first one with its OID, at the end.
void PutExtension(ASN1Certificate& cert, const tavrpki::PKIEntityBase& handler) {
  tavrpki::pkix::ReplaceExtension(cert.TBSCertificate().Extensions(), handler.ToExtension());
}

// A text result with its terminating NUL, through the caller-buffer rule.
void CopyText(const tavrpki::String& text, char* out, unsigned long* outLength) {
  CKernelUtils::CopyResult(text.CStr(), static_cast<unsigned long>(std::strlen(text.CStr()) + 1), out, outLength);
}

// Appends `url` to the one distribution point of the extension `oid`.
void AddDistributionUrl(ASN1Certificate& cert, const char* oid, const char* url) {
  RequireArgument(url != nullptr);
  tavrpki::PKICRLDistributionPoint points(oid);
  ReadExtension(cert, points);
  points.AddUrl(tavrpki::String(url));
  PutExtension(cert, points);
}

}  // namespace

// ---- Construction and copying ----

CKernelCertificate::CKernelCertificate(const CKernel& kernel)
    : CKernelHandleWrapper(kernel), m_certificate(new ASN1Certificate) {}

CKernelCertificate::CKernelCertificate(const CKernel& kernel, void* const handle)
    : CKernelHandleWrapper(kernel), m_certificate(nullptr) {
  m_certificate = Boundary([&] {
    RequireArgument(handle != nullptr);
    return new ASN1Certificate(*static_cast<const ASN1Certificate*>(handle));
  });
}

CKernelCertificate::CKernelCertificate(const CKernelCertificate& other)
    : CKernelHandleWrapper(other), m_certificate(new ASN1Certificate(*other.m_certificate)) {}

CKernelCertificate::~CKernelCertificate() { delete m_certificate; }

CKernelCertificate& CKernelCertificate::operator=(const CKernelCertificate& other) {
  if (this != &other) {
    auto copy = std::make_unique<ASN1Certificate>(*other.m_certificate);
    delete m_certificate;
    m_certificate = copy.release();
  }
  return *this;
}

void* CKernelCertificate::GetHandle() const { return m_certificate; }

void CKernelCertificate::SetHandle(void* const handle) {
  Boundary([&] {
    RequireArgument(handle != nullptr);
    ASN1Certificate copy(*static_cast<const ASN1Certificate*>(handle));
    std::swap(*m_certificate, copy);
  });
}

// ---- DER ----

void CKernelCertificate::InitFromBuffer(const unsigned char* buffer, unsigned long length,
                                        bool acceptAnyAlgorithm) {
  Boundary([&] {
    const ByteView der = In(buffer, length);
    ASN1Certificate fresh;
    fresh.Decode(der);
    if (!acceptAnyAlgorithm && !IsKnownSignatureAlgorithm(fresh.SignatureAlgorithm().TypeText().CStr()))
      tavrpki::Raise(tavrpki::kMsgCertSignatureAlgorithmUnsupported);
    std::swap(*m_certificate, fresh);
  });
}

void CKernelCertificate::GetCertBuffer(unsigned char* out, unsigned long* outLength) const {
  Boundary([&] {
    RequireArgument(outLength != nullptr);
    CKernelUtils::CopyResult(Der(*m_certificate).View(), out, outLength);
  });
}

bool CKernelCertificate::operator==(const CKernelCertificate& other) const {
  return Boundary([&] { return Der(*m_certificate).Equals(Der(*other.m_certificate)); });
}

bool CKernelCertificate::operator!=(const CKernelCertificate& other) const { return !(*this == other); }

PCCERT_CONTEXT CKernelCertificate::GetWinCertContext() const {
  return Boundary([&] {
    const Blob der = Der(*m_certificate);
    PCCERT_CONTEXT context =
        CertCreateCertificateContext(X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, der.Data(), der.Size());
    if (context == nullptr) tavrpki::Raise(tavrpki::kMsgCertContextFailed, GetLastError());
    return context;
  });
}

// ---- Serial number and dates ----

__int64 CKernelCertificate::GetSerialNo() const {
  return Boundary([&] { return m_certificate->TBSCertificate().SerialNumber().GetValue(); });
}

void CKernelCertificate::GetSerialNo(unsigned char* out, unsigned long* outLength) const {
  Boundary([&] {
    RequireArgument(outLength != nullptr);
    CKernelUtils::CopyResult(m_certificate->TBSCertificate().SerialNumber().Bytes().View(), out, outLength);
  });
}

void CKernelCertificate::SetSerialNo(__int64 serial) {
  Boundary([&] { m_certificate->TBSCertificate().SerialNumber().SetValue(serial); });
}

_SYSTEMTIME CKernelCertificate::GetDateValidNotBefore() const {
  return m_certificate->TBSCertificate().NotBefore().SystemTime();
}

_SYSTEMTIME CKernelCertificate::GetDateValidNotAfter() const {
  return m_certificate->TBSCertificate().NotAfter().SystemTime();
}

void CKernelCertificate::SetDatesFromExtension(const _SYSTEMTIME& from, const _SYSTEMTIME& to) {
  Boundary([&] {
    tavrpki::PKIDateTime period;
    RequireExtension(*m_certificate, period, tavrpki::kMsgNoDateAfterBeforeExtension);
    const tavrpki::DateTime notBefore(from);
    const tavrpki::DateTime last(to);
    tavrpki::DateTime end = notBefore;
    end.AddPeriod(period.GetYears(), period.GetMonths(), period.GetDays());
    m_certificate->TBSCertificate().SetValidity(notBefore, end.Greater(last) ? last : end);
  });
}

// ---- Names ----

void CKernelCertificate::MakeIssuerEqualSubject() {
  Boundary([&] {
    tavrpki::ASN1TBSCert& body = m_certificate->TBSCertificate();
    tavrpki::ASN1Name subject = body.Subject();
    std::swap(body.Issuer(), subject);
  });
}

void CKernelCertificate::SetIssuerFromCert(const CKernelCertificate& issuerCert) {
  Boundary([&] {
    tavrpki::ASN1Name subject = issuerCert.m_certificate->TBSCertificate().Subject();
    std::swap(m_certificate->TBSCertificate().Issuer(), subject);
  });
}

void CKernelCertificate::SetSubjectSerialNo(const char* text) {
  Boundary([&] {
    RequireArgument(text != nullptr && text[0] != 0);
    tavrpki::ASN1Name subject = m_certificate->TBSCertificate().Subject();
    subject.SetSerialNumber(text);
    std::swap(m_certificate->TBSCertificate().Subject(), subject);
  });
}

// ---- Extensions that need no handler ----

void CKernelCertificate::GetExtension(const char* oid, unsigned char* out, unsigned long* outLength) const {
  Boundary([&] {
    RequireArgument(oid != nullptr && outLength != nullptr);
    const tavrpki::ASN1CertExtension* extension = m_certificate->TBSCertificate().Extensions().Find(oid);
    if (extension == nullptr) tavrpki::Raise(tavrpki::kMsgExtensionNotFound, oid);
    Blob der;
    extension->Encode(der);
    CKernelUtils::CopyResult(der.View(), out, outLength);
  });
}

void CKernelCertificate::AddExtension(const unsigned char* buffer, unsigned long length) {
  Boundary([&] {
    const ByteView der = In(buffer, length);
    tavrpki::ASN1CertExtension extension;
    extension.Decode(der);
    tavrpki::pkix::ReplaceExtension(m_certificate->TBSCertificate().Extensions(), extension);
  });
}

void CKernelCertificate::AddCRLDistributionPoint(const char* url) {
  Boundary([&] { AddDistributionUrl(*m_certificate, tavrpki::kOidCrlDistributionPoints, url); });
}

void CKernelCertificate::AddDeltaCRLDistribuinPoint(const char* url) {
  Boundary([&] { AddDistributionUrl(*m_certificate, tavrpki::kOidFreshestCrl, url); });
}

void CKernelCertificate::ClearCRLDitributionPoints() {
  Boundary([&] { m_certificate->TBSCertificate().Extensions().Remove(tavrpki::kOidCrlDistributionPoints); });
}

void CKernelCertificate::ClearDeltaCRLDistribuinPoints() {
  Boundary([&] { m_certificate->TBSCertificate().Extensions().Remove(tavrpki::kOidFreshestCrl); });
}

void CKernelCertificate::SetAuthInformationAccess(const char* firstUrl, const char* secondUrl) {
  Boundary([&] {
    tavrpki::PKIAuthorityInfo access;
    ReadExtension(*m_certificate, access);
    ASN1Certificate copy(*m_certificate);
    copy.TBSCertificate().Extensions().Remove(access.GetOID().CStr());
    if (firstUrl != nullptr || secondUrl != nullptr) {
      if (firstUrl != nullptr) access.SetFirstUrl(tavrpki::String(firstUrl));
      if (secondUrl != nullptr) access.SetSecondUrl(tavrpki::String(secondUrl));
      copy.TBSCertificate().Extensions().Append(access.ToExtension());
    }
    std::swap(*m_certificate, copy);
  });
}

void CKernelCertificate::AddSubjectKeyIdentifier() {
  Boundary([&] {
    const auto id = tavrpki::pkix::SubjectKeyId(m_certificate->TBSCertificate().PublicKeyInfo());
    tavrpki::PKISubjKeyId handler;
    handler.SetKeyId(ByteView(id.data(), id.size()));
    PutExtension(*m_certificate, handler);
  });
}

void CKernelCertificate::AddAuthorityKeyIdentifier(const CKernelCertificate& issuerCert) {
  Boundary([&] {
    const ASN1Certificate& issuer = *issuerCert.m_certificate;
    tavrpki::PKISubjKeyId subjectKeyId;
    RequireExtension(issuer, subjectKeyId, tavrpki::kMsgNoSubjectKeyIdExtension);
    tavrpki::PKIAuthKeyId authorityKeyId;
    authorityKeyId.SetKeyId(subjectKeyId.GetKeyId().View());
    authorityKeyId.SetSerialNumber(issuer.TBSCertificate().SerialNumber());
    PutExtension(*m_certificate, authorityKeyId);
  });
}

void CKernelCertificate::AddAuthorityKeyIdentifier() { AddAuthorityKeyIdentifier(*this); }

void CKernelCertificate::GetSubjectKeyId(unsigned char* out, unsigned long* outLength) const {
  Boundary([&] {
    RequireArgument(outLength != nullptr);
    tavrpki::PKISubjKeyId handler;
    RequireExtension(*m_certificate, handler, tavrpki::kMsgNoSubjectKeyIdExtension);
    CKernelUtils::CopyResult(handler.GetKeyId().View(), out, outLength);
  });
}

void CKernelCertificate::GetAuthorityKeyId(unsigned char* out, unsigned long* outLength) const {
  Boundary([&] {
    RequireArgument(outLength != nullptr);
    tavrpki::PKIAuthKeyId handler;
    RequireExtension(*m_certificate, handler, tavrpki::kMsgNoAuthorityKeyIdExtension);
    CKernelUtils::CopyResult(handler.GetKeyId().View(), out, outLength);
  });
}

void CKernelCertificate::SetKeyContainerName(char* name) {
  Boundary([&] {
    RequireArgument(name != nullptr);
    tavrpki::PKIKeyContainerName handler;
    handler.SetText(tavrpki::String(name));
    PutExtension(*m_certificate, handler);
  });
}

void CKernelCertificate::GetKeyContainerName(char* out, unsigned long* outLength) const {
  Boundary([&] {
    RequireArgument(outLength != nullptr);
    tavrpki::PKIKeyContainerName handler;
    RequireExtension(*m_certificate, handler, tavrpki::kMsgNoContainerNameExtension);
    CopyText(handler.GetText(), out, outLength);
  });
}

void CKernelCertificate::GetTemplateName(char* out, unsigned long* outLength) const {
  Boundary([&] {
    RequireArgument(outLength != nullptr);
    tavrpki::PKITemplateName handler;
    RequireExtension(*m_certificate, handler, tavrpki::kMsgNoTemplateNameExtension);
    CopyText(handler.GetText(), out, outLength);
  });
}

CKernelPermissions CKernelCertificate::GetPermissions(const char* oid) const {
  return Boundary([&] {
    tavrpki::PKIPermissions handler;
    if (oid != nullptr) handler.SetOID(tavrpki::String(oid));
    CKernelPermissions permissions;
    if (ReadExtension(*m_certificate, handler))
      for (const tavrpki::String& entry : handler.GetList()) permissions.AddNewEntry(entry.CStr());
    return permissions;
  });
}

// ---- Keys ----

void CKernelCertificate::SetCertSignKeys(const CKernelDoubleKeyPair& keys) {
  Boundary([&] {
    tavrpki::ASN1SubjPubKeyInfo info = tavrpki::pkix::ToPublicKeyInfo(KeysOf(keys).GetSignPair());
    std::swap(m_certificate->TBSCertificate().PublicKeyInfo(), info);
  });
}

CKernelDoubleKeyPair CKernelCertificate::GetCertSignKey() const {
  return Boundary([&] {
    tavrpki::CDoubleKeyPair keys;
    keys.SetPairs(CertificateSignKey(*m_certificate), tavrpki::CKeyPair(tavrpki::CPrivateKey(), tavrpki::CPublicKey(),
                                                             tavrpki::CAsymmetric4145Params(),
                                                             tavrpki::CKeyPair::kEncryption));
    return CKernelDoubleKeyPair(m_kernel, &keys, false);
  });
}

void CKernelCertificate::SetCertKeys(const CKernelDoubleKeyPair& keys) {
  Boundary([&] {
    const tavrpki::CDoubleKeyPair& pairs = KeysOf(keys);
    ASN1Certificate copy(*m_certificate);
    copy.TBSCertificate().PublicKeyInfo() = tavrpki::pkix::ToPublicKeyInfo(pairs.GetSignPair());
    tavrpki::PKICryptPublicKey cryptKey;
    cryptKey.SetKeyPair(pairs.GetCryptPair());
    PutExtension(copy, cryptKey);
    std::swap(*m_certificate, copy);
  });
}

CKernelDoubleKeyPair CKernelCertificate::GetCertKeys() const {
  return Boundary([&] {
    tavrpki::PKICryptPublicKey cryptKey;
    RequireExtension(*m_certificate, cryptKey, tavrpki::kMsgNoCryptPublicKeyExtension);
    tavrpki::CDoubleKeyPair keys(CertificateSignKey(*m_certificate), cryptKey.GetKeyPair());
    return CKernelDoubleKeyPair(m_kernel, &keys, false);
  });
}

CKernelDoubleKeyPair CKernelCertificate::LoadKeyPairs(HWND__* const window) const {
  return Boundary([&] {
    tavrpki::PKIKeyContainerName name;
    RequireExtension(*m_certificate, name, tavrpki::kMsgNoContainerNameExtension);
    CKernelDoubleKeyPair keys(m_kernel, false);
    keys.Load(name.GetText().CStr(), window);
    return keys;
  });
}

CKernelDoubleKeyPair CKernelCertificate::LoadKeyPairs(const char* second, HWND__* const window) const {
  return Boundary([&] {
    tavrpki::PKIKeyContainerName name;
    RequireExtension(*m_certificate, name, tavrpki::kMsgNoContainerNameExtension);
    CKernelDoubleKeyPair keys(m_kernel, false);
    keys.Load(name.GetText().CStr(), second, window);
    return keys;
  });
}

CKernelAllParams CKernelCertificate::GetParams() const {
  return Boundary([&] {
    CKernelAllParams params(m_kernel);
    tavrpki::CAsymmetric4145Params sign = tavrpki::pkix::KeyParams(m_certificate->TBSCertificate().PublicKeyInfo());
    params.SetSignParams(CKernelAsymmetricParams(m_kernel, &sign));
    tavrpki::PKICryptPublicKey cryptKey;
    RequireExtension(*m_certificate, cryptKey, tavrpki::kMsgNoCryptPublicKeyExtension);
    tavrpki::CAsymmetric4145Params crypt = cryptKey.GetKeyPair().GetParams();
    params.SetCryptParams(CKernelAsymmetricParams(m_kernel, &crypt));
    tavrpki::PKIRndCryptDKE sboxes;
    RequireExtension(*m_certificate, sboxes, tavrpki::kMsgNoSBoxExtension);
    params.SetRandomSBox(sboxes.GetRandomSBox().data());
    params.SetCryptSBox(sboxes.GetCryptSBox().data());
    return params;
  });
}

void CKernelCertificate::SetAdditionalParams(const CKernelAllParams& params) {
  Boundary([&] {
    tavrpki::PKIRndCryptDKE::SBox sbox{};
    tavrpki::PKIRndCryptDKE sboxes;
    params.GetRandomSBox(sbox.data());
    sboxes.SetRandomSBox(sbox);
    params.GetCryptSBox(sbox.data());
    sboxes.SetCryptSBox(sbox);
    PutExtension(*m_certificate, sboxes);
  });
}

// ---- Signing and checks ----

void CKernelCertificate::Ensign(const CKernelDoubleKeyPair& issuerKeys, const unsigned char* const randomSBox) {
  Boundary([&] {
    RequireArgument(randomSBox != nullptr);
    const tavrpki::CKeyPair& signer = KeysOf(issuerKeys).GetSignPair();
    const char* algorithm = tavrpki::pkix::SignatureAlgorithmOid(signer.GetParams());
    ASN1Certificate copy(*m_certificate);
    copy.SignatureAlgorithm().SetType(algorithm);
    copy.TBSCertificate().Signature().SetType(algorithm);
    Blob body;
    copy.TBSCertificate().Encode(body);  // refreshes the signed bytes

    tavrpki::CProvider& provider = ProviderOf(m_kernel);
    ReseedForSigning(provider, randomSBox, tavrpki::pkix::HashSBox(signer.GetParams()));
    const Blob signature = tavrpki::pkix::SignBody(copy.TBSCertificate(), signer, DrawFrom(provider));
    copy.SetSignature(signature.View());
    std::swap(*m_certificate, copy);
    AuditKeyUse(m_kernel, kAuditSigned);
  });
}

bool CKernelCertificate::VerifySignature(const CKernelDoubleKeyPair& issuerKeys) const {
  return Boundary([&] { return VerifyCertificate(*m_certificate, KeysOf(issuerKeys).GetSignPair()); });
}

bool CKernelCertificate::VerifySignature(const CKernelCertificateChain& chain) const {
  return Boundary([&] { return tavrpki::pkix::VerifyAgainstChain(*m_certificate, ChainOf(chain).entries); });
}

bool CKernelCertificate::IsSelfSigned() const {
  return Boundary([&] { return tavrpki::pkix::IsSelfSigned(*m_certificate); });
}

}  // namespace Kernel
