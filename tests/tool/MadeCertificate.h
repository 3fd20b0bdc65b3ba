// The `makecert` line of the tool cases: a recipient certificate made with the
// library in the test process for a key the tool generated, since the tool
// itself makes no certificates.
#pragma once

#include <filesystem>
#include <string>

namespace tavrpki::test {

// Writes to `out` the certificate (DER) of the key `key` of the key storage
// directory `storage`, whose password is `password`: self-signed, with the
// key-agreement key (root.1), the S-boxes (root.6) and the key container name
// `key`. The system's OIDs need a root: the case's machine configuration
// `systemConfig` gets the tests' RootOID when it has none, so the tool reads the
// same OIDs.
void MakeCertificateForKey(const std::filesystem::path& systemConfig, const std::filesystem::path& storage,
                           const std::string& key, const std::string& password, const std::filesystem::path& out);

}  // namespace tavrpki::test
