// The exported certificate: argument checks and the boundary; the structures are
// asn1/x509/, signing and the key field kernel/pkix/.
//
// Every member that changes the certificate works on a copy and swaps it in at
// the end, so a failure anywhere leaves the certificate as it was.
#include "kernel/CKernelCertificate.h"

#include <memory>
#include <string_view>
#include <utility>

#include "asn1/x509/ASN1Certificate.h"
#include "core/CKernelUtils.h"
#include "core/OidTable.h"
#include "crypto/objects/CKeyPair.h"
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

CKernelDoubleKeyPair CKernelCertificate::GetCertKeys() const {
  return Boundary([&] {
    const tavrpki::ASN1CertExtension* extension =
        m_certificate->TBSCertificate().Extensions().Find(tavrpki::GetOidRoot1().c_str());
    if (extension == nullptr) tavrpki::Raise(tavrpki::kMsgNoCryptPublicKeyExtension);
    tavrpki::ASN1SubjPubKeyInfo info;
    extension->DecodeValue(info);
    tavrpki::CDoubleKeyPair keys(CertificateSignKey(*m_certificate),
                                 tavrpki::pkix::PublicKeyPair(info, tavrpki::CKeyPair::kEncryption));
    return CKernelDoubleKeyPair(m_kernel, &keys, false);
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
  return Boundary([&] {
    const auto& entries = ChainOf(chain).entries;
    if (entries.empty()) tavrpki::Raise(tavrpki::kMsgChainEmpty);
    const tavrpki::ASN1TBSCert& own = m_certificate->TBSCertificate();
    const tavrpki::ASN1TBSCert& first = entries.front().certificate.TBSCertificate();
    if (!own.Subject().Equals(first.Subject()) || !own.Issuer().Equals(first.Issuer()))
      tavrpki::Raise(tavrpki::kMsgChainLacksCertificate);
    // From the root down: each certificate under the one above it, the root under itself.
    const ASN1Certificate* issuer = &entries.back().certificate;
    for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
      if (!VerifyCertificate(entry->certificate, CertificateSignKey(*issuer))) return false;
      issuer = &entry->certificate;
    }
    return true;
  });
}

}  // namespace Kernel
