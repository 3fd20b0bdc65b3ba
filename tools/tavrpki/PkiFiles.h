// Reading and writing the DER objects of the request and CA commands: inputs in
// DER, PEM or Base64; outputs in DER, or PEM with --pem; "-" is standard
// input or output.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Command.h"

namespace tavrpki::tool {

std::vector<std::uint8_t> ReadDerFile(const std::string& path);
// Writes `der` to `path` (standard output when empty), as PEM under `label`
// ("CERTIFICATE", "CERTIFICATE REQUEST", "X509 CRL") when `pem`.
void WriteDerOrPem(const std::string& path, const std::vector<std::uint8_t>& der, bool pem, const char* label);
// The arguments with "-o" spelled "--output", so Options takes it.
Args OutputOption(const Args& args);

std::string UpperHex(const std::vector<std::uint8_t>& bytes);

// A result through the caller-buffer rule of the exported classes.
template <class Get>
std::vector<std::uint8_t> Fetch(Get&& get) {
  unsigned long length = 0;
  get(nullptr, &length);
  std::vector<std::uint8_t> bytes(length);
  get(bytes.data(), &length);
  bytes.resize(length);
  return bytes;
}

}  // namespace tavrpki::tool
