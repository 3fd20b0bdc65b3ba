#include "kernel/CProvider.h"

#include "gostcrypto/RndEngine.h"

namespace tavrpki {

CProvider::CProvider() = default;

CProvider::~CProvider() = default;

void CProvider::CopyGeneratorFrom(const CProvider& source) {
  if (&source == this) return;
  // Duplicate under the source's lock, install under ours: never both at once, so
  // two kernels assigned to each other on two threads cannot deadlock.
  std::unique_ptr<gostcrypto::RndEngine> duplicate;
  {
    std::lock_guard<std::mutex> hold(source.m_lock);
    if (source.m_generator) duplicate = std::make_unique<gostcrypto::RndEngine>(*source.m_generator);
  }
  {
    std::lock_guard<std::mutex> hold(m_lock);
    m_generator.swap(duplicate);
  }
  // `duplicate` now holds the old generator, destroyed (and wiped) outside the lock.
}

}  // namespace tavrpki
