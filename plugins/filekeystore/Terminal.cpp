#include "Terminal.h"

#include "gostcrypto/Wipe.h"
#include "platform/Password.h"
#include "Messages.h"

namespace tavrpki::filekeystore {

void WipeString(std::string& text) {
  SecureWipe(text.data(), text.size());
  text.clear();
}

std::string ReadPasswordFromTerminal(const std::string& prompt) {
  SecretVector typed;
  const platform::PasswordResult result = platform::ReadPasswordFromTerminal(prompt.c_str(), typed);
  if (result.status == platform::PasswordStatus::kNoTerminal) Raise(kMsgNoTerminal);
  // The one copy the caller holds and wipes (the typed buffer wipes itself).
  return std::string(typed.begin(), typed.end());
}

}  // namespace tavrpki::filekeystore
