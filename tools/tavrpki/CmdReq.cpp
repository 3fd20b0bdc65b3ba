// tavrpki req new --key NAME --subject TEXT [--key-usage LIST] [--eku OID,...]
//                 [--crypt-key] [--storage DIR] [--password-file FILE] [--pem] [-o FILE]
//   A request signed with the key NAME of the key storage. The subject is text
//   such as 'CN=Іван Петренко,O=ТОВ "Приклад",C=UA' (RFC 4514 escaping). Key
//   usage names as RFC 5280 spells them (digitalSignature, nonRepudiation,
//   keyEncipherment, dataEncipherment, keyAgreement, keyCertSign, cRLSign),
//   comma-separated; --crypt-key adds the key-agreement public key. DER unless
//   --pem; standard output unless -o.
// tavrpki req show FILE      subject, algorithms, key and attributes
// tavrpki req verify FILE    "ok" (exit 0) / "bad signature" (exit 1)
// Inputs may be DER, PEM or Base64.
#include <cstdio>
#include <string>
#include <vector>

#include "Command.h"
#include "DkeOption.h"
#include "KeyPassword.h"
#include "KeyStorageDefault.h"
#include "LibraryInput.h"
#include "PkiFiles.h"
#include "ReqAttributes.h"
#include "asn1/NameFromText.h"
#include "core/ExceptionBase.h"
#include "core/MessageText.h"
#include "asn1/NameText.h"
#include "asn1/pkcs10/RequestTemplate.h"
#include "kernel/CKernelCertRequest.h"
#include "kernel/GetKernelInstance.h"

namespace tavrpki::tool {
namespace {

void AddAttribute(Kernel::CKernelCertRequest& request, const std::vector<std::uint8_t>& der) {
  request.AddAttribute(der.data(), static_cast<unsigned long>(der.size()));
}

int New(const Args& args) {
  const Options options(OutputOption(args), {"key", "subject", "key-usage", "eku", "storage", "password-file", "output"},
                        {"crypt-key", "pem"});
  if (!options.Positional().empty()) throw UsageError{"unexpected argument '" + options.Positional()[0] + "'"};
  const std::string keyName = options.Required("key");
  const std::string subject = options.Required("subject");
  const auto keyUsage = options.Value("key-usage");
  const auto eku = options.Value("eku");
  // Everything the command line says is checked before the key is opened.
  const std::vector<std::uint8_t> usageAttribute = keyUsage ? KeyUsageAttribute(ParseKeyUsage(*keyUsage))
                                                            : std::vector<std::uint8_t>();
  const std::vector<std::uint8_t> ekuAttribute = eku ? ExtendedKeyUsageAttribute(*eku) : std::vector<std::uint8_t>();
  const std::vector<std::uint8_t> name = NameDerFromText(subject);

  const KeyStorageDefault storageDefault;  // before the kernel, which loads the key storage
  Kernel::CKernel kernel = Kernel::GetKernelInstance();
  if (const auto storage = options.Value("storage")) kernel.LoadStorage(storage->c_str());
  const Kernel::CKernelDoubleKeyPair keys = LoadKeyPair(kernel, options, keyName);

  Kernel::CKernelCertRequest request(kernel);
  const std::vector<std::uint8_t> start = UnsignedRequestDer(name);
  request.InitFromBuffer(start.data(), static_cast<unsigned long>(start.size()));
  if (!usageAttribute.empty()) AddAttribute(request, usageAttribute);
  if (!ekuAttribute.empty()) AddAttribute(request, ekuAttribute);
  if (options.Flag("crypt-key")) {
    try {
      request.AddCryptPublicKeyAttribute(keys);
    } catch (const ExceptionBase& e) {
      // Its type is one of the library's own OIDs, formed from the configured root.
      throw UsageError{"--crypt-key: " + MessageAsUtf8(e) +
                       " (the key-agreement key attribute needs the configuration value RootOID)"};
    }
  }
  SBox dke = DkeNo1();
  request.Ensign(keys, dke.data());
  const auto der = Fetch([&](unsigned char* b, unsigned long* l) { request.GetRequestBuffer(b, l); });
  WriteDerOrPem(options.Value("output").value_or(""), der, options.Flag("pem"), "CERTIFICATE REQUEST");
  return 0;
}

std::string OneFile(const Args& args) {
  const Options options(args, {}, {});
  if (options.Positional().size() != 1) throw UsageError{"give one FILE (or - for standard input)"};
  return options.Positional()[0];
}

int Show(const Args& args) {
  const auto der = ReadDerFile(OneFile(args));
  const RequestOutline outline = OutlineRequest(der);
  std::printf("subject: %s\n", NameTextUtf8(outline.subject).c_str());
  std::printf("signature algorithm: %s\n", outline.signatureAlgorithm.c_str());
  std::printf("key algorithm: %s\n", outline.keyAlgorithm.c_str());
  std::printf("public key: %s\n", ToUpperHex(outline.publicKey).c_str());
  std::printf("attributes: %zu\n", outline.attributes.size());
  for (const RequestAttributeOutline& attribute : outline.attributes) {
    if (attribute.firstIsText)
      std::printf("  %s: %s\n", attribute.type.c_str(), attribute.firstText.c_str());
    else
      std::printf("  %s: (%zu value%s)\n", attribute.type.c_str(), attribute.valueCount,
                  attribute.valueCount == 1 ? "" : "s");
  }
  return 0;
}

int Verify(const Args& args) {
  const auto der = ReadDerFile(OneFile(args));
  const Kernel::CKernel kernel = Kernel::GetKernelInstance();
  Kernel::CKernelCertRequest request(kernel);
  request.InitFromBuffer(der.data(), static_cast<unsigned long>(der.size()));
  return SignatureVerdict(request.VerifySignature());
}

int Run(const Args& args) { return RunSubcommand(args, {{"new", &New}, {"show", &Show}, {"verify", &Verify}}); }

const CommandRegistration kReq{"req",
                               "new --key NAME --subject TEXT [--key-usage LIST] [--eku OID,...] [--crypt-key] "
                               "[--pem] [-o FILE] | show FILE | verify FILE",
                               "make, show or check a certification request", &Run};

}  // namespace
}  // namespace tavrpki::tool
