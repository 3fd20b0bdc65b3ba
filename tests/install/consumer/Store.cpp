// The installed SQLite certificate store, handed to an installed library's kernel
// as a caller's storage: the library reaches it through the interface's slots.
#include <cstdio>
#include <cstdlib>

#include <tavrpki/SqliteCertStore.h>

#include "kernel/CKernelCertificate.h"
#include "kernel/CKernelException.h"
#include "kernel/GetKernelInstance.h"

int main() {
  const char* path = std::getenv("CONSUMER_STORE");
  if (path == nullptr) {
    std::puts("CONSUMER_STORE is not set");
    return 1;
  }
  try {
    tavrpki::SqliteCertStore store(path);
    Kernel::CKernel kernel = GetKernelInstance();
    kernel.SetCertStorage(static_cast<tavrpki::CertStorage*>(&store));
    Kernel::CKernelCertificate out(kernel);
    const unsigned char emptyName[] = {0x30, 0x00};
    if (kernel.FindCertificateBySubject(emptyName, sizeof emptyName, out) || store.GetCertificateCount() != 0) {
      std::puts("an empty store found a certificate");
      return 1;
    }
  } catch (const Kernel::CKernelException& error) {
    std::printf("the installed store does not serve: code %lu\n", error.GetErrorCode());
    return 1;
  }
  std::puts("consumer ok");
  return 0;
}
