// The kernel context: construction, copying and the certificate storage pointer.
// The cryptographic and key storage members live beside their areas
// (CKernel<Area>.cpp).
#include "kernel/CKernel.h"

#include <memory>

#include "core/LogSettings.h"
#include "core/Logger.h"
#include "kernel/Boundary.h"
#include "kernel/CProvider.h"

namespace Kernel {

CKernel::CKernel() : m_provider(new tavrpki::CProvider), m_certStorage(nullptr), m_useLog(false) {
  LogInit();
}

// A copy logs as its source does, joining the open log without reading the
// configuration again: every exported object keeps a kernel copy, and a few of
// them are made for each signature. Only when the log was closed meanwhile
// (the process closed it) does a copy read it afresh, as a new kernel does.
CKernel::CKernel(const CKernel& other)
    : m_provider(nullptr), m_certStorage(other.m_certStorage), m_useLog(false) {
  auto provider = std::make_unique<tavrpki::CProvider>();
  provider->CopyGeneratorFrom(*other.m_provider);
  m_provider = provider.release();
  m_useLog = other.m_useLog && tavrpki::ProcessLogger().Join();
  if (other.m_useLog && !m_useLog) LogInit();
}

CKernel::~CKernel() {
  delete m_provider;
  // Every kernel that logs holds the process-wide log; the last one to go
  // writes the trailer and closes it.
  if (m_useLog) tavrpki::ProcessLogger().Release();
}

const CKernel& CKernel::operator=(const CKernel& other) {
  if (this != &other) {
    m_provider->CopyGeneratorFrom(*other.m_provider);
    m_certStorage = other.m_certStorage;
  }
  return *this;
}

bool CKernel::GetUseLog() const { return m_useLog; }

void* CKernel::GetProvider() const { return m_provider; }

void* CKernel::GetCertStorage() const { return m_certStorage; }

void CKernel::SetCertStorage(void* storage) {
  Boundary([&] {
    RequireArgument(storage != nullptr);
    m_certStorage = storage;
  });
}

void CKernel::LogInit() {
  // Logging is a service, never a reason to fail: any trouble leaves it off.
  m_useLog = false;
  try {
    const tavrpki::LogSettings settings = tavrpki::ReadLogSettings();
    if (!settings.useLog) return;
    tavrpki::ProcessLogger().Acquire(settings.directory, tavrpki::LogFilePrefix());
    m_useLog = true;
  } catch (...) {
    m_useLog = false;
  }
}

}  // namespace Kernel
