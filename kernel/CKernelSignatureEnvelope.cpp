// The signature envelope: argument checks and the boundary over asn1/cms/.
#include "kernel/CKernelSignatureEnvelope.h"

#include <cstring>
#include <memory>
#include <utility>

#include "asn1/cms/ASN1ContentInfo.h"
#include "asn1/cms/ASN1SignedData.h"
#include "asn1/cms/CmsOids.h"
#include "core/CKernelUtils.h"
#include "kernel/Boundary.h"
#include "kernel/HandleCast.h"

namespace Kernel {
namespace {

using tavrpki::ASN1SignedData;
using tavrpki::Blob;
using tavrpki::CKernelUtils;

Blob FooterOf(const ASN1SignedData& signedData) {
  if (signedData.Certificates().empty()) tavrpki::Raise(tavrpki::kMsgInvalidParameter);
  return signedData.StreamFooter();
}

}  // namespace

CKernelSignatureEnvelope::CKernelSignatureEnvelope(const CKernel& kernel)
    : CKernelHandleWrapper(kernel), m_signedData(new ASN1SignedData()), m_external(false), m_dataSize(0) {
  m_signedData->SetVersion(1);
  m_signedData->DigestAlgorithms().emplace_back(tavrpki::kOidGost34311);
  m_signedData->SetContentType(tavrpki::kOidData);
}

CKernelSignatureEnvelope::CKernelSignatureEnvelope(const CKernel& kernel, void* const handle)
    : CKernelHandleWrapper(kernel), m_signedData(nullptr), m_external(false), m_dataSize(0) {
  Boundary([&] {
    RequireArgument(handle != nullptr);
    m_signedData = new ASN1SignedData(*static_cast<const ASN1SignedData*>(handle));
  });
}

CKernelSignatureEnvelope::CKernelSignatureEnvelope(const CKernelSignatureEnvelope& other)
    : CKernelHandleWrapper(other),
      m_signedData(new ASN1SignedData(*other.m_signedData)),
      m_external(other.m_external),
      m_dataSize(0) {}

CKernelSignatureEnvelope::~CKernelSignatureEnvelope() { delete m_signedData; }

CKernelSignatureEnvelope& CKernelSignatureEnvelope::operator=(const CKernelSignatureEnvelope& other) {
  if (this != &other) {
    *m_signedData = *other.m_signedData;
    m_external = other.m_external;
  }
  return *this;
}

void* CKernelSignatureEnvelope::GetHandle() const { return m_signedData; }

void CKernelSignatureEnvelope::SetHandle(void* const handle) {
  Boundary([&] {
    RequireArgument(handle != nullptr);
    *m_signedData = *static_cast<const ASN1SignedData*>(handle);
  });
}

void CKernelSignatureEnvelope::InitFromBuffer(const unsigned char* buffer, unsigned long length) {
  Boundary([&] {
    RequireArgument(buffer != nullptr && length != 0);
    tavrpki::ASN1OID type;
    const tavrpki::ByteView content = tavrpki::ASN1ContentInfo::ReadContent(tavrpki::ByteView(buffer, length), type);
    RequireArgument(type.ToText().Equals(tavrpki::kOidSignedData));
    ASN1SignedData read;
    read.Decode(content);
    *m_signedData = std::move(read);
    m_external = m_signedData->Content().IsEmpty();
  });
}

void CKernelSignatureEnvelope::SetContentType(const char* oid) {
  Boundary([&] {
    RequireArgument(oid != nullptr);
    const tavrpki::ASN1OID type(oid);
    m_signedData->SetContentType(oid);
    m_signedData->SetVersion(type.ToText().Equals(tavrpki::kOidData) ? 1 : 3);
  });
}

void CKernelSignatureEnvelope::SetData(const unsigned char* data, unsigned long length) {
  Boundary([&] {
    RequireArgument(data != nullptr && length != 0);
    m_signedData->Content().Assign(tavrpki::ByteView(data, length));
  });
}

void CKernelSignatureEnvelope::GetData(unsigned char* out, unsigned long* outLength) {
  Boundary(tavrpki::kMsgSignedDataError, [&] {
    RequireArgument(outLength != nullptr);
    if (m_signedData->Content().IsEmpty()) {
      *outLength = 0;
      return;
    }
    CKernelUtils::CopyResult(m_signedData->Content().View(), out, outLength);
  });
}

void CKernelSignatureEnvelope::ClearData() { m_signedData->Content().Clear(); }

void CKernelSignatureEnvelope::SetDataSize(std::uint64_t size) { m_dataSize = size; }

bool CKernelSignatureEnvelope::GetIsExternalSignatureFlag() { return m_external; }

void CKernelSignatureEnvelope::SetIsExternalSignatureFlag(bool external) { m_external = external; }

void CKernelSignatureEnvelope::AddCertificate(const CKernelCertificate& cert) {
  Boundary([&] {
    Blob der;
    CertificateOf(cert).Encode(der);
    m_signedData->Certificates().push_back(std::move(der));
  });
}

void CKernelSignatureEnvelope::AddCertificateFromBuffer(const unsigned char* buffer, unsigned long length) {
  Boundary([&] {
    RequireArgument(buffer != nullptr && length != 0);
    m_signedData->Certificates().emplace_back(tavrpki::ByteView(buffer, length));
  });
}

unsigned long CKernelSignatureEnvelope::GetCertCount() const {
  return static_cast<unsigned long>(m_signedData->Certificates().size());
}

CKernelCertificate CKernelSignatureEnvelope::GetCertificate(unsigned long index) const {
  return Boundary(tavrpki::kMsgSignedDataError, [&] {
    try {
      const Blob& der = m_signedData->Certificates().at(index);
      CKernelCertificate cert(m_kernel);
      cert.InitFromBuffer(der.Data(), der.Size(), false);
      return cert;
    } catch (...) {
      tavrpki::Raise(tavrpki::kMsgSignedDataError);
    }
  });
}

// A copy of the structure writes the same bytes as the signer info would: DER
// is one encoding, and the signed attributes' bytes kept from reading go along.
void CKernelSignatureEnvelope::AddSignerInfo(const CKernelSignerInfo& signer) {
  Boundary([&] {
    m_signedData->SignerInfos().push_back(*static_cast<const tavrpki::ASN1SignerInfo*>(signer.GetHandle()));
  });
}

unsigned long CKernelSignatureEnvelope::GetSignerInfoCount() const {
  return static_cast<unsigned long>(m_signedData->SignerInfos().size());
}

CKernelSignerInfo CKernelSignatureEnvelope::GetSignerInfo(unsigned long index) const {
  return Boundary(tavrpki::kMsgSignedDataError, [&] {
    try {
      const tavrpki::ASN1SignerInfo& stored = m_signedData->SignerInfos().at(index);
      const Blob der = m_signedData->FindSignerCertificate(stored);
      if (der.IsEmpty()) tavrpki::Raise(tavrpki::kMsgSignedDataError);
      CKernelCertificate cert(m_kernel);
      cert.InitFromBuffer(der.Data(), der.Size(), false);
      CKernelSignerInfo signer(cert);
      signer.SetHandle(const_cast<tavrpki::ASN1SignerInfo*>(&stored));
      return signer;
    } catch (...) {
      tavrpki::Raise(tavrpki::kMsgSignedDataError);
    }
  });
}

// The whole message is the streamed one with the data in place: one writer for
// both, so they cannot drift apart. The pieces go straight into the caller's
// buffer: a message is mostly its data, and a copy of it is what signing a large
// document would otherwise spend its time on.
void CKernelSignatureEnvelope::GetEnvelopeBuffer(unsigned char* out, unsigned long* outLength) {
  Boundary([&] {
    RequireArgument(outLength != nullptr);
    const Blob& data = m_signedData->Content();
    Blob header;
    Blob footer;
    try {
      footer = m_signedData->StreamFooter();
      header = m_signedData->StreamHeader(data.Size(), footer.Size(), data.IsEmpty());
    } catch (const std::bad_alloc&) {
      throw;
    } catch (...) {
      tavrpki::Raise(tavrpki::kMsgSignedDataEncodeFailed);
    }
    const std::uint64_t total = std::uint64_t{header.Size()} + data.Size() + footer.Size();
    if (total > 0xFFFFFFFFu) tavrpki::Raise(tavrpki::kMsgSignedDataEncodeFailed);
    const auto length = static_cast<unsigned long>(total);
    if (out == nullptr) {
      *outLength = length;
      return;
    }
    if (*outLength < length) {
      *outLength = length;
      tavrpki::Raise(tavrpki::kMsgBufferTooSmall);
    }
    unsigned char* at = out;
    for (const Blob* piece : {static_cast<const Blob*>(&header), &data, static_cast<const Blob*>(&footer)}) {
      if (piece->IsEmpty()) continue;
      std::memcpy(at, piece->Data(), piece->Size());
      at += piece->Size();
    }
    *outLength = length;
  });
}

void CKernelSignatureEnvelope::GetEnvelopeHeader(unsigned char* out, unsigned long* outLength) {
  Boundary([&] {
    RequireArgument(outLength != nullptr);
    const Blob footer = FooterOf(*m_signedData);
    const Blob header = m_signedData->StreamHeader(m_dataSize, footer.Size(), m_external);
    CKernelUtils::CopyResult(header.View(), out, outLength);
  });
}

void CKernelSignatureEnvelope::GetEnvelopeFooter(unsigned char* out, unsigned long* outLength) {
  Boundary([&] {
    RequireArgument(outLength != nullptr);
    const Blob footer = FooterOf(*m_signedData);
    CKernelUtils::CopyResult(footer.View(), out, outLength);
  });
}

}  // namespace Kernel
