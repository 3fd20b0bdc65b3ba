// Passwords of keys in the key storage, as every command that opens a key reads
// them: --password-file FILE (the option named by the caller), else the
// environment variable, else the terminal. Never from the command line.
#pragma once

#include <string>

#include "Command.h"
#include "gostcrypto/Wipe.h"
#include "kernel/CKernel.h"
#include "kernel/CKernelDoubleKeyPair.h"

namespace tavrpki::tool {

// A password as the C string the exported classes take, wiped when it goes.
class Secret {
 public:
  SecretVector& Bytes() { return m_bytes; }
  const char* c_str() {
    m_text.assign(m_bytes.begin(), m_bytes.end());
    m_text.push_back(0);
    return reinterpret_cast<const char*>(m_text.data());
  }
  bool Empty() const { return m_bytes.empty(); }
  bool operator==(const Secret& other) const { return m_bytes == other.m_bytes; }

 private:
  SecretVector m_bytes;
  SecretVector m_text;
};

// The password from the file option, else the environment variable, else the
// terminal (asked twice when `confirm`). Problems are UsageErrors.
void ObtainPassword(const Options& options, const char* fileOption, const char* variable,
                    const char* prompt, bool confirm, Secret& out);

// The key pair `utf8Name` of the kernel's key storage, its password read as above
// with --password-file and $TAVRPKI_PASSWORD. A name with characters outside
// Windows-1251 (the code page of key names) is a UsageError.
Kernel::CKernelDoubleKeyPair LoadKeyPair(const Kernel::CKernel& kernel, const Options& options,
                                         const std::string& utf8Name);

}  // namespace tavrpki::tool
