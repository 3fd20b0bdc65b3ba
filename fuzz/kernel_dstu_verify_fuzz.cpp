// DSTU 4145 verification through the exported kernel with arbitrary signature and
// public-key bytes, on fixed parameters (the 257-bit polynomial curve, DKE No. 1):
// a key the kernel accepts or refuses with its own exception, a signature that
// verifies or not, never a crash, a read past the input or a foreign exception.
//
// The first byte chooses the form: even, the key's coordinates (33 bytes of x,
// 33 of y) so the point checks and the verification see fuzzed values; odd, the
// public key's binary form as it stands, for the item reader behind the kernel.
// The rest is the signature; the hash is fixed.
#include <array>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "asn1/Blob.h"
#include "crypto/objects/CPublicKey.h"
#include "crypto/params/Dke.h"
#include "kernel/CKernel.h"
#include "kernel/CKernelAllParams.h"
#include "kernel/CKernelDoubleKeyPair.h"
#include "kernel/CKernelException.h"
#include "tests/support/QuietConfiguration.h"

namespace {

constexpr const char* kCurve257 = "1.2.804.2.1.1.1.1.3.1.1.2.6";
constexpr std::uint32_t kBits = 257;
constexpr std::size_t kCoordinateBytes = (kBits + 7) / 8;

// No audit log: a line per verification would fill the disk, not find bugs.
const bool kQuietConfiguration = tavrpki::test::QuietConfiguration("/tmp/tavrpki-kernel-dstu-verify-fuzz.reg");


struct Setup {
  Kernel::CKernel kernel;
  Kernel::CKernelAllParams params{kernel};
  Kernel::CKernelDoubleKeyPair keys{kernel, true};
  std::array<unsigned char, 32> hash{};

  Setup() {
    tavrpki::params::Dke dke = tavrpki::params::kDke1;
    params.SetRandomSBox(dke.data());
    params.SetCryptSBox(dke.data());
    params.SetSignParams(kernel.GenerateAsymmetric4145Params(kCurve257, dke.data()));
    params.SetCryptParams(kernel.GenerateAsymmetric4145Params(kCurve257, dke.data()));
    keys = kernel.Generate4145DoubleKeyPair(params, true);
    for (std::size_t i = 0; i < hash.size(); ++i) hash[i] = static_cast<unsigned char>(i * 29 + 3);
    // The target is only meaningful if a genuine signature verifies here.
    std::vector<unsigned char> signature(200);
    unsigned long length = static_cast<unsigned long>(signature.size());
    kernel.EnsignHash(hash.data(), signature.data(), &length, keys, params);
    if (!kernel.VerifyHashSignature(hash.data(), signature.data(), length, keys)) std::abort();
  }
};

Setup& Shared() {
  static Setup setup;
  return setup;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > 4096) return 0;
  Setup& setup = Shared();
  const bool rawForm = (data[0] & 1) != 0;
  ++data;
  --size;
  Kernel::CKernelDoubleKeyPair keys(setup.keys);
  tavrpki::Blob form;
  std::size_t used = 0;
  if (rawForm) {
    if (size == 0) return 0;
    const std::size_t keySize = data[0] % size;  // at most size - 1
    form.Assign(tavrpki::ByteView(data + 1, keySize));
    used = 1 + keySize;
  } else {
    if (size < 2 * kCoordinateBytes) return 0;
    const tavrpki::CPublicKey q(
        tavrpki::CAsymmetricKey(tavrpki::CBitBlob(tavrpki::ByteView(data, kCoordinateBytes), kBits)),
        tavrpki::CAsymmetricKey(tavrpki::CBitBlob(tavrpki::ByteView(data + kCoordinateBytes, kCoordinateBytes), kBits)));
    q.ToBinary(form);
    used = 2 * kCoordinateBytes;
  }
  try {
    keys.SetSignPublicKey(form.Data(), form.Size());
  } catch (const Kernel::CKernelException&) {
    return 0;
  }
  try {
    (void)setup.kernel.VerifyHashSignature(setup.hash.data(), data + used,
                                           static_cast<unsigned long>(size - used), keys);
  } catch (const Kernel::CKernelException&) {
  }
  return 0;
}
