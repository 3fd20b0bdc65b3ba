// The time-stamp authority proper (RFC 3161), without the HTTP around it: one
// request's DER in, one response's DER out. `tavrpki serve tsa`, the tests and
// `tavrpki speed tsa` all run this class.
//
// A request is granted when it is a DER TimeStampReq of version 1 whose imprint
// is a 32-octet GOST 34.311-95 hash, naming no policy but ours and carrying no
// extensions. Otherwise the answer is status rejection (2) with one failure bit:
// badAlg for another hash algorithm, badDataFormat for bytes that are no such
// request (junk, trailing bytes, another version, a hash of another length),
// unacceptedPolicy and unacceptedExtension for those; systemFailure when the
// authority itself fails (no serial can be reserved, signing fails).
//
// The token's TSTInfo: version 1, the policy, the request's imprint as sent, a
// serial from the SerialCounter, genTime from the system clock to the second (as
// real Ukrainian authorities write it), the request's nonce, no accuracy, no
// ordering, no tsa name. The certificate goes into the token when the request
// sets certReq, as RFC 3161 has it; `alwaysIncludeCertificate` adds it to every
// token, for clients such as this library's CKernelTSP::GetTSP that never set
// certReq yet need the certificate to read and verify the token.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "SerialCounter.h"
#include "TokenSigner.h"
#include "kernel/CKernel.h"
#include "kernel/CKernelDoubleKeyPair.h"

namespace tavrpki::servers {

// The time-stamp policy of Ukrainian qualified authorities, the one the real
// tokens of this system's test data carry.
inline constexpr const char* kDefaultTsaPolicy = "1.2.804.2.1.1.1.2.3.1";

struct TsaSettings {
  std::string policy = kDefaultTsaPolicy;
  std::string statePath;  // the serial state file (SerialCounter)
  bool alwaysIncludeCertificate = false;
  std::uint64_t serialBlock = 4096;
};

class TimeStampAuthority {
 public:
  // Refuses (std::runtime_error with the reason) a certificate without the one
  // critical extended key usage RFC 3161 demands (time stamping alone) and keys
  // whose signing public key is not the certificate's; then opens the serial
  // state. Library failures pass as Kernel::CKernelException.
  TimeStampAuthority(const Kernel::CKernel& kernel, std::span<const std::uint8_t> certificate,
                     const Kernel::CKernelDoubleKeyPair& keys, TsaSettings settings);
  ~TimeStampAuthority();

  // The DER TimeStampResp for the request bytes; never throws for what a client
  // sends. Safe to call from many threads at once.
  std::vector<std::uint8_t> Answer(std::span<const std::uint8_t> request);

 private:
  std::unique_ptr<TokenSigner> Acquire();
  void Release(std::unique_ptr<TokenSigner> signer);

  Kernel::CKernel m_kernel;
  std::vector<std::uint8_t> m_certificate;
  Kernel::CKernelDoubleKeyPair m_keys;
  TsaSettings m_settings;
  SerialCounter m_serials;
  std::mutex m_poolMutex;
  std::vector<std::unique_ptr<TokenSigner>> m_idle;  // signers not in use, one made per concurrent caller
};

}  // namespace tavrpki::servers
