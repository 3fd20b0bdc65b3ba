// The provider object of a kernel context (internal; `CKernel::GetProvider()` hands
// it out as `void*`): the lock, the random generator and the key storage manager
// link. Every `CKernel` owns exactly one; two kernels never share one.
#pragma once

#include <memory>
#include <mutex>
#include <utility>

#include "keystore/CKeyStorageWrapper.h"

namespace gostcrypto {
class RndEngine;
}

namespace tavrpki {

class CProvider {
 public:
  // No generator yet; the key storage manager library is loaded by the first key
  // storage operation, which also reports a failure to load it (keystore/).
  CProvider();
  // Destroys the generator (which wipes its state) and unloads the manager.
  ~CProvider();
  CProvider(const CProvider&) = delete;
  CProvider& operator=(const CProvider&) = delete;

  // Replaces the generator by a duplicate of `source`'s whole state, or by none
  // when `source` has none; the duplicate continues `source`'s sequence.
  void CopyGeneratorFrom(const CProvider& source);

  // Runs `use(slot)` with the lock held, where `slot` is the
  // `std::unique_ptr<gostcrypto::RndEngine>&` holding the generator (empty until
  // the first seeding). Seeding and every draw go through here, so they are
  // serialised per kernel; the lock is released however `use` leaves.
  template <class Use>
  decltype(auto) WithGenerator(Use&& use) {
    std::lock_guard<std::mutex> hold(m_lock);
    return std::forward<Use>(use)(m_generator);
  }

  CKeyStorageWrapper& KeyStorage() { return m_keyStorage; }

 private:
  mutable std::mutex m_lock;  // guards m_generator only
  std::unique_ptr<gostcrypto::RndEngine> m_generator;
  CKeyStorageWrapper m_keyStorage;
};

}  // namespace tavrpki
