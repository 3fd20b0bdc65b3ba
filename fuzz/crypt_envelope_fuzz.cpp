// The encrypted envelope's reader over arbitrary bytes: SetEnvelopeData, then
// every recipient it kept, and DecryptInit with a key pair of no recipient.
//
// The input is copied into a buffer of exactly its size, so a read past the
// records' end is an AddressSanitizer finding. A failure must be the library's
// exception; the records read before a bad one stay, and the object stays usable
// in state 0 (a second read of the same bytes gives the same answer).
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>

#include "kernel/CKernelCryptEnvelope.h"
#include "kernel/CKernelException.h"
#include "kernel/GetKernelInstance.h"
#include "crypto/params/Dke.h"
#include "tests/support/QuietConfiguration.h"

namespace {

const bool kQuietConfiguration = tavrpki::test::QuietConfiguration("/tmp/tavrpki-crypt-envelope-fuzz.reg");

struct Fixture {
  Kernel::CKernel kernel = Kernel::GetKernelInstance();
  std::optional<Kernel::CKernelDoubleKeyPair> keys;
  Fixture() {
    tavrpki::params::Dke dke = tavrpki::params::kDke1;
    Kernel::CKernelAllParams params(kernel);
    params.SetRandomSBox(dke.data());
    params.SetCryptSBox(dke.data());
    params.SetSignParams(kernel.GenerateAsymmetric4145Params("1.2.804.2.1.1.1.1.3.1.1.2.6", dke.data()));
    params.SetCryptParams(kernel.GenerateAsymmetric4145Params("1.2.804.2.1.1.1.1.3.1.1.2.6", dke.data()));
    keys.emplace(kernel.Generate4145DoubleKeyPair(params, true));
  }
};

unsigned long Read(Kernel::CKernelCryptEnvelope& envelope, const unsigned char* data, std::size_t size) {
  try {
    envelope.SetEnvelopeData(data, static_cast<unsigned long>(size));
    return 0;
  } catch (const Kernel::CKernelException& error) {
    return error.GetErrorCode() == 0 ? 1 : error.GetErrorCode();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  (void)kQuietConfiguration;
  static Fixture fixture;
  if (size == 0) return 0;
  const auto copy = std::make_unique<unsigned char[]>(size);
  std::copy(data, data + size, copy.get());

  Kernel::CKernelCryptEnvelope envelope(fixture.kernel);
  const unsigned long first = Read(envelope, copy.get(), size);
  const unsigned long count = envelope.GetCryptCertCount();
  for (unsigned long i = 0; i < count; ++i) {
    const Kernel::CKernelCertificate cert = envelope.GetCryptCert(i);
    unsigned long length = 0;
    cert.GetCertBuffer(nullptr, &length);
  }
  try {
    envelope.DecryptInit(*fixture.keys);
    std::abort();  // the key pair is nobody's: no record may match it
  } catch (const Kernel::CKernelException& error) {
    const unsigned long code = error.GetErrorCode();
    if (code != 100059 && code != 100061) std::abort();
  }
  if (Read(envelope, copy.get(), size) != first || envelope.GetCryptCertCount() != count) std::abort();
  return 0;
}
