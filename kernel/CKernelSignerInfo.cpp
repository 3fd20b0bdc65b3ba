// The signer info: argument checks and the boundary; the structures are
// asn1/cms/, building, re-shaping and checking them kernel/pkix/SignedMessage.h.
#include "kernel/CKernelSignerInfo.h"

#include <cstring>
#include <utility>

#include "asn1/ASN1OID.h"
#include "asn1/ASN1OctetString.h"
#include "asn1/ASN1UTCTime.h"
#include "asn1/DateTime.h"
#include "asn1/cms/ASN1SignerInfo.h"
#include "asn1/cms/CmsOids.h"
#include "core/CKernelUtils.h"
#include "core/RegistryHandler.h"
#include "kernel/Boundary.h"
#include "kernel/GetKernelInstance.h"
#include "kernel/HandleCast.h"
#include "kernel/KernelRandom.h"
#include "kernel/KeyStorageAccess.h"
#include "kernel/SignerKeys.h"
#include "kernel/pkix/Certificate.h"
#include "kernel/pkix/SignedBody.h"
#include "crypto/dstu/Dstu4145Ops.h"
#include "crypto/symmetric/SymmetricOps.h"
#include "kernel/pkix/PublicKeyInfo.h"
#include "kernel/pkix/SignedMessage.h"

namespace Kernel {
namespace {

using tavrpki::ASN1SignerInfo;
using tavrpki::Blob;
using tavrpki::CKernelUtils;

constexpr std::uint32_t kUnset = 0xFFFFFFFFu;

bool ConfiguredStandardForm() {
  std::uint32_t value = tavrpki::RegistryHandler::ReadDword(true, "", "StandardSignedAttrs", kUnset);
  if (value == kUnset) value = tavrpki::RegistryHandler::ReadDword(false, "", "StandardSignedAttrs", 0);
  return value == 1;
}

bool IsAcceptedSignatureAlgorithm(const char* oid) {
  for (const char* accepted : {tavrpki::kOidDstuSignaturePolynomial, tavrpki::kOidDstuSignatureNormal,
                               tavrpki::kOidDstuSignaturePolynomialReversed,
                               tavrpki::kOidDstuSignatureNormalReversed})
    if (std::strcmp(oid, accepted) == 0) return true;
  return false;
}

// Attribute setters and getters: an internal failure is reported with the
// attribute's type and the inner message under `coded`; anything else is 100045.
template <class Body>
decltype(auto) AttributeBoundary(const tavrpki::Message& coded, const char* oid, Body&& body) {
  return Boundary(tavrpki::kMsgSignerInfoUnknownError, [&]() -> decltype(auto) {
    try {
      return body();
    } catch (const tavrpki::Exception& inner) {
      if (inner.GetErrorCode() == tavrpki::kMsgInvalidParameter.code) throw;
      tavrpki::Raise(coded, oid, inner.GetErrorMessage());
    }
  });
}

}  // namespace

CKernelSignerInfo::CKernelSignerInfo()
    : m_signerInfo(new ASN1SignerInfo()), m_certificate(GetKernelInstance()), m_standard(-1), m_verified(-1) {}

CKernelSignerInfo::CKernelSignerInfo(const CKernelCertificate& cert)
    : m_signerInfo(nullptr), m_certificate(cert), m_standard(-1), m_verified(-1) {
  Boundary(tavrpki::kMsgSignerInfoFromCertFailed, [&] {
    try {
      const tavrpki::ASN1Certificate& der = CertificateOf(cert);
      const auto sbox = tavrpki::pkix::ExpandedSBox(tavrpki::pkix::KeyParams(der.TBSCertificate().PublicKeyInfo()));
      m_signerInfo = new ASN1SignerInfo(tavrpki::pkix::SignerInfoFor(der, sbox));
    } catch (...) {
      tavrpki::Raise(tavrpki::kMsgSignerInfoFromCertFailed);
    }
  });
}

CKernelSignerInfo::CKernelSignerInfo(const CKernelSignerInfo& other)
    : m_signerInfo(new ASN1SignerInfo(*other.m_signerInfo)),
      m_certificate(other.m_certificate),
      m_standard(other.m_standard),
      m_verified(other.m_verified) {}

CKernelSignerInfo::~CKernelSignerInfo() { delete m_signerInfo; }

CKernelSignerInfo& CKernelSignerInfo::operator=(const CKernelSignerInfo& other) {
  if (this != &other) {
    auto copy = std::make_unique<ASN1SignerInfo>(*other.m_signerInfo);
    m_certificate = other.m_certificate;
    delete m_signerInfo;
    m_signerInfo = copy.release();
    m_standard = other.m_standard;
    m_verified = other.m_verified;
  }
  return *this;
}

ASN1SignerInfo& CKernelSignerInfo::Info() const { return *m_signerInfo; }

void* CKernelSignerInfo::GetHandle() const { return m_signerInfo; }

void CKernelSignerInfo::SetHandle(void* const handle) {
  Boundary([&] {
    RequireArgument(handle != nullptr);
    Info() = *static_cast<const ASN1SignerInfo*>(handle);
    m_verified = -1;
  });
}

void CKernelSignerInfo::InitFromBuffer(const unsigned char* buffer, unsigned long length) {
  Boundary([&] {
    RequireArgument(buffer != nullptr && length != 0);
    ASN1SignerInfo read;
    read.Decode(tavrpki::ByteView(buffer, length));
    if (!IsAcceptedSignatureAlgorithm(read.SignatureAlgorithm().TypeText().CStr()))
      tavrpki::Raise(tavrpki::kMsgCrlSignatureAlgorithmUnsupported);
    Info() = std::move(read);
    m_verified = -1;
  });
}

void CKernelSignerInfo::GetSignerInfoBuffer(unsigned char* out, unsigned long* outLength) const {
  Boundary([&] {
    RequireArgument(outLength != nullptr);
    Blob der;
    Info().Encode(der);
    CKernelUtils::CopyResult(der.View(), out, outLength);
  });
}

void CKernelSignerInfo::GetSignerCertBuffer(unsigned char* out, unsigned long* outLength) {
  m_certificate.GetCertBuffer(out, outLength);
}

// ---- Signed attributes ----

void CKernelSignerInfo::SetContentType(const char* oid) {
  AttributeBoundary(tavrpki::kMsgSetSignerAttributeFailed, tavrpki::kOidAttrContentType, [&] {
    RequireArgument(oid != nullptr);
    const tavrpki::ASN1OID value(oid);
    Info().MutableSignedAttrs().emplace_back(tavrpki::kOidAttrContentType, value);
  });
}

void CKernelSignerInfo::ReplaceContentType(const char* oid) {
  AttributeBoundary(tavrpki::kMsgSetSignerAttributeFailed, tavrpki::kOidAttrContentType, [&] {
    RequireArgument(oid != nullptr);
    const tavrpki::ASN1Attribute replacement(tavrpki::kOidAttrContentType, tavrpki::ASN1OID(oid));
    auto& attributes = Info().MutableSignedAttrs();
    for (tavrpki::ASN1Attribute& attribute : attributes) {
      if (std::strcmp(attribute.TypeText().CStr(), tavrpki::kOidAttrContentType) == 0) {
        attribute = replacement;
        return;
      }
    }
    attributes.push_back(replacement);
  });
}

void CKernelSignerInfo::SetMessageDigest(const unsigned char* digest, unsigned long length) {
  AttributeBoundary(tavrpki::kMsgSetSignerAttributeFailed, tavrpki::kOidAttrMessageDigest, [&] {
    RequireArgument(digest != nullptr && length != 0);
    const tavrpki::ASN1OctetString value(tavrpki::ByteView(digest, length));
    Info().MutableSignedAttrs().emplace_back(tavrpki::kOidAttrMessageDigest, value);
  });
}

void CKernelSignerInfo::SetTimeStamp(unsigned char* token, unsigned long length) {
  AttributeBoundary(tavrpki::kMsgSetSignerAttributeFailed, tavrpki::kOidAttrContentTimeStamp, [&] {
    RequireArgument(token != nullptr && length != 0);
    tavrpki::ASN1Primitive value;
    value.Decode(tavrpki::ByteView(token, length));
    Info().MutableSignedAttrs().emplace_back(tavrpki::kOidAttrContentTimeStamp, value);
  });
}

void CKernelSignerInfo::SetSigningTime(const _SYSTEMTIME& time) {
  AttributeBoundary(tavrpki::kMsgSetSignerAttributeFailed, tavrpki::kOidAttrSigningTime, [&] {
    const tavrpki::DateTime value(time);
    if (value.Year() < 1950 || value.Year() > 2049) tavrpki::Raise(tavrpki::kMsgInvalidParameter);
    Info().MutableSignedAttrs().emplace_back(tavrpki::kOidAttrSigningTime, tavrpki::ASN1UTCTime(value));
  });
}

void CKernelSignerInfo::GetContentType(char* out, unsigned long* outLength) const {
  AttributeBoundary(tavrpki::kMsgGetSignerAttributeFailed, tavrpki::kOidAttrContentType, [&] {
    RequireArgument(outLength != nullptr);
    Blob value;
    Info().GetSignedAttribute(tavrpki::kOidAttrContentType).GetFirstValue().Encode(value);
    tavrpki::ASN1OID oid;
    oid.Decode(value);
    const tavrpki::String text = oid.ToText();
    CKernelUtils::CopyResult(text.CStr(), static_cast<unsigned long>(std::strlen(text.CStr()) + 1), out,
                             outLength);
  });
}

void CKernelSignerInfo::GetMessageDigest(unsigned char* out, unsigned long* outLength) const {
  AttributeBoundary(tavrpki::kMsgGetSignerAttributeFailed, tavrpki::kOidAttrMessageDigest, [&] {
    RequireArgument(outLength != nullptr);
    const Blob digest = tavrpki::pkix::MessageDigestOf(Info());
    CKernelUtils::CopyResult(digest.View(), out, outLength);
  });
}

void CKernelSignerInfo::GetTimeStamp(unsigned char* out, unsigned long* outLength) const {
  AttributeBoundary(tavrpki::kMsgGetSignerAttributeFailed, tavrpki::kOidAttrContentTimeStamp, [&] {
    RequireArgument(outLength != nullptr);
    Blob der;
    Info().GetSignedAttribute(tavrpki::kOidAttrContentTimeStamp).GetFirstValue().Encode(der);
    CKernelUtils::CopyResult(der.View(), out, outLength);
  });
}

bool CKernelSignerInfo::TimeStampExists() {
  return AttributeBoundary(tavrpki::kMsgGetSignerAttributeFailed, tavrpki::kOidAttrContentTimeStamp,
                           [&] { return Info().HasSignedAttribute(tavrpki::kOidAttrContentTimeStamp); });
}

// ---- Signing and verification ----

void CKernelSignerInfo::PreSignValidate() {
  for (const char* required : {tavrpki::kOidAttrMessageDigest, tavrpki::kOidAttrContentType,
                               tavrpki::kOidAttrSigningCertificateV2})
    if (!Info().HasSignedAttribute(required)) tavrpki::Raise(tavrpki::kMsgSignerInfoCheckFailed);
}

void CKernelSignerInfo::Sign(const CKernelDoubleKeyPair& keys, const CKernelCertificate& cert) {
  PreSignValidate();
  const bool standard = m_standard == -1 ? ConfiguredStandardForm() : m_standard == 1;
  ASN1SignerInfo signer(Info());
  if (standard) tavrpki::pkix::ToStandardForm(signer);
  const Blob data = signer.SignedAttributesBytes(standard);
  // EnsignBuffer's steps without its parameter objects: each of those would carry
  // a kernel of its own, and a signature over a short document is mostly that.
  const SigningSBoxes sboxes = SigningSBoxesOf(cert);
  const CKernel kernel = cert.GetKernel();
  tavrpki::CProvider& provider = ProviderOf(kernel);
  const tavrpki::CKeyPair& pair = KeysOf(keys).GetSignPair();
  tavrpki::pkix::MessageHash hash{};
  tavrpki::symmetric::CalcHash(data.View(), hash, tavrpki::pkix::HashSBox(pair.GetParams()));
  ReseedForSigning(provider, sboxes.random.data(), sboxes.sign.data());
  const Blob signature = tavrpki::dstu::Sign(pair, hash, DrawFrom(provider));
  AuditKeyUse(kernel, kAuditSigned);
  signer.SetSignature(signature.View());
  Info() = std::move(signer);
  m_verified = standard ? 1 : 0;
}

void CKernelSignerInfo::CalculateSignature(const CKernelCertificate& cert, const CKernelDoubleKeyPair& keys) {
  Boundary([&] { Sign(keys, cert); });
}

void CKernelSignerInfo::CalculateSignature() {
  Boundary([&] {
    const CKernelDoubleKeyPair keys = m_certificate.LoadKeyPairs(nullptr);
    Sign(keys, m_certificate);
  });
}

bool CKernelSignerInfo::VerifyHashSignature(unsigned char* hash, const CKernelDoubleKeyPair& keys) {
  return Boundary([&] {
    RequireArgument(hash != nullptr);
    tavrpki::pkix::MessageHash value{};
    std::memcpy(value.data(), hash, value.size());
    const tavrpki::pkix::Verification result =
        tavrpki::pkix::VerifySignerInfo(Info(), value, KeysOf(keys).GetSignPair());
    if (result.Valid()) m_verified = result.form == tavrpki::pkix::AttrsForm::kSetOf ? 1 : 0;
    return result.Valid();
  });
}

bool CKernelSignerInfo::VerifySignatureOnData(const unsigned char* data, unsigned long length) {
  return Boundary([&] {
    RequireArgument(data != nullptr && length != 0);
    // Only the signing key is used, which every certificate carries: the
    // key-agreement key of GetCertKeys plays no part.
    const tavrpki::CKeyPair pair = tavrpki::pkix::CertificateSignKey(CertificateOf(m_certificate));
    tavrpki::pkix::MessageHash hash{};
    tavrpki::symmetric::CalcHash(tavrpki::ByteView(data, length), hash, tavrpki::pkix::HashSBox(pair.GetParams()));
    const tavrpki::pkix::Verification result = tavrpki::pkix::VerifySignerInfo(Info(), hash, pair);
    if (result.Valid()) m_verified = result.form == tavrpki::pkix::AttrsForm::kSetOf ? 1 : 0;
    return result.Valid();
  });
}

void CKernelSignerInfo::SetStandardSignedAttrs(bool standard) { m_standard = standard ? 1 : 0; }

bool CKernelSignerInfo::IsStandardSignedAttrs() const {
  if (m_verified != -1) return m_verified == 1;
  return m_standard == 1;
}

}  // namespace Kernel
