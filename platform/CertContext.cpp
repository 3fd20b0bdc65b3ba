#include "platform/CertContext.h"

#include <cstring>
#include <new>

namespace {

thread_local DWORD lastError = 0;

bool AcceptedEncoding(DWORD type) {
  return type == (X509_ASN_ENCODING | PKCS_7_ASN_ENCODING) || type == X509_ASN_ENCODING;
}

// One SEQUENCE with a definite length that covers the input exactly. The
// platform only vouches for the framing; what is inside is the caller's business.
bool IsOneSequence(const BYTE* der, DWORD length) {
  if (length < 2 || der[0] != 0x30) return false;
  const BYTE first = der[1];
  std::uint64_t content = 0;
  DWORD header = 2;
  if (first < 0x80) {
    content = first;
  } else {
    const DWORD octets = first & 0x7Fu;
    if (octets == 0 || octets > 4 || length < 2 + octets) return false;
    for (DWORD i = 0; i < octets; ++i) content = content << 8 | der[2 + i];
    header += octets;
  }
  return content == std::uint64_t{length} - header;
}

// The context and its copy in one allocation of `header` bytes plus the DER, so
// one free releases both and a failure leaves nothing behind.
template <class Context, BYTE* Context::*Bytes, DWORD Context::*Size>
const Context* Create(DWORD encodingType, const BYTE* encoded, DWORD length) {
  if (encoded == nullptr || length == 0 || !AcceptedEncoding(encodingType)) {
    lastError = tavrpki::platform::kErrorInvalidParameter;
    return nullptr;
  }
  if (!IsOneSequence(encoded, length)) {
    lastError = tavrpki::platform::kErrorBadEncoding;
    return nullptr;
  }
  auto* block = static_cast<BYTE*>(::operator new(sizeof(Context) + length, std::nothrow));
  if (block == nullptr) {
    lastError = tavrpki::platform::kErrorNotEnoughMemory;
    return nullptr;
  }
  auto* context = new (block) Context{};
  context->dwCertEncodingType = encodingType;
  context->*Bytes = block + sizeof(Context);
  context->*Size = length;
  std::memcpy(context->*Bytes, encoded, length);
  lastError = 0;
  return context;
}

template <class Context>
BOOL Free(const Context* context) {
  if (context != nullptr) {
    context->~Context();
    ::operator delete(const_cast<Context*>(context));
  }
  return TRUE;
}

}  // namespace

PCCERT_CONTEXT CertCreateCertificateContext(DWORD encodingType, const BYTE* encoded, DWORD length) {
  return Create<CERT_CONTEXT, &CERT_CONTEXT::pbCertEncoded, &CERT_CONTEXT::cbCertEncoded>(
      encodingType, encoded, length);
}

BOOL CertFreeCertificateContext(PCCERT_CONTEXT context) { return Free(context); }

PCCRL_CONTEXT CertCreateCRLContext(DWORD encodingType, const BYTE* encoded, DWORD length) {
  return Create<CRL_CONTEXT, &CRL_CONTEXT::pbCrlEncoded, &CRL_CONTEXT::cbCrlEncoded>(
      encodingType, encoded, length);
}

BOOL CertFreeCRLContext(PCCRL_CONTEXT context) { return Free(context); }

DWORD GetLastError() { return lastError; }
