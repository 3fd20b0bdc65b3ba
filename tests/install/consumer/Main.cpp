// Uses the installed library as a caller would, and says what went wrong.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

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
  // The configuration names the installed key storage plugin: it serves.
  const char* keyStorage = std::getenv("CONSUMER_KEY_STORAGE");
  try {
    kernel.LoadStorage(keyStorage);
    if (kernel.IsKeyExists("nobody")) {
      std::puts("an empty key storage has a key");
      return 1;
    }
  } catch (const Kernel::CKernelException& error) {
    std::printf("the installed key storage plugin does not serve: code %lu\n", error.GetErrorCode());
    return 1;
  }
  // The plugin's coded failure reaches this program as the exported type, its
  // code and its text unchanged.
  const std::string missing = std::string(keyStorage) + "/no-such-storage";
  try {
    kernel.LoadStorage(missing.c_str());
    std::puts("a missing key storage was accepted");
    return 1;
  } catch (const Kernel::CKernelException& error) {
    if (error.GetErrorCode() != 30010 || std::strstr(error.GetErrorMessage(), missing.c_str()) == nullptr) {
      std::printf("the plugin's failure changed on its way: %lu %s\n", error.GetErrorCode(), error.GetErrorMessage());
      return 1;
    }
  }
  std::puts("consumer ok");
  return 0;
}
