#include "TokenSigner.h"

#include "asn1/tsp/TimeStamp.h"
#include "kernel/CKernelSignatureEnvelope.h"

namespace tavrpki::servers {
namespace {

Kernel::CKernelCertificate Load(const Kernel::CKernel& kernel, std::span<const std::uint8_t> der) {
  Kernel::CKernelCertificate cert(kernel);
  cert.InitFromBuffer(der.data(), static_cast<unsigned long>(der.size()), false);
  return cert;
}

}  // namespace

TokenSigner::TokenSigner(const Kernel::CKernel& kernel, std::span<const std::uint8_t> certificate,
                         const Kernel::CKernelDoubleKeyPair& keys)
    : m_kernel(kernel),
      m_certificateDer(certificate.begin(), certificate.end()),
      m_certificate(Load(m_kernel, certificate)),
      m_keys(keys),
      m_template(m_certificate) {
  // Made once: the signing-certificate-v2 value hashes the whole certificate.
  m_template.ReplaceContentType(tsp::kOidTstInfo);
  m_template.SetStandardSignedAttrs(true);
  const Kernel::CKernelDoubleKeyPair certified = m_certificate.GetCertSignKey();
  const unsigned char* sbox = certified.GetHashSBox();  // lives as long as `certified`
  if (sbox != nullptr) m_sbox.assign(sbox, sbox + 128);
}

std::vector<std::uint8_t> TokenSigner::Sign(std::span<const std::uint8_t> tstInfo, const SYSTEMTIME& time,
                                            bool includeCertificate) {
  const auto length = static_cast<unsigned long>(tstInfo.size());
  unsigned char digest[32];
  m_kernel.CalcHash(tstInfo.data(), length, digest, m_sbox.empty() ? nullptr : m_sbox.data());
  Kernel::CKernelSignerInfo signer(m_template);
  signer.SetSigningTime(time);
  signer.SetMessageDigest(digest, sizeof digest);
  signer.CalculateSignature(m_certificate, m_keys);

  Kernel::CKernelSignatureEnvelope envelope(m_kernel);
  envelope.SetContentType(tsp::kOidTstInfo);
  if (includeCertificate)
    envelope.AddCertificateFromBuffer(m_certificateDer.data(), static_cast<unsigned long>(m_certificateDer.size()));
  envelope.AddSignerInfo(signer);
  envelope.SetData(tstInfo.data(), length);
  unsigned long size = 0;
  envelope.GetEnvelopeBuffer(nullptr, &size);
  std::vector<std::uint8_t> token(size);
  envelope.GetEnvelopeBuffer(token.data(), &size);
  token.resize(size);
  return token;
}

}  // namespace tavrpki::servers
