// What the commands do alike around the exported classes: read an input file as
// DER, make a certificate object of one, answer a signature check, and take a
// result through the library's caller-buffer convention (servers/CallerBuffer.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kernel/CKernelCertificate.h"
#include "servers/CallerBuffer.h"

namespace tavrpki::tool {

// The DER of a DER, PEM or Base64 file ("-": standard input). UsageError when the
// file is empty or cannot be read.
std::vector<std::uint8_t> ReadDerFile(const std::string& path);

// The certificate in such a file; the library's refusal propagates as its
// exception.
Kernel::CKernelCertificate LoadCertificate(const Kernel::CKernel& kernel, const std::string& path);

// The FILE and --issuer CERT of a `verify FILE --issuer CERT` command. UsageError
// unless there is one FILE, or when both would be standard input.
struct SignedAndIssuer {
  std::string file;
  std::string issuer;
};
SignedAndIssuer ReadSignedAndIssuer(const std::vector<std::string>& args);

// Prints "ok" and returns exit status 0 when verified, else "bad signature" and 1.
int SignatureVerdict(bool verified);

using servers::Fetch;

}  // namespace tavrpki::tool
