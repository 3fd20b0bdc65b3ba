// The key-storage members of the kernel: each checks its arguments and makes one
// call of the key storage manager (window first where there is one). The
// manager's failures pass unchanged; without a loaded manager every member
// throws 30002.
#include <array>
#include <vector>

#include "core/CKernelUtils.h"
#include "kernel/Boundary.h"
#include "kernel/CKernel.h"
#include "kernel/KeyStorageAccess.h"

namespace Kernel {
namespace {

// The manager's answer to "get default storage": 4096 bytes, 4095 offered.
constexpr unsigned long kStorageNameCapacity = 4096;

}  // namespace

void CKernel::LoadStorage(const char* storage) const {
  Boundary([&] {
    RequireArgument(storage != nullptr);
    KeyStorageOf(*this).LoadStorage(storage);
  });
}

void CKernel::GetKeyDescription(const char* keyName, char* text, unsigned long* length) {
  Boundary([&] {
    RequireArgument(keyName != nullptr && length != nullptr);
    tavrpki::KeyStorageManager& manager = KeyStorageOf(*this);
    unsigned long size = 0;
    manager.GetKeyDescription(keyName, nullptr, &size, 0);
    std::vector<char> description(size);
    manager.GetKeyDescription(keyName, description.data(), &size, 0);
    // A manager that answers more than it first announced is not believed past our buffer.
    if (size > description.size()) size = static_cast<unsigned long>(description.size());
    tavrpki::CKernelUtils::CopyResult(description.data(), size, text, length);
  });
}

bool CKernel::IsKeyExists(const char* keyName) const {
  return Boundary([&] {
    RequireArgument(keyName != nullptr);
    return KeyStorageOf(*this).KeyExists(keyName, 0) != 0;
  });
}

void CKernel::DeleteKey(const char* keyName) const {
  Boundary([&] {
    RequireArgument(keyName != nullptr);
    KeyStorageOf(*this).DeleteKey(keyName, 0);
    AuditKeyUse(*this, kAuditKeyDeleted, keyName);
  });
}

void CKernel::ChangeKeyPassword(HWND__* const window, const char* keyName, const char* oldPassword,
                                const char* newPassword) const {
  Boundary([&] {
    RequireArgument(keyName != nullptr);
    tavrpki::KeyStorageManager& manager = KeyStorageOf(*this);
    manager.SetParentWindow(window);
    manager.ChangePassword(keyName, oldPassword, newPassword, 0);
    AuditKeyUse(*this, kAuditPasswordChange, keyName);
  });
}

void CKernel::ChangeKeyPassword(HWND__* const window, const char* keyName) const {
  Boundary([&] {
    RequireArgument(keyName != nullptr);
    tavrpki::KeyStorageManager& manager = KeyStorageOf(*this);
    manager.SetParentWindow(window);
    manager.ChangePasswordInteractive(keyName, 0);
    AuditKeyUse(*this, kAuditPasswordChange, keyName);
  });
}

void CKernel::SelectDefaultKeyStorage(char* name, unsigned long* length, HWND__* const window) const {
  Boundary([&] {
    RequireArgument(length != nullptr);
    tavrpki::KeyStorageManager& manager = KeyStorageOf(*this);
    manager.SetParentWindow(window);
    std::array<char, kStorageNameCapacity> chosen{};
    unsigned long size = kStorageNameCapacity - 1;
    manager.GetDefaultStorage(chosen.data(), &size);
    if (size > kStorageNameCapacity - 1) size = kStorageNameCapacity - 1;
    tavrpki::CKernelUtils::CopyResult(chosen.data(), size, name, length);
  });
}

void CKernel::SelectDefaultKeyStorage(HWND__* const window) const {
  Boundary([&] {
    tavrpki::KeyStorageManager& manager = KeyStorageOf(*this);
    manager.SetParentWindow(window);
    std::array<char, kStorageNameCapacity> chosen{};
    unsigned long size = kStorageNameCapacity - 1;
    manager.GetDefaultStorage(chosen.data(), &size);
  });
}

void CKernel::ConfigureKeyStorage(HWND__* const window) const {
  Boundary([&] {
    tavrpki::KeyStorageManager& manager = KeyStorageOf(*this);
    manager.SetParentWindow(window);
    manager.Configure(0);
  });
}

void CKernel::EnumerateKeys(void* context, int(__stdcall* callback)(void*, const char*)) {
  Boundary([&] {
    RequireArgument(callback != nullptr);
    KeyStorageOf(*this).EnumerateKeys(context, callback, 0);
  });
}

}  // namespace Kernel
