// tavrpki speed cms: signed messages per second of this thread's CPU time, through
// the exported classes as a program uses them. Signing hashes the data, builds the
// signer info from the certificate, signs (SET OF form) and writes the message as
// `cms sign` does: header, data, footer, here into a buffer the caller reuses.
// Verifying reads the message, takes the content out into a reused buffer, binds
// the signer to its certificate and checks the signature over the content. The
// key is made in memory on the 257-bit curve with DKE No. 1, its certificate from
// a small built-in template (names and dates only), self-signed.
// Lines: cms-sign-1MiB, cms-verify-1MiB, cms-sign-64B <n> ops/s.
#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "Command.h"
#include "DkeOption.h"
#include "kernel/CKernel.h"
#include "kernel/CKernelAllParams.h"
#include "kernel/CKernelCertificate.h"
#include "kernel/CKernelDoubleKeyPair.h"
#include "kernel/CKernelSignatureEnvelope.h"
#include "kernel/CKernelSignerInfo.h"
#include "kernel/GetKernelInstance.h"

namespace tavrpki::tool {
namespace {

constexpr const char* kCurve257 = "1.2.804.2.1.1.1.1.3.1.1.2.6";

// CN = tavrpki speed, valid 2026-2036; key and signature are placeholders.
constexpr unsigned char kTemplate[] =
    "\x30\x81\x9e\x30\x81\x86\xa0\x03\x02\x01\x02\x02\x01\x01\x30\x0d\x06\x0b\x2a\x86\x24\x02\x01\x01\x01\x01\x03\x01\x01\x30\x18\x31"
    "\x16\x30\x14\x06\x03\x55\x04\x03\x0c\x0d\x74\x61\x76\x72\x70\x6b\x69\x20\x73\x70\x65\x65\x64\x30\x1e\x17\x0d\x32\x36\x30\x31\x30"
    "\x31\x30\x30\x30\x30\x30\x30\x5a\x17\x0d\x33\x36\x30\x31\x30\x31\x30\x30\x30\x30\x30\x30\x5a\x30\x18\x31\x16\x30\x14\x06\x03\x55"
    "\x04\x03\x0c\x0d\x74\x61\x76\x72\x70\x6b\x69\x20\x73\x70\x65\x65\x64\x30\x15\x30\x0d\x06\x0b\x2a\x86\x24\x02\x01\x01\x01\x01\x03"
    "\x01\x01\x03\x04\x00\x04\x01\x00\xa3\x02\x30\x00\x30\x0d\x06\x0b\x2a\x86\x24\x02\x01\x01\x01\x01\x03\x01\x01\x03\x04\x00\x04\x01"
    "\x00";

struct Signer {
  Kernel::CKernel kernel = Kernel::GetKernelInstance();
  Kernel::CKernelDoubleKeyPair keys{kernel, false};
  Kernel::CKernelCertificate cert{kernel};

  Signer() {
    SBox dke = DkeNo1();
    Kernel::CKernelAllParams params(kernel);
    params.SetRandomSBox(dke.data());
    params.SetCryptSBox(dke.data());
    params.SetSignParams(kernel.GenerateAsymmetric4145Params(kCurve257, dke.data()));
    params.SetCryptParams(kernel.GenerateAsymmetric4145Params(kCurve257, dke.data()));
    keys = kernel.Generate4145DoubleKeyPair(params, false);
    cert.InitFromBuffer(kTemplate, sizeof kTemplate - 1, false);
    cert.SetCertSignKeys(keys);
    cert.Ensign(keys, dke.data());
  }

  // Returns the message's length in `out` (grown when too small).
  std::size_t Sign(const std::vector<unsigned char>& data, std::vector<unsigned char>& out) const {
    unsigned char hash[32];
    kernel.CalcHash(data.data(), static_cast<unsigned long>(data.size()), hash, keys.GetHashSBox());
    Kernel::CKernelSignerInfo signer(cert);
    signer.SetMessageDigest(hash, sizeof hash);
    signer.SetStandardSignedAttrs(true);
    signer.CalculateSignature(cert, keys);
    Kernel::CKernelSignatureEnvelope envelope(kernel);
    envelope.AddCertificate(cert);
    envelope.AddSignerInfo(signer);
    envelope.SetDataSize(data.size());
    unsigned long header = 0;
    unsigned long footer = 0;
    envelope.GetEnvelopeHeader(nullptr, &header);
    envelope.GetEnvelopeFooter(nullptr, &footer);
    const std::size_t total = header + data.size() + footer;
    if (out.size() < total) out.resize(total);
    envelope.GetEnvelopeHeader(out.data(), &header);
    std::copy(data.begin(), data.end(), out.begin() + static_cast<std::ptrdiff_t>(header));
    envelope.GetEnvelopeFooter(out.data() + header + data.size(), &footer);
    return total;
  }

  bool Verify(const std::vector<unsigned char>& message, std::size_t size, std::vector<unsigned char>& content) const {
    Kernel::CKernelSignatureEnvelope envelope(kernel);
    envelope.InitFromBuffer(message.data(), static_cast<unsigned long>(size));
    unsigned long length = 0;
    envelope.GetData(nullptr, &length);
    if (content.size() < length) content.resize(length);
    envelope.GetData(content.data(), &length);
    Kernel::CKernelSignerInfo signer = envelope.GetSignerInfo(0);
    return signer.VerifySignatureOnData(content.data(), length);
  }
};

void Report(const char* what, double seconds) {
  std::printf("%s %.0f ops/s\n", what, 1.0 / seconds);
  std::fflush(stdout);
}

int Run(const Args& args) {
  if (!args.empty()) throw UsageError{"speed cms takes no arguments"};
  const Signer signer;
  std::vector<unsigned char> large(1 << 20);
  for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<unsigned char>(i * 131 + 7);
  const std::vector<unsigned char> small(large.begin(), large.begin() + 64);
  std::vector<unsigned char> message;
  std::vector<unsigned char> content;
  Report("cms-sign-1MiB", MeasureCpuSeconds([&] { (void)signer.Sign(large, message); }));
  const std::size_t size = signer.Sign(large, message);
  Report("cms-verify-1MiB", MeasureCpuSeconds([&] {
           if (!signer.Verify(message, size, content)) std::abort();
         }));
  Report("cms-sign-64B", MeasureCpuSeconds([&] { (void)signer.Sign(small, message); }));
  return 0;
}

const SpeedRegistration kSpeedCms{"cms", "", &Run};

}  // namespace
}  // namespace tavrpki::tool
