// tavrpki speed cms: signed messages per second of this thread's CPU time, through
// the exported classes as a program uses them. Signing hashes the data, builds the
// signer info from the certificate, signs (SET OF form) and writes the message as
// `cms sign` does: header, data, footer, here into a buffer the caller reuses.
// Verifying reads the message, takes the content out into a reused buffer, binds
// the signer to its certificate and checks the signature over the content. The
// signer is the speed commands' own (SpeedSigner.h).
// Lines: cms-sign-1MiB, cms-verify-1MiB, cms-sign-64B <n> ops/s.
#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "Command.h"
#include "SpeedSigner.h"
#include "kernel/CKernelException.h"
#include "kernel/CKernelSignatureEnvelope.h"
#include "kernel/CKernelSignerInfo.h"

namespace tavrpki::tool {
namespace {

constexpr unsigned long kBufferTooSmall = 100000;

// Writes one piece of the message at `at` in `out` as a program with a reused
// buffer does: straight in, and only when the library answers that it does not
// fit, grown to the length it asked for and written again.
template <class Get>
std::size_t Put(std::vector<unsigned char>& out, std::size_t at, Get&& get) {
  unsigned long length = static_cast<unsigned long>(out.size() - at);
  try {
    get(out.data() + at, &length);
  } catch (const Kernel::CKernelException& e) {
    if (e.GetErrorCode() != kBufferTooSmall) throw;
    out.resize(at + length);
    get(out.data() + at, &length);
  }
  return length;
}

struct Signer : SpeedSigner {
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
    // Never empty, so the pieces are always written, not only measured.
    if (out.size() < data.size() + 4096) out.resize(data.size() + 4096);
    const std::size_t header =
        Put(out, 0, [&](unsigned char* at, unsigned long* length) { envelope.GetEnvelopeHeader(at, length); });
    if (out.size() < header + data.size() + 1) out.resize(header + data.size() + 4096);
    std::copy(data.begin(), data.end(), out.begin() + static_cast<std::ptrdiff_t>(header));
    const std::size_t footer = Put(out, header + data.size(), [&](unsigned char* at, unsigned long* length) {
      envelope.GetEnvelopeFooter(at, length);
    });
    return header + data.size() + footer;
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
