// Test helper of the tool cases ("helper" lines in tests/data/tool/*.vec): a
// self-signed certificate, made with the library, for a key pair of the key
// storage, so that cases can sign with a key they generated.
//   tavrpki_test_certificate --key NAME --password-file FILE [--storage DIR]
//                            [--own-extensions] [--expired-ca] [--serial N] [--subject CN] OUT
// The certificate is on the key's own parameters; --own-extensions adds the
// key-agreement key and the S-box extensions the system's CA writes, which makes
// it a recipient certificate of the encrypted envelope too (those extensions need
// the RootOID in the case's machine configuration). The subject's common name is
// CN, else "Tool test signer". --expired-ca makes a CA certificate (key usage
// keyCertSign and cRLSign, a subject key identifier) whose validity ended in
// 2021, which the tool's CA commands must refuse.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "asn1/ASN1PrintableString.h"
#include "asn1/ASN1Utf8String.h"
#include "asn1/x509/ASN1Certificate.h"
#include "core/ExceptionBase.h"
#include "crypto/params/Dke.h"
#include "kernel/CKernelAllParams.h"
#include "kernel/CKernelCertificate.h"
#include "kernel/CKernelDoubleKeyPair.h"
#include "kernel/GetKernelInstance.h"
#include "platform/Password.h"
#include "tests/support/CertificateDraft.h"
#include "tests/support/Fetch.h"

using namespace tavrpki;

namespace {

std::vector<std::uint8_t> Template(long long serial, const std::string& commonName, bool expired) {
  ASN1Certificate cert;
  ASN1TBSCert& body = cert.TBSCertificate();
  body.SerialNumber().SetValue(serial);
  body.Issuer().AddAttribute("2.5.4.3", ASN1Utf8String("placeholder"));
  body.Subject().AddAttribute("2.5.4.3", ASN1Utf8String(commonName.c_str()));
  body.Subject().AddAttribute("2.5.4.6", ASN1PrintableString("UA"));
  if (expired)
    body.SetValidity(DateTime(2016, 1, 1), DateTime(2021, 1, 1));
  else
    body.SetValidity(DateTime(2026, 1, 1), DateTime(2036, 1, 1));
  return test::EncodeDraft(cert);
}

}  // namespace

int main(int argc, char** argv) {
  std::string key, passwordFile, storage, out, commonName = "Tool test signer";
  long long serial = 1;
  bool ownExtensions = false, expiredCa = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--key" && hasValue) key = argv[++i];
    else if (arg == "--password-file" && hasValue) passwordFile = argv[++i];
    else if (arg == "--storage" && hasValue) storage = argv[++i];
    else if (arg == "--serial" && hasValue) serial = std::stoll(argv[++i]);
    else if (arg == "--subject" && hasValue) commonName = argv[++i];
    else if (arg == "--own-extensions") ownExtensions = true;
    else if (arg == "--expired-ca") expiredCa = true;
    else out = arg;
  }
  if (key.empty() || passwordFile.empty() || out.empty()) {
    std::fprintf(stderr, "usage: %s --key NAME --password-file FILE [--storage DIR] [--own-extensions] [--serial N] [--subject CN] OUT\n", argv[0]);
    return 2;
  }
  try {
    Kernel::CKernel kernel = Kernel::GetKernelInstance();
    if (!storage.empty()) kernel.LoadStorage(storage.c_str());
    SecretVector password;
    if (platform::ReadPasswordFromFile(passwordFile.c_str(), password).status != platform::PasswordStatus::kOk) {
      std::fprintf(stderr, "cannot read %s\n", passwordFile.c_str());
      return 2;
    }
    password.push_back(0);
    Kernel::CKernelDoubleKeyPair keys(kernel, false);
    keys.Load(key.c_str(), reinterpret_cast<const char*>(password.data()), nullptr);
    Kernel::CKernelCertificate cert(kernel);
    const std::vector<std::uint8_t> der = Template(serial, commonName, expiredCa);
    cert.InitFromBuffer(der.data(), static_cast<unsigned long>(der.size()), false);
    params::Dke dke = params::kDke1;
    if (ownExtensions) {
      Kernel::CKernelAllParams params(kernel);
      params.SetSignParams(keys.GetSignParams());
      params.SetCryptParams(keys.GetCryptParams());
      params.SetRandomSBox(dke.data());
      params.SetCryptSBox(dke.data());
      cert.SetCertKeys(keys);
      cert.SetAdditionalParams(params);
    } else {
      cert.SetCertSignKeys(keys);
    }
    if (expiredCa) {
      // key usage: critical, keyCertSign and cRLSign
      const unsigned char keyUsage[] = {0x30, 0x0E, 0x06, 0x03, 0x55, 0x1D, 0x0F, 0x01, 0x01,
                                        0xFF, 0x04, 0x04, 0x03, 0x02, 0x01, 0x06};
      cert.AddExtension(keyUsage, sizeof keyUsage);
      cert.AddSubjectKeyIdentifier();
    }
    cert.MakeIssuerEqualSubject();
    cert.Ensign(keys, dke.data());
    const auto bytes = tavrpki::test::Fetch([&](unsigned char* b, unsigned long* l) { cert.GetCertBuffer(b, l); });
    std::ofstream(out, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                               static_cast<std::streamsize>(bytes.size()));
    return 0;
  } catch (const ExceptionBase& error) {
    std::fprintf(stderr, "failed: code %lu\n", error.GetErrorCode());
    return 2;
  }
}
