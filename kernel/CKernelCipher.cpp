// GOST 28147-89 members of CKernel: gamming with feedback through a handle or in
// one call. Cipher handles are not locked: one thread at a time per handle.
#include <array>
#include <memory>

#include "gostcrypto/Wipe.h"
#include "crypto/symmetric/SymmetricOps.h"
#include "kernel/Boundary.h"
#include "kernel/CKernel.h"
#include "kernel/CKernelAllParams.h"

namespace Kernel {

namespace symmetric = tavrpki::symmetric;

namespace {

std::array<unsigned char, 128> CryptSBoxOf(const CKernelAllParams& params) {
  std::array<unsigned char, 128> sbox{};
  params.GetCryptSBox(sbox.data());
  return sbox;
}

}  // namespace

void* CKernel::CreateCryptObject(const unsigned char* const key, const unsigned char* const sbox,
                                 unsigned char* const iv, bool encrypt) const {
  return Boundary([&] {
    RequireArgument(key != nullptr && sbox != nullptr);
    return symmetric::CreateCipher(key, sbox, iv, encrypt);
  });
}

void* CKernel::CreateCryptObject(const unsigned char* const key, const CKernelAllParams& params,
                                 unsigned char* const iv, bool encrypt) const {
  return Boundary([&] {
    RequireArgument(key != nullptr);
    const auto sbox = CryptSBoxOf(params);
    return symmetric::CreateCipher(key, sbox.data(), iv, encrypt);
  });
}

void CKernel::CryptSingleBlock(void* const handle, const unsigned char* data, unsigned long length,
                               unsigned char* out) const {
  Boundary([&] {
    RequireArgument(handle != nullptr && data != nullptr && length != 0 && out != nullptr);
    symmetric::Transform(handle, {data, length}, out);
  });
}

void CKernel::EncryptDecrypt(const unsigned char* const key, const CKernelAllParams& params, unsigned char* const iv,
                             const unsigned char* data, unsigned long length, unsigned char* out,
                             bool encrypt) const {
  Boundary([&] {
    RequireArgument(key != nullptr && data != nullptr && length != 0 && out != nullptr);
    const auto sbox = CryptSBoxOf(params);
    std::unique_ptr<void, void (*)(void*)> handle(symmetric::CreateCipher(key, sbox.data(), iv, encrypt),
                                                  &symmetric::DestroyCipher);
    symmetric::Transform(handle.get(), {data, length}, out);
  });
}

void CKernel::DestroyCrypt(void* handle) const {
  Boundary([&] {
    RequireArgument(handle != nullptr);
    symmetric::DestroyCipher(handle);
  });
}

}  // namespace Kernel
