// What the time-stamp authority tests share: a private configuration, an
// authority identity the library makes (a self-signed certificate on the 257-bit
// curve with the extended key usage a case asks for), requests, and the token
// taken apart again.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "asn1/tsp/TimeStamp.h"
#include "kernel/CKernel.h"
#include "kernel/CKernelDoubleKeyPair.h"
#include "kernel/GetKernelInstance.h"
#include "support/ConfigSandbox.h"
#include "support/TempDir.h"
#include "tools/servers/tsa/TimeStampAuthority.h"

namespace tavrpki::test {

using Bytes = std::vector<std::uint8_t>;

// The extension RFC 3161 asks of an authority: time stamping alone, critical.
Bytes TimeStampingUsage(bool critical = true, const char* otherPurpose = nullptr);

struct TsaIdentity {
  Kernel::CKernelDoubleKeyPair keys;
  Bytes certificate;
};
// `usage`: a whole extended-key-usage extension, or none when empty.
TsaIdentity MakeIdentity(const Kernel::CKernel& kernel, const Bytes& usage);

// A version 1 request for `hash` (32 bytes of 0xA5 by default).
tsp::TimeStampReq Request(Bytes nonce = {}, bool certReq = true);

// The parts of a granted response a test checks.
struct Token {
  Bytes der;
  tsp::TstInfo info;
  Bytes content;  // the TSTInfo DER as signed
  unsigned long certificates = 0;
  std::int32_t signedDataVersion = 0;
  std::string contentType;
  std::vector<std::string> signedAttributes;  // types, in order
};
Token OpenToken(std::span<const std::uint8_t> response);

class TsaSandbox : public ConfigSandbox {
 public:
  TsaSandbox() { WriteSystem("\"UseLog\"=dword:00000000\n"); }
};

class TsaTest : public ::testing::Test {
 protected:
  std::unique_ptr<servers::TimeStampAuthority> Start(servers::TsaSettings settings = {});

  TsaSandbox m_sandbox;
  Kernel::CKernel m_kernel = Kernel::GetKernelInstance();
  TsaIdentity m_identity = MakeIdentity(m_kernel, TimeStampingUsage());
  TempDir m_directory;
};

}  // namespace tavrpki::test
