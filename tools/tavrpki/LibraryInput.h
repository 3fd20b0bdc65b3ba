// What the commands do alike around the exported classes: read an input file as
// DER, make a certificate object of one, and take a result through the library's
// caller-buffer convention (servers/CallerBuffer.h).
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

using servers::Fetch;

}  // namespace tavrpki::tool
