// The exported encrypted envelope: argument checks, the boundary, and the
// internal envelope of kernel/pkix/ with the kernel's generator.
#include "kernel/CKernelCryptEnvelope.h"

#include "asn1/Blob.h"
#include "core/CKernelUtils.h"
#include "kernel/Boundary.h"
#include "kernel/HandleCast.h"
#include "kernel/KernelRandom.h"
#include "kernel/pkix/CryptEnvelope.h"

namespace Kernel {

using tavrpki::Blob;
using tavrpki::ByteView;
using tavrpki::CKernelUtils;

namespace {

// The key material is secret: fresh entropy goes into the generator first, so a
// kernel copy that duplicated this generator never draws the same values.
tavrpki::dstu::RandomSource FreshDrawFrom(tavrpki::CProvider& provider) {
  return [&provider](std::span<std::uint8_t> out) {
    provider.WithGenerator([&](tavrpki::dstu::GeneratorSlot& slot) {
      tavrpki::dstu::RefreshGenerator(slot);
      tavrpki::dstu::DrawRandom(slot, out);
    });
  };
}

}  // namespace

CKernelCryptEnvelope::CKernelCryptEnvelope(const CKernel& kernel)
    : CKernelHandleWrapper(kernel), m_envelope(std::make_unique<tavrpki::pkix::CryptEnvelope>()) {}

CKernelCryptEnvelope::~CKernelCryptEnvelope() = default;

void* CKernelCryptEnvelope::GetHandle() const { return nullptr; }

void CKernelCryptEnvelope::SetHandle(void* const) {}

void CKernelCryptEnvelope::AddCertificate(const CKernelCertificate& cert) {
  Boundary([&] {
    if (m_envelope->State() != tavrpki::pkix::CryptEnvelope::kNew) tavrpki::Raise(tavrpki::kMsgEnvelopeWrongState);
    try {
      m_envelope->AddRecipient(CertificateOf(cert));
    } catch (...) {
      tavrpki::Raise(tavrpki::kMsgEnvelopeRecipientNotAdded);
    }
  });
}

unsigned long CKernelCryptEnvelope::GetCryptCertCount() const {
  return Boundary(tavrpki::kMsgEnvelopeUnknownError,
                  [&] { return static_cast<unsigned long>(m_envelope->RecipientCount()); });
}

CKernelCertificate CKernelCryptEnvelope::GetCryptCert(unsigned long index) const {
  return Boundary(tavrpki::kMsgEnvelopeUnknownError, [&] {
    const tavrpki::ASN1Certificate& cert = m_envelope->Recipient(index);
    return CKernelCertificate(m_kernel, const_cast<tavrpki::ASN1Certificate*>(&cert));
  });
}

void CKernelCryptEnvelope::CryptInit() {
  Boundary([&] {
    tavrpki::CProvider& provider = ProviderOf(m_kernel);
    m_envelope->CryptInit(
        [&](const unsigned char* randomSBox, const unsigned char* signSBox) {
          ReseedForSigning(provider, randomSBox, signSBox);
        },
        DrawFrom(provider));
  });
}

void CKernelCryptEnvelope::CryptSingleBlock(const unsigned char* in, unsigned long length, unsigned char* out) {
  Boundary([&] {
    if (m_envelope->State() != tavrpki::pkix::CryptEnvelope::kCipherReady)
      tavrpki::Raise(tavrpki::kMsgEnvelopeWrongState);
    RequireArgument(in != nullptr && out != nullptr && length != 0);
    m_envelope->Transform(ByteView(in, length), out);
  });
}

void CKernelCryptEnvelope::EncryptDecryptData(const unsigned char* in, unsigned long length, unsigned char* out,
                                              bool encrypt) {
  Boundary([&] {
    if (m_envelope->State() != tavrpki::pkix::CryptEnvelope::kCipherReady)
      tavrpki::Raise(tavrpki::kMsgEnvelopeWrongState);
    RequireArgument(in != nullptr && out != nullptr && length != 0);
    m_envelope->EncryptDecrypt(ByteView(in, length), out, encrypt);
  });
}

void CKernelCryptEnvelope::CryptFinalize() {
  Boundary([&] { m_envelope->Finalize(); });
}

void CKernelCryptEnvelope::GetEnvelopeData(unsigned char* buffer, unsigned long* length) const {
  Boundary([&] {
    if (m_envelope->State() != tavrpki::pkix::CryptEnvelope::kFinalized)
      tavrpki::Raise(tavrpki::kMsgEnvelopeWrongState);
    RequireArgument(length != nullptr);
    const Blob records = m_envelope->Records(FreshDrawFrom(ProviderOf(m_kernel)));
    CKernelUtils::CopyResult(records.View(), buffer, length);
  });
}

void CKernelCryptEnvelope::SetEnvelopeData(const unsigned char* data, unsigned long length) {
  Boundary([&] {
    if (m_envelope->State() != tavrpki::pkix::CryptEnvelope::kNew) tavrpki::Raise(tavrpki::kMsgEnvelopeWrongState);
    RequireArgument(data != nullptr && length != 0 && length <= 0xFFFFFFFFu);
    m_envelope->SetRecords(ByteView(data, length));
  });
}

void CKernelCryptEnvelope::DecryptInit(const CKernelDoubleKeyPair& keyPair) {
  Boundary([&] { m_envelope->DecryptInit(KeysOf(keyPair).GetCryptPair()); });
}

void CKernelCryptEnvelope::DecryptInit(const CKernelCertificate& cert, const char* password,
                                       HWND__* const window) {
  Boundary([&] {
    Blob der;
    CertificateOf(cert).Encode(der);
    if (!m_envelope->FindRecipient(der.View())) tavrpki::Raise(tavrpki::kMsgEnvelopeNoKeyForCertificate);
    const CKernelDoubleKeyPair keys =
        password != nullptr ? cert.LoadKeyPairs(password, window) : cert.LoadKeyPairs(window);
    m_envelope->DecryptInit(KeysOf(keys).GetCryptPair());
  });
}

}  // namespace Kernel
