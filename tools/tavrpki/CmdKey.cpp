// tavrpki key: double key pairs in a key storage (by default the file key storage
// plugin's directory).
//   key generate --name NAME [--sign-curve OID] [--crypt-curve OID] [--description TEXT]
//   key list | show NAME | export-public NAME | delete NAME | passwd NAME
//   key sign-hash --name NAME --hash HEX
//   key verify-hash --name NAME --hash HEX --sig HEX      prints ok / bad signature (exit 1)
// Every command takes --storage DIR. Passwords never come from the command line:
// --password-file FILE, else $TAVRPKI_PASSWORD, else the terminal (for `passwd`
// the new one from --new-password-file or $TAVRPKI_NEW_PASSWORD likewise).
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "core/ExceptionBase.h"
#include "core/MessageText.h"
#include "gostcrypto/Wipe.h"
#include "crypto/dstu/Dstu4145Ops.h"
#include "crypto/objects/CKeyPair.h"
#include "crypto/params/Dke.h"
#include "crypto/params/NamedCurves.h"
#include "kernel/CKernel.h"
#include "kernel/CKernelAllParams.h"
#include "kernel/CKernelDoubleKeyPair.h"
#include "tools/tavrpki/Command.h"

namespace tavrpki::tool {
namespace {

constexpr const char* kDefaultCurve = "1.2.804.2.1.1.1.1.3.1.1.2.6";  // 257-bit polynomial basis

// A password, wiped when it goes.
class Secret {
 public:
  Secret() { m_text.reserve(256); }
  ~Secret() { SecureWipe(m_text.data(), m_text.size()); }
  Secret(const Secret&) = delete;
  Secret& operator=(const Secret&) = delete;
  std::string& Text() { return m_text; }
  const char* c_str() const { return m_text.c_str(); }

 private:
  std::string m_text;
};

// Reads one line from the terminal with echo off; false when there is no terminal.
bool ReadFromTerminal(const char* prompt, Secret& out) {
  const int fd = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return false;
  termios saved{};
  const bool haveSaved = ::tcgetattr(fd, &saved) == 0;
  if (haveSaved) {
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    quiet.c_lflag |= ECHONL;
    ::tcsetattr(fd, TCSAFLUSH, &quiet);
  }
  if (::write(fd, prompt, std::char_traits<char>::length(prompt)) < 0) {
    // the prompt is a courtesy; reading goes on
  }
  char c = 0;
  while (::read(fd, &c, 1) == 1 && c != '\n')
    if (c != '\r') out.Text() += c;
  c = 0;
  if (haveSaved) ::tcsetattr(fd, TCSAFLUSH, &saved);
  ::close(fd);
  return true;
}

// The first line of the file, read straight into `out`: a stream's buffer would
// leave a copy of the password in freed memory.
bool ReadFromFile(const std::string& path, Secret& out) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw UsageError{"cannot read the password file " + path};
  char c = 0;
  for (;;) {
    const ssize_t n = ::read(fd, &c, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0 || c == '\n') break;
    out.Text() += c;
  }
  SecureWipeObject(c);
  ::close(fd);
  if (!out.Text().empty() && out.Text().back() == '\r') out.Text().pop_back();
  return true;
}

// The password from the file option, else the environment variable, else the
// terminal (asked twice when `confirm`).
void ObtainPassword(const Options& options, const char* fileOption, const char* variable,
                    const char* prompt, bool confirm, Secret& out) {
  if (const auto file = options.Value(fileOption)) {
    ReadFromFile(*file, out);
  } else if (const char* value = std::getenv(variable)) {
    out.Text() = value;
  } else {
    if (!ReadFromTerminal(prompt, out))
      throw UsageError{std::string("no terminal to ask for the password: use --") + fileOption +
                       " FILE or set " + variable};
    if (confirm) {
      Secret again;
      ReadFromTerminal("Repeat the password: ", again);
      if (again.Text() != out.Text()) throw UsageError{"the two passwords differ"};
    }
  }
  if (out.Text().empty()) throw UsageError{"the password is empty"};
}

Kernel::CKernelAllParams Params(const Kernel::CKernel& kernel, const std::string& signCurve,
                                const std::string& cryptCurve) {
  for (const auto& oid : {signCurve, cryptCurve})
    if (params::FindNamedCurve(oid) == nullptr)
      throw UsageError{"no named curve " + oid + " (see 'tavrpki params show list')"};
  params::Dke dke = params::kDke1;
  Kernel::CKernelAllParams all(kernel);
  all.SetRandomSBox(dke.data());
  all.SetCryptSBox(dke.data());
  all.SetSignParams(kernel.GenerateAsymmetric4145Params(signCurve.c_str(), dke.data()));
  all.SetCryptParams(kernel.GenerateAsymmetric4145Params(cryptCurve.c_str(), dke.data()));
  return all;
}

struct Session {
  Options options;
  Kernel::CKernel kernel;

  Session(const Args& args, const std::vector<std::string>& valueOptions)
      : options(args, valueOptions, {}) {
    if (const auto storage = options.Value("storage")) kernel.LoadStorage(storage->c_str());
  }

  std::string Name() const {
    if (const auto name = options.Value("name")) return *name;
    if (options.Positional().size() == 2) return options.Positional()[1];
    throw UsageError{"give the key name"};
  }

  Kernel::CKernelDoubleKeyPair Load(const std::string& name) {
    Secret password;
    ObtainPassword(options, "password-file", "TAVRPKI_PASSWORD",
                   ("Password for key '" + name + "': ").c_str(), false, password);
    Kernel::CKernelDoubleKeyPair keys(kernel, false);
    keys.Load(name.c_str(), password.c_str(), nullptr);
    return keys;
  }
};

const CDoubleKeyPair& Pairs(const Kernel::CKernelDoubleKeyPair& keys) {
  return *static_cast<const CDoubleKeyPair*>(keys.GetHandle());
}

std::string CurveName(const CAsymmetric4145Params& params) {
  for (const params::NamedCurve& curve : params::NamedCurves()) {
    if (curve.m == params.m && curve.k == params.k && curve.j == params.j && curve.l == params.l &&
        curve.a == params.a)
      return std::string(curve.name) + " (" + std::string(curve.oid) + ")";
  }
  return "explicit, m = " + std::to_string(params.m);
}

std::string CompressedHex(const CKeyPair& pair) {
  const Blob compressed = dstu::CompressPublicKey(pair);
  return ToHex(compressed.Data(), compressed.Size());
}

int Generate(const Args& args) {
  Session s(args, {"storage", "name", "sign-curve", "crypt-curve", "description", "password-file"});
  const std::string name = s.Name();
  const auto params = Params(s.kernel, s.options.Value("sign-curve").value_or(kDefaultCurve),
                             s.options.Value("crypt-curve").value_or(kDefaultCurve));
  if (s.kernel.IsKeyExists(name.c_str()))
    throw UsageError{"a key named '" + name + "' exists already; delete it first"};
  Secret password;
  ObtainPassword(s.options, "password-file", "TAVRPKI_PASSWORD",
                 ("New password for key '" + name + "': ").c_str(), true, password);
  const Kernel::CKernelDoubleKeyPair keys = s.kernel.Generate4145DoubleKeyPair(params, false);
  const std::string description = s.options.Value("description").value_or("");
  keys.Save(name.c_str(), password.c_str(), description.c_str(), nullptr);
  std::printf("sign=%s crypt=%s\n", CompressedHex(Pairs(keys).GetSignPair()).c_str(),
              CompressedHex(Pairs(keys).GetCryptPair()).c_str());
  return 0;
}

int List(const Args& args) {
  Session s(args, {"storage"});
  std::vector<std::string> names;
  s.kernel.EnumerateKeys(&names, [](void* context, const char* name) {
    static_cast<std::vector<std::string>*>(context)->push_back(name);
    return 1;
  });
  for (const auto& name : names) std::printf("%s\n", Utf8ForDisplay(name).c_str());
  return 0;
}

int Show(const Args& args) {
  Session s(args, {"storage", "name", "password-file"});
  const std::string name = s.Name();
  unsigned long length = 0;
  s.kernel.GetKeyDescription(name.c_str(), nullptr, &length);
  std::string description(length, '\0');
  s.kernel.GetKeyDescription(name.c_str(), description.data(), &length);
  const auto keys = s.Load(name);
  const CDoubleKeyPair& pairs = Pairs(keys);
  std::printf("name         %s\n", Utf8ForDisplay(name).c_str());
  std::printf("description  %s\n", Utf8ForDisplay(description.c_str()).c_str());
  std::printf("sign curve   %s\n", CurveName(pairs.GetSignPair().GetParams()).c_str());
  std::printf("sign key     %s\n", CompressedHex(pairs.GetSignPair()).c_str());
  std::printf("crypt curve  %s\n", CurveName(pairs.GetCryptPair().GetParams()).c_str());
  std::printf("crypt key    %s\n", CompressedHex(pairs.GetCryptPair()).c_str());
  return 0;
}

int ExportPublic(const Args& args) {
  Session s(args, {"storage", "name", "password-file"});
  const auto keys = s.Load(s.Name());
  std::printf("sign=%s crypt=%s\n", CompressedHex(Pairs(keys).GetSignPair()).c_str(),
              CompressedHex(Pairs(keys).GetCryptPair()).c_str());
  return 0;
}

int Delete(const Args& args) {
  Session s(args, {"storage", "name"});
  s.kernel.DeleteKey(s.Name().c_str());
  return 0;
}

int Passwd(const Args& args) {
  Session s(args, {"storage", "name", "password-file", "new-password-file"});
  const std::string name = s.Name();
  const bool scripted = s.options.Value("password-file") || std::getenv("TAVRPKI_PASSWORD");
  if (!scripted) {
    // The storage asks on the terminal itself (current, new, repeated).
    s.kernel.ChangeKeyPassword(nullptr, name.c_str());
    return 0;
  }
  Secret oldPassword;
  Secret newPassword;
  ObtainPassword(s.options, "password-file", "TAVRPKI_PASSWORD", "", false, oldPassword);
  ObtainPassword(s.options, "new-password-file", "TAVRPKI_NEW_PASSWORD",
                 ("New password for key '" + name + "': ").c_str(), true, newPassword);
  s.kernel.ChangeKeyPassword(nullptr, name.c_str(), oldPassword.c_str(), newPassword.c_str());
  return 0;
}

std::vector<std::uint8_t> Hash(const Options& options) {
  auto hash = ParseHex(options.Required("hash"), "--hash");
  if (hash.size() != 32) throw UsageError{"--hash: a GOST 34.311 hash is 32 bytes (64 hex digits)"};
  return hash;
}

int SignHash(const Args& args) {
  Session s(args, {"storage", "name", "hash", "password-file"});
  const auto hash = Hash(s.options);
  const auto keys = s.Load(s.Name());
  // The key's own parameter sets; the S-boxes seed the generator before signing.
  params::Dke dke = params::kDke1;
  Kernel::CKernelAllParams params(s.kernel);
  params.SetRandomSBox(dke.data());
  params.SetCryptSBox(dke.data());
  params.SetSignParams(keys.GetSignParams());
  params.SetCryptParams(keys.GetCryptParams());
  unsigned long length = 0;
  s.kernel.EnsignHash(hash.data(), nullptr, &length, keys, params);
  std::vector<std::uint8_t> signature(length);
  s.kernel.EnsignHash(hash.data(), signature.data(), &length, keys, params);
  signature.resize(length);
  std::printf("%s\n", ToHex(signature).c_str());
  return 0;
}

int VerifyHash(const Args& args) {
  Session s(args, {"storage", "name", "hash", "sig", "password-file"});
  const auto hash = Hash(s.options);
  const auto signature = ParseHex(s.options.Required("sig"), "--sig");
  if (signature.empty()) throw UsageError{"--sig is empty"};
  const auto keys = s.Load(s.Name());
  const bool valid = s.kernel.VerifyHashSignature(hash.data(), signature.data(),
                                                  static_cast<unsigned long>(signature.size()), keys);
  std::printf("%s\n", valid ? "ok" : "bad signature");
  return valid ? 0 : 1;
}

// What each key storage code means, in a few words, before the library's message.
const char* Cause(unsigned long code) {
  static const std::map<unsigned long, const char*> kCauses = {
      {30002, "key storage library not loaded (set \"KeyStorageManager\" in the configuration "
              "to the path of libtavrpki-filekeystore.so)"},
      {30003, "key storage library cannot be loaded"},
      {30010, "no such storage"},
      {30011, "storage not writable"},
      {30012, "no such key"},
      {30013, "wrong password"},
      {30014, "damaged key container"},
      {30015, "not a key container"},
      {30016, "key container of an unknown version"},
      {30017, "unusable key name"},
      {30018, "writing the key failed"},
      {30019, "reading the key failed"},
      {30020, "no terminal"},
      {30021, "passwords differ"},
  };
  const auto it = kCauses.find(code);
  return it == kCauses.end() ? nullptr : it->second;
}

int Run(const Args& args) {
  static const std::map<std::string, CommandFn> kSubcommands = {
      {"generate", &Generate}, {"list", &List},         {"show", &Show},
      {"export-public", &ExportPublic}, {"delete", &Delete}, {"passwd", &Passwd},
      {"sign-hash", &SignHash}, {"verify-hash", &VerifyHash}};
  if (args.empty()) throw UsageError{"say what to do"};
  const auto it = kSubcommands.find(args[0]);
  if (it == kSubcommands.end()) throw UsageError{"unknown subcommand '" + args[0] + "'"};
  try {
    return it->second(args);
  } catch (const ExceptionBase& error) {
    const char* cause = Cause(error.GetErrorCode());
    std::fprintf(stderr, "tavrpki key %s: %s%s%s (code %lu)\n", args[0].c_str(), cause ? cause : "",
                 cause ? ": " : "", MessageAsUtf8(error).c_str(), error.GetErrorCode());
    return 2;
  }
}

const CommandRegistration kKey{
    "key",
    "generate|list|show|export-public|delete|passwd|sign-hash|verify-hash [--storage DIR] ...",
    "double key pairs in a key storage", &Run};

}  // namespace
}  // namespace tavrpki::tool
