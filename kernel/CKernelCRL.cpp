// The exported revocation list: argument checks and the boundary; the structures
// are asn1/crl/, signing kernel/pkix/RevocationList.h.
//
// Every member that changes the list works on a copy and swaps it in at the end,
// so a failure anywhere leaves the list as it was.
#include "kernel/CKernelCRL.h"

#include <memory>
#include <string_view>
#include <utility>

#include "asn1/crl/ASN1CRL.h"
#include "core/CKernelUtils.h"
#include "ext/ExtensionOids.h"
#include "ext/PKIDeltaCRLIndicator.h"
#include "kernel/Boundary.h"
#include "kernel/HandleCast.h"
#include "kernel/KernelRandom.h"
#include "kernel/KeyStorageAccess.h"
#include "kernel/pkix/Certificate.h"
#include "kernel/pkix/RevocationList.h"
#include "kernel/pkix/SignedBody.h"

namespace Kernel {
namespace {

using tavrpki::ASN1CRL;
using tavrpki::ASN1TBSCertList;
using tavrpki::Blob;
using tavrpki::ByteView;
using tavrpki::CKernelUtils;
using tavrpki::CrlEntryList;

bool IsKnownSignatureAlgorithm(std::string_view oid) {
  return oid == tavrpki::kOidDstuSignaturePolynomial || oid == tavrpki::kOidDstuSignatureNormal ||
         oid == tavrpki::kOidDstuSignaturePolynomialReversed ||
         oid == tavrpki::kOidDstuSignatureNormalReversed;
}

Blob Der(const ASN1CRL& list) {
  Blob out;
  list.Encode(out);
  return out;
}

// A Blob holds at most 4 GiB - 1: a longer buffer is refused, not cut short.
ByteView In(const unsigned char* data, unsigned long length) {
  RequireArgument(data != nullptr && length != 0 && length <= 0xFFFFFFFFu);
  return ByteView(data, length);
}

const CrlEntryList& Entries(const ASN1CRL& list) { return list.TBSCertList().RevokedCertificates(); }

std::uint32_t CheckedIndex(const ASN1CRL& list, unsigned long index) {
  RequireArgument(index < Entries(list).Count());
  return static_cast<std::uint32_t>(index);
}

tavrpki::PKIDeltaCRLIndicator DeltaIndicator(const ASN1CRL& list) {
  const tavrpki::ASN1CertExtension* extension =
      list.TBSCertList().CrlExtensions().Find(tavrpki::kOidDeltaCrlIndicator);
  if (extension == nullptr) tavrpki::Raise(tavrpki::kMsgNoDeltaCrlIndicator);
  tavrpki::PKIDeltaCRLIndicator indicator;
  indicator.FromExtension(*extension);
  return indicator;
}

}  // namespace

// ---- Construction and copying ----

CKernelCRL::CKernelCRL(const CKernel& kernel) : CKernelHandleWrapper(kernel), m_crl(new ASN1CRL) {}

CKernelCRL::CKernelCRL(const CKernel& kernel, void* const handle) : CKernelHandleWrapper(kernel), m_crl(nullptr) {
  m_crl = Boundary([&] {
    RequireArgument(handle != nullptr);
    return new ASN1CRL(*static_cast<const ASN1CRL*>(handle));
  });
}

CKernelCRL::CKernelCRL(const CKernelCRL& other) : CKernelHandleWrapper(other), m_crl(new ASN1CRL(*other.m_crl)) {}

CKernelCRL::~CKernelCRL() { delete m_crl; }

CKernelCRL& CKernelCRL::operator=(const CKernelCRL& other) {
  if (this != &other) {
    auto copy = std::make_unique<ASN1CRL>(*other.m_crl);
    delete m_crl;
    m_crl = copy.release();
  }
  return *this;
}

void* CKernelCRL::GetHandle() const { return m_crl; }

void CKernelCRL::SetHandle(void* const handle) {
  Boundary([&] {
    RequireArgument(handle != nullptr);
    ASN1CRL copy(*static_cast<const ASN1CRL*>(handle));
    std::swap(*m_crl, copy);
  });
}

// ---- DER ----

void CKernelCRL::InitFromBuffer(const unsigned char* buffer, unsigned long length) {
  Boundary([&] {
    const ByteView der = In(buffer, length);
    ASN1CRL fresh;
    fresh.Decode(der);
    if (!IsKnownSignatureAlgorithm(fresh.SignatureAlgorithm().TypeText().CStr()))
      tavrpki::Raise(tavrpki::kMsgCrlSignatureAlgorithmUnsupported);
    std::swap(*m_crl, fresh);
  });
}

void CKernelCRL::GetCRLBuffer(unsigned char* out, unsigned long* outLength) const {
  Boundary([&] {
    RequireArgument(outLength != nullptr);
    CKernelUtils::CopyResult(Der(*m_crl).View(), out, outLength);
  });
}

PCCRL_CONTEXT CKernelCRL::GetWinCRLContext() const {
  return Boundary([&] {
    const Blob der = Der(*m_crl);
    PCCRL_CONTEXT context = CertCreateCRLContext(X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, der.Data(), der.Size());
    if (context == nullptr) tavrpki::Raise(tavrpki::kMsgCrlContextFailed, GetLastError());
    return context;
  });
}

// ---- Number and dates ----

void CKernelCRL::SetThisUpdate(const _SYSTEMTIME& time) {
  Boundary([&] { m_crl->TBSCertList().SetThisUpdate(tavrpki::DateTime(time)); });
}

void CKernelCRL::SetNextUpdate(const _SYSTEMTIME& time) {
  Boundary([&] { m_crl->TBSCertList().SetNextUpdate(tavrpki::DateTime(time)); });
}

void CKernelCRL::SetSerialNo(__int64 number) {
  Boundary([&] {
    ASN1TBSCertList& body = m_crl->TBSCertList();
    body.CrlNumber().SetValue(number);
    // The extension is written from the number only when missing: a number the
    // list carried must go, or the new one would never be written.
    body.CrlExtensions().Remove(tavrpki::kOidCrlNumber);
  });
}

__int64 CKernelCRL::GetSerialNo() const {
  return Boundary([&] { return m_crl->TBSCertList().CrlNumber().GetValue(); });
}

void CKernelCRL::GetSerialNo(unsigned char* out, unsigned long* outLength) const {
  Boundary([&] {
    RequireArgument(outLength != nullptr);
    CKernelUtils::CopyResult(m_crl->TBSCertList().CrlNumber().Bytes().View(), out, outLength);
  });
}

void CKernelCRL::SetDeltaIndicator(const __int64 baseNumber) {
  Boundary([&] {
    tavrpki::PKIDeltaCRLIndicator indicator;
    indicator.SetBaseCRLNumber(tavrpki::ASN1Integer(baseNumber));
    tavrpki::pkix::ReplaceExtension(m_crl->TBSCertList().CrlExtensions(), indicator.ToExtension());
  });
}

void CKernelCRL::SetDeltaIndicator(const unsigned char* baseNumber, const unsigned long length) {
  Boundary([&] {
    tavrpki::ASN1Integer number;
    number.SetBytes(In(baseNumber, length));
    tavrpki::PKIDeltaCRLIndicator indicator;
    indicator.SetBaseCRLNumber(number);
    tavrpki::pkix::ReplaceExtension(m_crl->TBSCertList().CrlExtensions(), indicator.ToExtension());
  });
}

bool CKernelCRL::IsDeltaCRL() const {
  return Boundary([&] { return m_crl->TBSCertList().CrlExtensions().Find(tavrpki::kOidDeltaCrlIndicator) != nullptr; });
}

__int64 CKernelCRL::GetBaseCRLNo() const {
  return Boundary([&] { return DeltaIndicator(*m_crl).GetBaseCRLNumber().GetValue(); });
}

// ---- Entries ----

void CKernelCRL::AddNewEntry(const CKernelCertificate& cert, unsigned char reason, const _SYSTEMTIME& date) {
  Boundary([&] {
    tavrpki::ASN1CrlEntry entry;
    entry.UserCertificate() = CertificateOf(cert).TBSCertificate().SerialNumber();
    entry.SetRevocationDate(tavrpki::DateTime(date));
    entry.SetReasonCode(reason);
    m_crl->TBSCertList().RevokedCertificates().Append(entry);
  });
}

unsigned long CKernelCRL::GetEntriesCount() const {
  return Boundary([&] { return static_cast<unsigned long>(Entries(*m_crl).Count()); });
}

void CKernelCRL::GetEntrySerialNo(unsigned long index, unsigned char* out, unsigned long* outLength) const {
  Boundary([&] {
    RequireArgument(outLength != nullptr);
    CKernelUtils::CopyResult(Entries(*m_crl).Serial(CheckedIndex(*m_crl, index)), out, outLength);
  });
}

void CKernelCRL::GetEntrySerialNo(unsigned long index, __int64* serial) const {
  Boundary([&] {
    RequireArgument(serial != nullptr);
    tavrpki::ASN1Integer number;
    number.SetBytes(Entries(*m_crl).Serial(CheckedIndex(*m_crl, index)));
    *serial = number.GetValue();
  });
}

_SYSTEMTIME CKernelCRL::GetEntryRevokeDate(unsigned long index) const {
  return Boundary([&] { return Entries(*m_crl).RevocationDate(CheckedIndex(*m_crl, index)).SystemTime(); });
}

unsigned char CKernelCRL::GetEntryReasonCode(unsigned long index) const {
  return Boundary([&] { return Entries(*m_crl).ReasonCode(CheckedIndex(*m_crl, index)); });
}

unsigned long CKernelCRL::FindLastCertificate(const CKernelCertificate& cert) const {
  return Boundary([&] {
    const std::uint32_t index =
        Entries(*m_crl).FindLatest(CertificateOf(cert).TBSCertificate().SerialNumber().View());
    return index == CrlEntryList::kNotFound ? 0xFFFFFFFFul : static_cast<unsigned long>(index);
  });
}

// ---- Signing and checks ----

void CKernelCRL::Ensign(const CKernelCertificate& signerCert, const CKernelDoubleKeyPair& signerKeys,
                        const unsigned char* const randomSBox) {
  Boundary([&] {
    RequireArgument(randomSBox != nullptr);
    const tavrpki::CKeyPair& signer = KeysOf(signerKeys).GetSignPair();
    ASN1CRL copy(*m_crl);
    tavrpki::pkix::PrepareForSigning(copy, CertificateOf(signerCert), signer);

    tavrpki::CProvider& provider = ProviderOf(m_kernel);
    ReseedForSigning(provider, randomSBox, tavrpki::pkix::HashSBox(signer.GetParams()));
    tavrpki::pkix::SignPrepared(copy, signer, DrawFrom(provider));
    std::swap(*m_crl, copy);
    AuditKeyUse(m_kernel, kAuditSigned);
  });
}

bool CKernelCRL::VerifySignature(const CKernelDoubleKeyPair& keys) const {
  return Boundary([&] { return tavrpki::pkix::VerifyRevocationList(*m_crl, KeysOf(keys).GetSignPair()); });
}

bool CKernelCRL::VerifySignature(const CKernelCertificate& cert) const {
  return Boundary([&] {
    const tavrpki::ASN1Certificate& certificate = CertificateOf(cert);
    tavrpki::pkix::RequireCrlSignUsage(certificate, tavrpki::kMsgNoCrlSignKeyUsage);
    return tavrpki::pkix::VerifyRevocationList(*m_crl, tavrpki::pkix::CertificateSignKey(certificate));
  });
}

void CKernelCRL::Clear() {
  Boundary([&] {
    ASN1CRL empty;
    std::swap(*m_crl, empty);
  });
}

}  // namespace Kernel
