// Time-stamp tokens: a TSTInfo signed as a CMS message with DSTU 4145, in the
// shape real Ukrainian authorities issue. SignedData version 3 with content type
// id-ct-TSTInfo; one signer named by issuer and serial number, digest GOST
// 34.311-95, signed attributes content-type (id-ct-TSTInfo), signing-time,
// message-digest and signing-certificate-v2 (ESSCertIDv2 with the hash
// algorithm written out and the issuer as GeneralNames), signed as SET OF so
// that RFC 5652 verifiers check the same bytes; the certificate when asked for.
//
// One signer per thread: the object keeps a kernel of its own (so its random
// generator and lock are its own) and copies of the certificate and the keys.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "kernel/CKernel.h"
#include "kernel/CKernelCertificate.h"
#include "kernel/CKernelDoubleKeyPair.h"
#include "kernel/CKernelSignerInfo.h"
#include "platform/Time.h"

namespace tavrpki::servers {

class TokenSigner {
 public:
  // `certificate`: the DER of the authority's certificate; `keys` its key pair.
  // Library failures are Kernel::CKernelException.
  TokenSigner(const Kernel::CKernel& kernel, std::span<const std::uint8_t> certificate,
              const Kernel::CKernelDoubleKeyPair& keys);

  // The token (a DER ContentInfo) around the DER `tstInfo`; `time` is the
  // signing-time attribute, the token's genTime to the second.
  std::vector<std::uint8_t> Sign(std::span<const std::uint8_t> tstInfo, const SYSTEMTIME& time,
                                 bool includeCertificate);

 private:
  Kernel::CKernel m_kernel;
  std::vector<std::uint8_t> m_certificateDer;
  Kernel::CKernelCertificate m_certificate;
  Kernel::CKernelDoubleKeyPair m_keys;
  Kernel::CKernelSignerInfo m_template;  // everything of a signer info but digest, time and signature
  std::vector<unsigned char> m_sbox;     // the hash S-box of the certificate's key (128 bytes)
};

}  // namespace tavrpki::servers
