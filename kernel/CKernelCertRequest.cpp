// The exported certification request: argument checks and the boundary; the
// structures are asn1/pkcs10/, signing and the key field kernel/pkix/.
//
// Every member that changes the request works on a copy and swaps it in at the
// end, so a failure anywhere leaves the request as it was.
#include "kernel/CKernelCertRequest.h"

#include <memory>
#include <string_view>
#include <utility>

#include "asn1/Der.h"
#include "asn1/pkcs10/ASN1CertRequest.h"
#include "asn1/x509/ASN1Certificate.h"
#include "core/CKernelUtils.h"
#include "core/OidTable.h"
#include "ext/CUnkExtHandler.h"
#include "ext/ExtensionHandlers.h"
#include "kernel/Boundary.h"
#include "kernel/HandleCast.h"
#include "kernel/KernelRandom.h"
#include "kernel/KeyStorageAccess.h"
#include "kernel/pkix/PublicKeyInfo.h"
#include "kernel/pkix/SignedBody.h"

namespace Kernel {
namespace {

using tavrpki::ASN1CertRequest;
using tavrpki::Blob;
using tavrpki::ByteView;
using tavrpki::CKernelUtils;

bool IsKnownSignatureAlgorithm(std::string_view oid) {
  return oid == tavrpki::kOidDstuSignaturePolynomial || oid == tavrpki::kOidDstuSignatureNormal ||
         oid == tavrpki::kOidDstuSignaturePolynomialReversed ||
         oid == tavrpki::kOidDstuSignatureNormalReversed;
}

// A Blob holds at most 4 GiB - 1: a longer buffer is refused, not cut short.
ByteView In(const unsigned char* data, unsigned long length) {
  RequireArgument(data != nullptr && length != 0 && length <= 0xFFFFFFFFu);
  return ByteView(data, length);
}

// The attributes become extensions of `cert`, through the module when it loaded,
// else through the library's own handlers.
void ConvertAttributes(const tavrpki::RequestAttributesCollection& attributes, tavrpki::ASN1Certificate& cert) {
  tavrpki::CUnkExtHandler module;
  const bool external = module.Load();
  const std::string root9 = tavrpki::GetOidRoot9();
  for (const tavrpki::ASN1Attribute& attribute : attributes) {
    if (attribute.Values().empty()) continue;
    const tavrpki::String oid = attribute.TypeText();
    if (external) {
      Blob der;
      attribute.Encode(der);
      const Blob output = module.Convert(oid, der.View());
      tavrpki::ASN1CertExtension extension;
      extension.Decode(output.View());
      cert.TBSCertificate().Extensions().Append(extension);
      continue;
    }
    const std::unique_ptr<tavrpki::PKIEntityBase> handler = tavrpki::MakeExtensionHandler(oid.CStr());
    if (!root9.empty() && oid.Equals(root9.c_str())) continue;
    handler->FromAttribute(attribute);
    cert.TBSCertificate().Extensions().Append(handler->ToExtension());
  }
}

}  // namespace

// ---- Construction and copying ----

CKernelCertRequest::CKernelCertRequest(const CKernel& kernel)
    : CKernelHandleWrapper(kernel), m_request(new ASN1CertRequest) {}

CKernelCertRequest::CKernelCertRequest(const CKernel& kernel, void* const handle)
    : CKernelHandleWrapper(kernel), m_request(nullptr) {
  m_request = Boundary([&] {
    RequireArgument(handle != nullptr);
    return new ASN1CertRequest(*static_cast<const ASN1CertRequest*>(handle));
  });
}

CKernelCertRequest::CKernelCertRequest(const CKernelCertRequest& other)
    : CKernelHandleWrapper(other), m_request(new ASN1CertRequest(*other.m_request)) {}

CKernelCertRequest::~CKernelCertRequest() { delete m_request; }

CKernelCertRequest& CKernelCertRequest::operator=(const CKernelCertRequest& other) {
  if (this != &other) {
    auto copy = std::make_unique<ASN1CertRequest>(*other.m_request);
    delete m_request;
    m_request = copy.release();
  }
  return *this;
}

void* CKernelCertRequest::GetHandle() const { return m_request; }

void CKernelCertRequest::SetHandle(void* const handle) {
  Boundary([&] {
    RequireArgument(handle != nullptr);
    ASN1CertRequest copy(*static_cast<const ASN1CertRequest*>(handle));
    std::swap(*m_request, copy);
  });
}

// ---- DER ----

void CKernelCertRequest::InitFromBuffer(const unsigned char* buffer, unsigned long length) {
  Boundary([&] {
    const ByteView der = In(buffer, length);
    ASN1CertRequest fresh;
    fresh.Decode(der);
    if (!IsKnownSignatureAlgorithm(fresh.SignatureAlgorithm().TypeText().CStr()))
      tavrpki::Raise(tavrpki::kMsgRequestSignatureAlgorithmUnsupported);
    std::swap(*m_request, fresh);
  });
}

void CKernelCertRequest::GetRequestBuffer(unsigned char* out, unsigned long* outLength) const {
  Boundary([&] {
    RequireArgument(outLength != nullptr);
    Blob der;
    m_request->Encode(der);
    CKernelUtils::CopyResult(der.View(), out, outLength);
  });
}

// ---- Attributes ----

void CKernelCertRequest::AddAttribute(const unsigned char* buffer, unsigned long length) {
  Boundary([&] {
    const ByteView der = In(buffer, length);
    tavrpki::ASN1Attribute attribute;
    attribute.Decode(der);
    // Only the one element: bytes after it would otherwise vanish unnoticed.
    if (tavrpki::der::ElementSize(der) != der.size()) tavrpki::Raise(tavrpki::kMsgBadRequestAttributes);
    m_request->RequestInfo().Attributes().Append(attribute);
  });
}

void CKernelCertRequest::AddCryptPublicKeyAttribute(const CKernelDoubleKeyPair& keys) {
  Boundary([&] {
    tavrpki::PKICryptPublicKey handler;
    handler.SetKeyPair(KeysOf(keys).GetCryptPair());
    m_request->RequestInfo().Attributes().Append(handler.ToAttribute());
  });
}

void CKernelCertRequest::GetAttributeAsString(const char* oid, char* out, unsigned long* outLength) const {
  Boundary([&] {
    RequireArgument(oid != nullptr && outLength != nullptr);
    const tavrpki::ASN1Attribute& attribute = m_request->RequestInfo().Attributes().Find(oid);
    tavrpki::PKIDefault handler;
    handler.FromAttribute(attribute);
    const tavrpki::String& text = handler.GetText();
    CKernelUtils::CopyResult(text.CStr(), text.Length() + 1, out, outLength);
  });
}

// ---- Signing ----

void CKernelCertRequest::Ensign(const CKernelDoubleKeyPair& keys, const unsigned char* const randomSBox) const {
  Boundary([&] {
    RequireArgument(randomSBox != nullptr);
    const tavrpki::CKeyPair& signer = KeysOf(keys).GetSignPair();
    ASN1CertRequest copy(*m_request);
    copy.RequestInfo().PublicKeyInfo() = tavrpki::pkix::ToPublicKeyInfo(signer);
    copy.SignatureAlgorithm() = copy.RequestInfo().PublicKeyInfo().Algorithm();
    Blob body;
    copy.RequestInfo().Encode(body);  // refreshes the signed bytes

    tavrpki::CProvider& provider = ProviderOf(m_kernel);
    ReseedForSigning(provider, randomSBox, tavrpki::pkix::HashSBox(signer.GetParams()));
    const Blob signature = tavrpki::pkix::SignBody(copy.RequestInfo(), signer, DrawFrom(provider));
    copy.SetSignature(signature.View());
    std::swap(*m_request, copy);
    AuditKeyUse(m_kernel, kAuditSigned);
  });
}

bool CKernelCertRequest::VerifySignature() const {
  return Boundary([&] {
    const tavrpki::ASN1RequestInfo& body = m_request->RequestInfo();
    const tavrpki::CKeyPair key = tavrpki::pkix::PublicKeyPair(body.PublicKeyInfo(), tavrpki::CKeyPair::kSigning);
    const Blob signature = m_request->GetSignature();
    return tavrpki::pkix::VerifyBody(body, m_request->SignatureAlgorithm().TypeText().CStr(), signature.View(), key);
  });
}

// ---- Conversion ----

CKernelCertificate CKernelCertRequest::ConvertToCertificate() const {
  return Boundary([&] {
    tavrpki::ASN1Certificate cert;
    const tavrpki::ASN1OID& algorithm = m_request->SignatureAlgorithm().Type();
    cert.SignatureAlgorithm().SetType(algorithm);
    cert.TBSCertificate().Signature().SetType(algorithm);
    cert.TBSCertificate().Subject() = m_request->RequestInfo().Subject();
    cert.TBSCertificate().PublicKeyInfo() = m_request->RequestInfo().PublicKeyInfo();
    ConvertAttributes(m_request->RequestInfo().Attributes(), cert);
    return CKernelCertificate(m_kernel, &cert);
  });
}

}  // namespace Kernel
