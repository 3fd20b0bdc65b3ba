#include "KeyPassword.h"

#include <cstdlib>
#include <string_view>

#include "core/MessageText.h"
#include "platform/Password.h"

namespace tavrpki::tool {
namespace {

std::string PasswordProblem(const platform::PasswordResult& result, const std::string& source) {
  switch (result.status) {
    case platform::PasswordStatus::kOk: return {};
    case platform::PasswordStatus::kNoTerminal: return "no terminal";
    case platform::PasswordStatus::kReadError: return "cannot read " + source + ": " + SystemReason(result.error);
    case platform::PasswordStatus::kTooLong:
      return source + ": the password is longer than " + std::to_string(platform::kMaxPasswordLength) + " bytes";
  }
  return {};
}

}  // namespace

void ObtainPassword(const Options& options, const char* fileOption, const char* variable,
                    const char* prompt, bool confirm, Secret& out) {
  if (const auto file = options.Value(fileOption)) {
    const auto result = platform::ReadPasswordFromFile(file->c_str(), out.Bytes());
    if (result.status != platform::PasswordStatus::kOk)
      throw UsageError{PasswordProblem(result, "the password file " + *file)};
  } else if (const char* value = std::getenv(variable)) {
    const std::string_view text(value);
    if (text.size() > platform::kMaxPasswordLength)
      throw UsageError{std::string(variable) + ": the password is longer than " +
                       std::to_string(platform::kMaxPasswordLength) + " bytes"};
    out.Bytes().assign(text.begin(), text.end());
  } else {
    const auto result = platform::ReadPasswordFromTerminal(prompt, out.Bytes());
    if (result.status == platform::PasswordStatus::kNoTerminal)
      throw UsageError{std::string("no terminal to ask for the password: use --") + fileOption +
                       " FILE or set " + variable};
    if (result.status != platform::PasswordStatus::kOk) throw UsageError{PasswordProblem(result, "the terminal")};
    if (confirm) {
      Secret again;
      platform::ReadPasswordFromTerminal("Repeat the password: ", again.Bytes());
      if (!(again == out)) throw UsageError{"the two passwords differ"};
    }
  }
  if (out.Empty()) throw UsageError{"the password is empty"};
}

Kernel::CKernelDoubleKeyPair LoadKeyPair(const Kernel::CKernel& kernel, const Options& options,
                                         const std::string& utf8Name) {
  std::size_t substituted = 0;
  const std::string name = Cp1251FromUtf8(utf8Name, &substituted);
  if (substituted != 0)
    throw UsageError{"the key name '" + utf8Name + "' has characters outside Windows-1251, the code page of key names"};
  Secret password;
  ObtainPassword(options, "password-file", "TAVRPKI_PASSWORD", ("Password for key '" + utf8Name + "': ").c_str(),
                 false, password);
  Kernel::CKernelDoubleKeyPair keys(kernel, false);
  keys.Load(name.c_str(), password.c_str(), nullptr);
  return keys;
}

}  // namespace tavrpki::tool
