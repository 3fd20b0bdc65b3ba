// tavrpki key: double key pairs in a key storage (by default the file key storage
// plugin's directory).
//   key generate --name NAME [--sign-curve OID] [--crypt-curve OID] [--description TEXT]
//   key list | show NAME | export-public NAME | delete NAME | passwd NAME
//   key sign-hash --name NAME --hash HEX
//   key verify-hash --name NAME --hash HEX --sig HEX      prints ok / bad signature (exit 1)
// Every command takes --storage DIR. Passwords never come from the command line:
// --password-file FILE, else $TAVRPKI_PASSWORD, else the terminal (for `passwd`
// the new one from --new-password-file or $TAVRPKI_NEW_PASSWORD likewise).
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "Command.h"
#include "DkeOption.h"
#include "KeyPassword.h"
#include "KeyStorageDefault.h"
#include "LibraryInput.h"
#include "core/ExceptionBase.h"
#include "core/MessageText.h"
#include "crypto/params/NamedCurves.h"
#include "crypto/params/ParamsText.h"
#include "kernel/CKernel.h"
#include "kernel/CKernelAllParams.h"
#include "kernel/CKernelDoubleKeyPair.h"
#include "platform/Password.h"

namespace tavrpki::tool {
namespace {

constexpr const char* kDefaultCurve = "1.2.804.2.1.1.1.1.3.1.1.2.6";  // 257-bit polynomial basis

Kernel::CKernelAllParams Params(const Kernel::CKernel& kernel, const std::string& signCurve,
                                const std::string& cryptCurve) {
  for (const auto& oid : {signCurve, cryptCurve})
    if (params::FindNamedCurve(oid) == nullptr)
      throw UsageError{"no named curve " + oid + " (see 'tavrpki params show list')"};
  SBox dke = DkeNo1();
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

  // The key name in the storage's code page. A name is also a file name, so a
  // character Windows-1251 lacks is refused rather than replaced: two names
  // differing only there would open the same key.
  std::string Name() const {
    std::string utf8;
    if (const auto name = options.Value("name"))
      utf8 = *name;
    else if (options.Positional().size() == 2)
      utf8 = options.Positional()[1];
    else
      throw UsageError{"give the key name"};
    std::size_t substituted = 0;
    std::string name = Cp1251FromUtf8(utf8, &substituted);
    if (substituted != 0)
      throw UsageError{"the key name '" + utf8 + "' has characters outside Windows-1251, the code page of key names"};
    return name;
  }

  Kernel::CKernelDoubleKeyPair Load(const std::string& name) {
    Secret password;
    ObtainPassword(options, "password-file", "TAVRPKI_PASSWORD",
                   ("Password for key '" + Utf8ForDisplay(name) + "': ").c_str(), false, password);
    Kernel::CKernelDoubleKeyPair keys(kernel, false);
    keys.Load(name.c_str(), password.c_str(), nullptr);
    return keys;
  }

  std::string Description(const std::string& name) {
    unsigned long length = 0;
    kernel.GetKeyDescription(name.c_str(), nullptr, &length);
    std::string text(length, '\0');
    kernel.GetKeyDescription(name.c_str(), text.data(), &length);
    text.resize(std::min<std::size_t>(length, text.size()));
    while (!text.empty() && text.back() == '\0') text.pop_back();
    return text;
  }
};

// What `show` and `export-public` print about one key pair; kept in the key's
// description too, so that they need no password.
struct PublicPart {
  std::string curve;  // the named curve's OID, or "explicit:<m>"
  std::string key;    // compressed public key, hex
};

// The line the tool appends to the description it saves (the description is
// stored in the clear, under the container's checksum and MAC).
constexpr std::string_view kPublicMarker = "\n[tavrpki public] ";

std::string CurveLabel(const Kernel::CKernelAsymmetricParams& p) {
  unsigned long length = 0;
  p.GetAsymmetric_CurveOID(nullptr, &length);
  std::string oid(length, '\0');
  if (length != 0) p.GetAsymmetric_CurveOID(oid.data(), &length);
  while (!oid.empty() && oid.back() == '\0') oid.pop_back();
  if (!oid.empty() && params::FindNamedCurve(oid) != nullptr) return oid;
  for (const params::NamedCurve& curve : params::NamedCurves()) {
    if (curve.m == p.GetAsymmetric_CurrentLength() && curve.k == p.GetAsymmetric_k() &&
        curve.j == p.GetAsymmetric_j() && curve.l == p.GetAsymmetric_l() && curve.a == p.GetAsymmetric_Curve_A())
      return std::string(curve.oid);
  }
  return "explicit:" + std::to_string(p.GetAsymmetric_CurrentLength());
}

std::string CurveName(const std::string& label) {
  if (const params::NamedCurve* curve = params::FindNamedCurve(label))
    return std::string(curve->name) + " (" + std::string(curve->oid) + ")";
  return "explicit, m = " + label.substr(label.find(':') + 1);
}

PublicPart Public(const Kernel::CKernelDoubleKeyPair& keys, bool sign) {
  const Kernel::CKernelAsymmetricParams p = sign ? keys.GetSignParams() : keys.GetCryptParams();
  const auto key = Fetch([&](unsigned char* b, unsigned long* n) {
    sign ? keys.GetSignPublicKey(b, n) : keys.GetCryptPublicKey(b, n);
  });
  const auto buffer = Fetch([&](unsigned char* b, unsigned long* n) { p.GetParamsBuffer(b, n); });
  return {CurveLabel(p), ToHex(params::CompressedPublicKey(key, buffer))};
}

std::string PublicLine(const PublicPart& sign, const PublicPart& crypt) {
  return "sign-curve=" + sign.curve + " sign=" + sign.key + " crypt-curve=" + crypt.curve + " crypt=" + crypt.key;
}

// The user's part of a saved description and, when the tool saved it, the public part.
struct SavedDescription {
  std::string text;
  bool hasPublic = false;
  PublicPart sign, crypt;
};

SavedDescription ParseDescription(const std::string& stored) {
  SavedDescription out;
  const std::size_t marker = stored.rfind(kPublicMarker);
  if (marker == std::string::npos) {
    out.text = stored;
    return out;
  }
  std::map<std::string, std::string> fields;
  std::size_t at = marker + kPublicMarker.size();
  while (at < stored.size()) {
    std::size_t end = stored.find(' ', at);
    if (end == std::string::npos) end = stored.size();
    const std::string field = stored.substr(at, end - at);
    const std::size_t eq = field.find('=');
    if (eq != std::string::npos) fields[field.substr(0, eq)] = field.substr(eq + 1);
    at = end + 1;
  }
  for (const char* name : {"sign-curve", "sign", "crypt-curve", "crypt"})
    if (fields[name].empty()) {
      out.text = stored;  // not ours after all
      return out;
    }
  out.text = stored.substr(0, marker);
  out.hasPublic = true;
  out.sign = {fields["sign-curve"], fields["sign"]};
  out.crypt = {fields["crypt-curve"], fields["crypt"]};
  return out;
}

// The public part from the description, else (keys saved by older tools) from
// the keys, which asks for the password.
SavedDescription PublicOf(Session& s, const std::string& name) {
  SavedDescription saved = ParseDescription(s.Description(name));
  if (!saved.hasPublic) {
    const auto keys = s.Load(name);
    saved.sign = Public(keys, true);
    saved.crypt = Public(keys, false);
    saved.hasPublic = true;
  }
  return saved;
}

int Generate(const Args& args) {
  Session s(args, {"storage", "name", "sign-curve", "crypt-curve", "description", "password-file"});
  const std::string name = s.Name();
  const auto params = Params(s.kernel, s.options.Value("sign-curve").value_or(kDefaultCurve),
                             s.options.Value("crypt-curve").value_or(kDefaultCurve));
  if (s.kernel.IsKeyExists(name.c_str()))
    throw UsageError{"a key named '" + Utf8ForDisplay(name) + "' exists already; delete it first"};
  Secret password;
  ObtainPassword(s.options, "password-file", "TAVRPKI_PASSWORD",
                 ("New password for key '" + Utf8ForDisplay(name) + "': ").c_str(), true, password);
  const Kernel::CKernelDoubleKeyPair keys = s.kernel.Generate4145DoubleKeyPair(params, false);
  const PublicPart sign = Public(keys, true), crypt = Public(keys, false);
  const std::string description =
      Cp1251FromUtf8(s.options.Value("description").value_or("")) + std::string(kPublicMarker) +
      PublicLine(sign, crypt);
  keys.Save(name.c_str(), password.c_str(), description.c_str(), nullptr);
  std::printf("sign=%s crypt=%s\n", sign.key.c_str(), crypt.key.c_str());
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
  const SavedDescription saved = PublicOf(s, name);
  std::printf("name         %s\n", Utf8ForDisplay(name).c_str());
  std::printf("description  %s\n", Utf8ForDisplay(saved.text).c_str());
  std::printf("sign curve   %s\n", CurveName(saved.sign.curve).c_str());
  std::printf("sign key     %s\n", saved.sign.key.c_str());
  std::printf("crypt curve  %s\n", CurveName(saved.crypt.curve).c_str());
  std::printf("crypt key    %s\n", saved.crypt.key.c_str());
  return 0;
}

int ExportPublic(const Args& args) {
  Session s(args, {"storage", "name", "password-file"});
  const SavedDescription saved = PublicOf(s, s.Name());
  std::printf("sign=%s crypt=%s\n", saved.sign.key.c_str(), saved.crypt.key.c_str());
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
                 ("New password for key '" + Utf8ForDisplay(name) + "': ").c_str(), true, newPassword);
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
  SBox dke = DkeNo1();
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
  const CommandFn run = FindSubcommand(args, {{"generate", &Generate}, {"list", &List}, {"show", &Show},
                                              {"export-public", &ExportPublic}, {"delete", &Delete},
                                              {"passwd", &Passwd}, {"sign-hash", &SignHash},
                                              {"verify-hash", &VerifyHash}});
  const KeyStorageDefault storageDefault;
  try {
    return run(args);
  } catch (const ExceptionBase& error) {
    // Uncoded failures here come from reading the keys out of an opened
    // container: the codec's words alone would not say that.
    const char* cause = error.GetErrorCode() == 0xFFFFFFFFul ? "the key container holds no usable key pair"
                                                             : Cause(error.GetErrorCode());
    std::fprintf(stderr, "tavrpki key %s: %s%s%s%s\n", args[0].c_str(), cause ? cause : "", cause ? ": " : "",
                 MessageAsUtf8(error).c_str(), CodeSuffix(error.GetErrorCode()).c_str());
    return 2;
  }
}

const CommandRegistration kKey{
    "key",
    "generate|list|show|export-public|delete|passwd|sign-hash|verify-hash [--storage DIR] ...",
    "double key pairs in a key storage", &Run};

}  // namespace
}  // namespace tavrpki::tool
