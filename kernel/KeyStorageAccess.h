// What the key operations of the kernel share: the kernel's key storage manager
// and the audit lines of operations that use or manage private keys (information
// lines beginning "[pid = <process id>]-", written only when the kernel logs).
#pragma once

#include "core/Cp1251.h"
#include "core/Logger.h"
#include "kernel/CKernel.h"
#include "kernel/HandleCast.h"
#include "platform/Process.h"

namespace Kernel {

// The manager of the kernel's provider; throws 30002 when its library is not loaded.
inline tavrpki::KeyStorageManager& KeyStorageOf(const CKernel& kernel) {
  return ProviderOf(kernel).KeyStorage().Manager();
}

inline constexpr const char* kAuditSigned =
    tavrpki::Cp1251<"[pid = %u]-Використано особистий ключ для підпису даних">;
inline constexpr const char* kAuditKeyLoaded = tavrpki::Cp1251<"[pid = %u]-Зчитано ключ '%s'">;
inline constexpr const char* kAuditKeyDeleted = tavrpki::Cp1251<"[pid = %u]-Видалення ключа '%s'">;
inline constexpr const char* kAuditPasswordChange =
    tavrpki::Cp1251<"[pid = %u]-Спроба змінити пароль доступу до ключа '%s'">;

inline void AuditKeyUse(const CKernel& kernel, const char* format) {
  if (kernel.GetUseLog())
    tavrpki::ProcessLogger().Write(0, tavrpki::kLogInfo, format,
                                   static_cast<unsigned>(GetCurrentProcessId()));
}

inline void AuditKeyUse(const CKernel& kernel, const char* format, const char* keyName) {
  if (kernel.GetUseLog())
    tavrpki::ProcessLogger().Write(0, tavrpki::kLogInfo, format,
                                   static_cast<unsigned>(GetCurrentProcessId()), keyName);
}

}  // namespace Kernel
