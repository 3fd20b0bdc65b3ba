// Writing the DER objects of the request and CA commands: DER, or PEM with
// --pem; "-" is standard output. Inputs are read as every command reads them
// (LibraryInput.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Command.h"
#include "LibraryInput.h"

namespace tavrpki::tool {

// Writes `der` to `path` (standard output when empty), as PEM under `label`
// ("CERTIFICATE", "CERTIFICATE REQUEST", "X509 CRL") when `pem`.
void WriteDerOrPem(const std::string& path, const std::vector<std::uint8_t>& der, bool pem, const char* label);
// The arguments with "-o" spelled "--output", so Options takes it.
Args OutputOption(const Args& args);

}  // namespace tavrpki::tool
