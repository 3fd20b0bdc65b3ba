// GOST 34.311-95 members of CKernel: argument checks, then the adapters of
// crypto/symmetric. Hash handles are not locked: one thread at a time per handle.
#include <span>

#include "crypto/symmetric/SymmetricOps.h"
#include "kernel/Boundary.h"
#include "kernel/CKernel.h"

namespace Kernel {

namespace symmetric = tavrpki::symmetric;

void CKernel::CalcHash(const unsigned char* data, unsigned long length, unsigned char* const hash,
                       const unsigned char* const sbox) const {
  Boundary([&] {
    RequireArgument(data != nullptr && length != 0 && hash != nullptr);
    symmetric::CalcHash({data, length}, std::span<unsigned char, symmetric::kHashSize>(hash, symmetric::kHashSize),
                        sbox);
  });
}

void* CKernel::CreateHashObject(const unsigned char* const sbox, const unsigned char* second) const {
  return Boundary([&] {
    RequireArgument(sbox != nullptr);
    return symmetric::CreateHash(sbox, second);
  });
}

void CKernel::HashData(void* const handle, const unsigned char* data, unsigned long length) const {
  Boundary([&] {
    RequireArgument(data != nullptr && length != 0);
    symmetric::HashData(handle, {data, length});
  });
}

void CKernel::GetDestroyHash(void* handle, unsigned char* const hash) const {
  Boundary([&] {
    RequireArgument(hash != nullptr);
    symmetric::FinishHash(handle, std::span<unsigned char, symmetric::kHashSize>(hash, symmetric::kHashSize));
  });
}

}  // namespace Kernel
