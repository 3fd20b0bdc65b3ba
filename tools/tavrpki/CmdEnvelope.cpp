// tavrpki envelope: data for certificate holders, in the envelope file of
// EnvelopeFile.h (docs/envelope-format.md).
//
// tavrpki envelope encrypt --to CERT [--to CERT ...] IN OUT
//   Every CERT (DER, PEM or Base64) must carry a key-agreement key (root.1) and the
//   S-boxes (root.6); each of them can decrypt OUT.
// tavrpki envelope decrypt --key NAME [--cert CERT] [--storage DIR] [--password-file FILE] IN OUT
//   The record for the key NAME (with --cert: the record of CERT, whose key must be
//   NAME's); "not a recipient" and exit 1 when there is none. A file that is not an
//   envelope file or that was changed: exit 1, and OUT is not written.
// tavrpki envelope show FILE
//   Each recipient (subject and serial number) and the size of the data.
// The password of the key: --password-file, else $TAVRPKI_PASSWORD, else the terminal.
#include <cstdio>
#include <string>
#include <vector>

#include "Command.h"
#include "EnvelopeFile.h"
#include "KeyPassword.h"
#include "KeyStorageDefault.h"
#include "LibraryInput.h"
#include "Output.h"
#include "core/ExceptionBase.h"
#include "core/MessageText.h"
#include "gostcrypto/DkeNo1.h"
#include "kernel/CKernelCryptEnvelope.h"
#include "kernel/CKernelException.h"
#include "kernel/GetKernelInstance.h"
#include "text/CertificateText.h"

namespace tavrpki::tool {
namespace {

constexpr unsigned long kNoKeyForCertificate = 100061;

std::vector<unsigned char> DerOf(const Kernel::CKernelCertificate& cert) {
  return Fetch([&](unsigned char* b, unsigned long* l) { cert.GetCertBuffer(b, l); });
}

std::string KeyName(const Options& options) {
  std::size_t substituted = 0;
  const std::string utf8 = options.Required("key");
  std::string name = Cp1251FromUtf8(utf8, &substituted);
  if (substituted != 0) throw UsageError{"the key name '" + utf8 + "' has characters outside Windows-1251"};
  return name;
}

int Refuse(const std::string& what, const std::string& text) {
  std::fflush(stdout);
  std::fprintf(stderr, "tavrpki envelope %s: %s\n", what.c_str(), text.c_str());
  return 1;
}

std::pair<std::string, std::string> InAndOut(const Options& options) {
  if (options.Positional().size() != 3) throw UsageError{"give IN and OUT"};
  const std::string in = options.Positional()[1], out = options.Positional()[2];
  if (in == "-") throw UsageError{"IN must be a file: its size goes first"};
  if (SameFile(in, out)) throw UsageError{"IN and OUT are the same file"};
  return {in, out};
}

int Encrypt(const Args& args) {
  const Options options(args, {"to"}, {});
  const auto [inPath, outPath] = InAndOut(options);
  std::vector<std::string> recipients;
  for (std::size_t i = 0; i < args.size(); ++i)
    if (args[i] == "--to" && i + 1 < args.size()) recipients.push_back(args[++i]);
  if (recipients.empty()) throw UsageError{"give at least one --to CERT"};

  Kernel::CKernel kernel = Kernel::GetKernelInstance();
  const unsigned char* dke = gostcrypto::kDkeNo1.data();
  kernel.InitRandom(dke, dke, nullptr);  // for the MAC key
  Kernel::CKernelCryptEnvelope envelope(kernel);
  for (const std::string& path : recipients) envelope.AddCertificate(LoadCertificate(kernel, path));
  envelope::FileSource in(inPath);
  OutputFile out(outPath);
  envelope::Encrypt(kernel, envelope, in, [&](const unsigned char* data, std::size_t size) { out.Write(data, size); });
  out.Commit();
  return 0;
}

int Decrypt(const Args& args) {
  const Options options(args, {"key", "cert", "storage", "password-file"}, {});
  const auto [inPath, outPath] = InAndOut(options);
  const std::string keyName = KeyName(options);
  Kernel::CKernel kernel = Kernel::GetKernelInstance();
  if (const auto storage = options.Value("storage")) kernel.LoadStorage(storage->c_str());

  envelope::FileSource in(inPath);
  const envelope::Layout layout = envelope::ReadLayout(in);
  const auto records = envelope::ReadRecords(in, layout);
  Kernel::CKernelCryptEnvelope envelope(kernel);
  envelope.SetEnvelopeData(records.data(), static_cast<unsigned long>(records.size()));
  if (const auto certPath = options.Value("cert")) {
    const auto der = DerOf(LoadCertificate(kernel, *certPath));
    bool listed = false;
    for (unsigned long i = 0; i < envelope.GetCryptCertCount() && !listed; ++i)
      listed = DerOf(envelope.GetCryptCert(i)) == der;
    if (!listed) return Refuse("decrypt", "not a recipient: " + *certPath + " is not among the recipients");
  }
  Secret password;
  ObtainPassword(options, "password-file", "TAVRPKI_PASSWORD",
                 ("Password for key '" + Utf8ForDisplay(keyName) + "': ").c_str(), false, password);
  Kernel::CKernelDoubleKeyPair keys(kernel, false);
  keys.Load(keyName.c_str(), password.c_str(), nullptr);
  if (const auto certPath = options.Value("cert")) {
    // The record found must be the certificate's own.
    const Kernel::CKernelDoubleKeyPair certKeys = LoadCertificate(kernel, *certPath).GetCertKeys();
    auto cryptKey = [](const Kernel::CKernelDoubleKeyPair& k) {
      return Fetch([&](unsigned char* b, unsigned long* l) { k.GetCryptPublicKey(b, l); });
    };
    if (cryptKey(certKeys) != cryptKey(keys))
      return Refuse("decrypt", "the key '" + Utf8ForDisplay(keyName) + "' is not the key of " + *certPath);
  }
  try {
    envelope.DecryptInit(keys);
  } catch (const Kernel::CKernelException& error) {
    if (error.GetErrorCode() != kNoKeyForCertificate) throw;
    return Refuse("decrypt", "not a recipient: the key '" + Utf8ForDisplay(keyName) + "' opens no record");
  }
  OutputFile out(outPath);
  envelope::Decrypt(envelope, in, layout, [&](const unsigned char* data, std::size_t size) { out.Write(data, size); });
  out.Commit();
  return 0;
}

// The subject line of the certificate printer, without its label.
std::string Subject(const std::vector<unsigned char>& der) {
  const std::string text = CertificateText(der);
  const std::string label = "Subject: ";
  const std::size_t at = text.find(label);
  if (at == std::string::npos) return "?";
  const std::size_t start = at + label.size();
  return text.substr(start, text.find('\n', start) - start);
}

int Show(const Args& args) {
  const Options options(args, {}, {});
  if (options.Positional().size() != 2) throw UsageError{"give one FILE"};
  const Kernel::CKernel kernel = Kernel::GetKernelInstance();
  envelope::FileSource in(options.Positional()[1]);
  const envelope::Layout layout = envelope::ReadLayout(in);
  const auto records = envelope::ReadRecords(in, layout);
  Kernel::CKernelCryptEnvelope envelope(kernel);
  envelope.SetEnvelopeData(records.data(), static_cast<unsigned long>(records.size()));
  std::printf("data size  %llu bytes\n", static_cast<unsigned long long>(layout.dataSize));
  std::printf("recipients %lu\n", envelope.GetCryptCertCount());
  for (unsigned long i = 0; i < envelope.GetCryptCertCount(); ++i) {
    const Kernel::CKernelCertificate cert = envelope.GetCryptCert(i);
    const auto serial = Fetch([&](unsigned char* b, unsigned long* l) { cert.GetSerialNo(b, l); });
    std::printf("recipient %lu serial %s subject %s\n", i + 1, ToHex(serial).c_str(),
                Subject(DerOf(cert)).c_str());
  }
  return 0;
}

int Run(const Args& args) {
  const CommandFn run = FindSubcommand(args, {{"encrypt", &Encrypt}, {"decrypt", &Decrypt}, {"show", &Show}});
  const KeyStorageDefault storageDefault;
  try {
    return run(args);
  } catch (const envelope::FormatError& error) {
    return Refuse(args[0], error.text);
  }
}

const CommandRegistration kEnvelope{
    "envelope", "encrypt|decrypt|show --to CERT | --key NAME [--cert CERT] ... IN OUT",
    "data for certificate holders", &Run};

}  // namespace
}  // namespace tavrpki::tool
