#include "plugins/filekeystore/Terminal.h"

#include "platform/Password.h"
#include "plugins/filekeystore/Messages.h"

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
