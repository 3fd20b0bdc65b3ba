#include "TimeStampAuthority.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <stdexcept>
#include <utility>

#include "asn1/tsp/TimeStamp.h"
#include "core/ExceptionBase.h"
#include "kernel/CKernelCertificate.h"
#include "servers/CallerBuffer.h"

namespace tavrpki::servers {
namespace {

// RFC 3161, 2.3: exactly one extended key usage, time stamping, and critical:
//   Extension { extnID 2.5.29.37, critical TRUE, extnValue { SEQUENCE { 1.3.6.1.5.5.7.3.8 } } }
constexpr std::uint8_t kTimeStampingOnly[] = {0x30, 0x16, 0x06, 0x03, 0x55, 0x1D, 0x25, 0x01, 0x01, 0xFF,
                                              0x04, 0x0C, 0x30, 0x0A, 0x06, 0x08, 0x2B, 0x06, 0x01, 0x05,
                                              0x05, 0x07, 0x03, 0x08};

void CheckCertificate(const Kernel::CKernel& kernel, std::span<const std::uint8_t> der,
                      const Kernel::CKernelDoubleKeyPair& keys) {
  Kernel::CKernelCertificate cert(kernel);
  cert.InitFromBuffer(der.data(), static_cast<unsigned long>(der.size()), false);
  std::vector<unsigned char> usage;
  try {
    usage = Fetch([&](unsigned char* b, unsigned long* l) { cert.GetExtension("2.5.29.37", b, l); });
  } catch (const Kernel::CKernelException&) {
    throw std::runtime_error("the certificate has no extended key usage; a time-stamp authority needs time stamping (critical)");
  }
  if (!std::equal(usage.begin(), usage.end(), std::begin(kTimeStampingOnly), std::end(kTimeStampingOnly)))
    throw std::runtime_error("the certificate's extended key usage must be time stamping alone, marked critical");
  const Kernel::CKernelDoubleKeyPair certified = cert.GetCertSignKey();
  const auto expected = Fetch([&](unsigned char* b, unsigned long* l) { certified.GetSignPublicKey(b, l); });
  const auto held = Fetch([&](unsigned char* b, unsigned long* l) { keys.GetSignPublicKey(b, l); });
  if (expected != held) throw std::runtime_error("the key does not belong to the certificate");
}

// A policy that is no object identifier would fail every request; it fails the start.
void CheckPolicy(const std::string& policy) {
  tsp::TstInfo probe;
  probe.policy = policy;
  probe.messageImprint.hashedMessage.assign(32, 0);
  probe.serialNumber = tsp::IntegerOctets(1);
  probe.genTime = {2026, 1, 0, 1, 0, 0, 0, 0};
  try {
    (void)tsp::Encode(probe);
  } catch (const ExceptionBase&) {
    throw std::runtime_error("the policy '" + policy + "' is not an object identifier");
  }
}

std::vector<std::uint8_t> Rejection(tsp::FailureBit bit, const char* text) {
  tsp::TimeStampResp response;
  response.status.status = tsp::kRejection;
  response.status.statusString.emplace_back(text);
  response.status.failInfo = 1u << bit;
  return tsp::Encode(response);
}

}  // namespace

TimeStampAuthority::TimeStampAuthority(const Kernel::CKernel& kernel, std::span<const std::uint8_t> certificate,
                                       const Kernel::CKernelDoubleKeyPair& keys, TsaSettings settings)
    : m_kernel(kernel),
      m_certificate(certificate.begin(), certificate.end()),
      m_keys(keys),
      m_settings(std::move(settings)),
      m_serials((CheckCertificate(m_kernel, certificate, keys), CheckPolicy(m_settings.policy), m_settings.statePath),
                m_settings.serialBlock) {
  // The first signer is made now, so a certificate the signer cannot use stops
  // the start rather than the first request.
  Release(Acquire());
}

TimeStampAuthority::~TimeStampAuthority() = default;

std::unique_ptr<TokenSigner> TimeStampAuthority::Acquire() {
  const std::lock_guard<std::mutex> hold(m_poolMutex);
  if (!m_idle.empty()) {
    std::unique_ptr<TokenSigner> signer = std::move(m_idle.back());
    m_idle.pop_back();
    return signer;
  }
  return std::make_unique<TokenSigner>(m_kernel, m_certificate, m_keys);
}

void TimeStampAuthority::Release(std::unique_ptr<TokenSigner> signer) {
  const std::lock_guard<std::mutex> hold(m_poolMutex);
  m_idle.push_back(std::move(signer));
}

std::vector<std::uint8_t> TimeStampAuthority::Answer(std::span<const std::uint8_t> request) {
  tsp::TimeStampReq query;
  try {
    query = tsp::DecodeTimeStampReq(request);
  } catch (const ExceptionBase&) {
    return Rejection(tsp::kBadDataFormat, "not a DER TimeStampReq");
  }
  if (query.version != 1) return Rejection(tsp::kBadDataFormat, "only version 1 requests are served");
  if (query.messageImprint.hashAlgorithm != tsp::kOidGost34311)
    return Rejection(tsp::kBadAlg, "the hash algorithm must be GOST 34.311-95");
  if (query.messageImprint.hashedMessage.size() != 32)
    return Rejection(tsp::kBadDataFormat, "a GOST 34.311-95 hash is 32 octets");
  if (!query.reqPolicy.empty() && query.reqPolicy != m_settings.policy)
    return Rejection(tsp::kUnacceptedPolicy, "the requested policy is not this authority's");
  if (!query.extensions.empty()) return Rejection(tsp::kUnacceptedExtension, "no request extensions are supported");

  try {
    tsp::TstInfo info;
    info.policy = m_settings.policy;
    info.messageImprint = std::move(query.messageImprint);
    info.serialNumber = tsp::IntegerOctets(m_serials.Next());
    GetSystemTime(&info.genTime);
    info.genTime.wMilliseconds = 0;
    info.nonce = std::move(query.nonce);
    const std::vector<std::uint8_t> content = tsp::Encode(info);

    std::unique_ptr<TokenSigner> signer = Acquire();
    tsp::TimeStampResp response;
    response.timeStampToken = signer->Sign(content, info.genTime, query.certReq || m_settings.alwaysIncludeCertificate);
    Release(std::move(signer));
    return tsp::Encode(response);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tsa: no token: %s\n", e.what());
  } catch (const ExceptionBase& e) {
    std::fprintf(stderr, "tsa: no token: library error %lu\n", static_cast<unsigned long>(e.GetErrorCode()));
  }
  return Rejection(tsp::kSystemFailure, "the authority cannot issue a token now");
}

}  // namespace tavrpki::servers
