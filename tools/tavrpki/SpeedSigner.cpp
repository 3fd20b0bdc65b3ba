#include "SpeedSigner.h"

#include "DkeOption.h"
#include "kernel/CKernelAllParams.h"

namespace tavrpki::tool {
namespace {

constexpr const char* kCurve257 = "1.2.804.2.1.1.1.1.3.1.1.2.6";

// Key and signature are placeholders, replaced when the certificate is signed.
constexpr unsigned char kTemplate[] =
    "\x30\x81\x9e\x30\x81\x86\xa0\x03\x02\x01\x02\x02\x01\x01\x30\x0d\x06\x0b\x2a\x86\x24\x02\x01\x01\x01\x01\x03\x01\x01\x30\x18\x31"
    "\x16\x30\x14\x06\x03\x55\x04\x03\x0c\x0d\x74\x61\x76\x72\x70\x6b\x69\x20\x73\x70\x65\x65\x64\x30\x1e\x17\x0d\x32\x36\x30\x31\x30"
    "\x31\x30\x30\x30\x30\x30\x30\x5a\x17\x0d\x33\x36\x30\x31\x30\x31\x30\x30\x30\x30\x30\x30\x5a\x30\x18\x31\x16\x30\x14\x06\x03\x55"
    "\x04\x03\x0c\x0d\x74\x61\x76\x72\x70\x6b\x69\x20\x73\x70\x65\x65\x64\x30\x15\x30\x0d\x06\x0b\x2a\x86\x24\x02\x01\x01\x01\x01\x03"
    "\x01\x01\x03\x04\x00\x04\x01\x00\xa3\x02\x30\x00\x30\x0d\x06\x0b\x2a\x86\x24\x02\x01\x01\x01\x01\x03\x01\x01\x03\x04\x00\x04\x01"
    "\x00";

}  // namespace

SpeedSigner::SpeedSigner(std::span<const unsigned char> extension) {
  SBox dke = DkeNo1();
  Kernel::CKernelAllParams params(kernel);
  params.SetRandomSBox(dke.data());
  params.SetCryptSBox(dke.data());
  params.SetSignParams(kernel.GenerateAsymmetric4145Params(kCurve257, dke.data()));
  params.SetCryptParams(kernel.GenerateAsymmetric4145Params(kCurve257, dke.data()));
  keys = kernel.Generate4145DoubleKeyPair(params, false);
  cert.InitFromBuffer(kTemplate, sizeof kTemplate - 1, false);
  if (!extension.empty()) cert.AddExtension(extension.data(), static_cast<unsigned long>(extension.size()));
  cert.SetCertSignKeys(keys);
  cert.Ensign(keys, dke.data());
}

std::vector<std::uint8_t> SpeedSigner::CertificateDer() const {
  unsigned long length = 0;
  cert.GetCertBuffer(nullptr, &length);
  std::vector<std::uint8_t> der(length);
  cert.GetCertBuffer(der.data(), &length);
  der.resize(length);
  return der;
}

}  // namespace tavrpki::tool
