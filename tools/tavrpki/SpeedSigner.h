// The signer the speed commands sign with: a key pair made in memory on the
// 257-bit curve with DKE No. 1, and a self-signed certificate for it from a
// small built-in template (CN = tavrpki speed, valid 2026-2036), so that no
// key storage or file is needed.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "kernel/CKernel.h"
#include "kernel/CKernelCertificate.h"
#include "kernel/CKernelDoubleKeyPair.h"
#include "kernel/GetKernelInstance.h"

namespace tavrpki::tool {

struct SpeedSigner {
  // `extension`: the DER of one Extension to add to the certificate, or empty.
  explicit SpeedSigner(std::span<const unsigned char> extension = {});

  // The certificate's DER.
  std::vector<std::uint8_t> CertificateDer() const;

  Kernel::CKernel kernel = Kernel::GetKernelInstance();
  Kernel::CKernelDoubleKeyPair keys{kernel, false};
  Kernel::CKernelCertificate cert{kernel};
};

}  // namespace tavrpki::tool
