// What the commands do alike around the exported classes: read an input file as
// DER, make a certificate object of one, and take a result through the library's
// caller-buffer convention.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kernel/CKernelCertificate.h"

namespace tavrpki::tool {

// The DER of a DER, PEM or Base64 file ("-": standard input). UsageError when the
// file is empty or cannot be read.
std::vector<std::uint8_t> ReadDerFile(const std::string& path);

// The certificate in such a file; the library's refusal propagates as its
// exception.
Kernel::CKernelCertificate LoadCertificate(const Kernel::CKernel& kernel, const std::string& path);

// Calls `get(buffer, &length)` twice, as the exported classes ask: first for the
// size, then for the bytes.
template <class Get>
std::vector<unsigned char> Fetch(Get&& get) {
  unsigned long length = 0;
  get(static_cast<unsigned char*>(nullptr), &length);
  std::vector<unsigned char> bytes(length);
  get(bytes.data(), &length);
  bytes.resize(length);
  return bytes;
}

}  // namespace tavrpki::tool
