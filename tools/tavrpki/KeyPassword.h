// Passwords of keys in the key storage, as the commands read them: from a file
// option, else an environment variable, else the terminal. Never from the
// command line. Shared by `tavrpki key` and `tavrpki cms`.
#pragma once

#include "Command.h"
#include "gostcrypto/Wipe.h"
#include "platform/Password.h"

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
// terminal (asked twice when `confirm`). UsageError when none can be had or it
// is empty.
void ObtainPassword(const Options& options, const char* fileOption, const char* variable,
                    const char* prompt, bool confirm, Secret& out);

}  // namespace tavrpki::tool
