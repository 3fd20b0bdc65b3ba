// Uses the installed library as a caller would, and says what went wrong.
#include <cstdio>

#include "kernel/CKernelException.h"
#include "kernel/GetKernelInstance.h"

int main() {
  Kernel::CKernel kernel = GetKernelInstance();
  try {
    kernel.SetCertStorage(nullptr);
    std::puts("a null certificate storage was accepted");
    return 1;
  } catch (const Kernel::CKernelException& error) {
    if (error.GetErrorCode() != 100021) {
      std::printf("unexpected code %lu\n", error.GetErrorCode());
      return 1;
    }
  }
  int storage = 0;
  kernel.SetCertStorage(&storage);
  const Kernel::CKernel copy(kernel);
  if (copy.GetProvider() == kernel.GetProvider() || copy.GetCertStorage() != &storage) {
    std::puts("a copy shares its source's provider or lost the storage");
    return 1;
  }
  std::puts("consumer ok");
  return 0;
}
