#include "gostcrypto/EntropyCollect.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/random.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <memory>
#include <mutex>

#include "gostcrypto/Wipe.h"
#include "gostcrypto/RndEngine.h"

#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#endif

namespace gostcrypto {
namespace {

constexpr std::size_t kSystemBytes = 64;

bool FromOperatingSystem(unsigned char* out, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t got = getrandom(out + done, size - done, 0);
    if (got > 0) {
      done += static_cast<std::size_t>(got);
    } else if (got < 0 && errno == EINTR) {
      continue;
    } else {
      break;
    }
  }
  if (done == size) return true;
  // Kernels without getrandom: the device gives the same generator.
  const int fd = open("/dev/urandom", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  while (done < size) {
    const ssize_t got = read(fd, out + done, size - done);
    if (got > 0) {
      done += static_cast<std::size_t>(got);
    } else if (!(got < 0 && errno == EINTR)) {
      break;
    }
  }
  close(fd);
  return done == size;
}

// The operating system's generator behind a process-wide pool, because every
// signature reseeds and a system call costs a microsecond (more under a
// hypervisor), a good part of a whole signature.
//
// Why the pool's output is as good as the system's own bytes:
// * The pool is an RndEngine keyed with 256 bits and seeded with 64 bits straight
//   from the system: its output is GOST 28147-89 counter-mode gamma, which nobody
//   who does not know that key can tell from random or predict.
// * Every 256 output bytes the generator replaces its key from its own gamma and
//   wipes what it handed out (fast key erasure): a copy of the process memory
//   taken later does not give earlier outputs, so earlier seeds stay secret.
// * The pool is rebuilt from fresh system bytes after kDrawsPerRefresh draws or
//   kRefreshNanoseconds, whichever comes first, so a state that leaked somehow is
//   worth at most that much future output. The old state's output is mixed into
//   the new key as well: a rebuild never weakens the pool.
// * A child made by fork() inherits the parent's memory, pool included; the child
//   handler below marks the pool spent, so parent and child never hand out the
//   same bytes: the child's first draw rebuilds it from the system.
// * The collector adds timer samples and the caller's data to every draw, and the
//   generator that signs is built from the hash of all of it: two reseeds never
//   start from the same material even if the pool's output repeated.
class SystemPool {
 public:
  static SystemPool& Instance() {
    static SystemPool pool;
    return pool;
  }

  // out[0..size) from the pool; false when the system's generator failed. A
  // pool that could not be refreshed goes on serving (its output is still
  // unpredictable); one that never was seeded, or is a parent's copy, leaves
  // `out` as it was.
  bool Draw(unsigned char* out, std::size_t size, std::uint64_t now) {
    std::lock_guard<std::mutex> hold(m_lock);
    bool refreshed = true;
    if (!m_generator || m_spent || m_draws >= kDrawsPerRefresh || now - m_seededAt >= kRefreshNanoseconds)
      refreshed = Rebuild(now);
    if (!m_generator || m_spent) return false;
    m_generator->Generate(out, size);
    ++m_draws;
    return refreshed;
  }

 private:
  static constexpr unsigned kDrawsPerRefresh = 1024;
  static constexpr std::uint64_t kRefreshNanoseconds = 1'000'000'000;  // one second

  SystemPool() {
    // Holding the lock across fork() keeps the child from inheriting it held by
    // a thread that does not exist there.
    pthread_atfork([] { Instance().m_lock.lock(); }, [] { Instance().m_lock.unlock(); },
                   [] {
                     SystemPool& pool = Instance();
                     pool.m_spent = true;
                     pool.m_lock.unlock();
                   });
  }

  bool Rebuild(std::uint64_t now) {
    // 32-byte key and 8-byte seed from the system; the old pool's next 32 bytes as
    // the extra key material (not in a child after fork: the parent has them too).
    unsigned char fresh[RndEngine::kKeySize + RndEngine::kSeedSize];
    unsigned char carried[RndEngine::kExtraSize];
    const bool ok = FromOperatingSystem(fresh, sizeof fresh);
    const bool carry = m_generator != nullptr && !m_spent;
    if (carry) m_generator->Generate(carried, sizeof carried);
    if (ok) {
      m_generator = std::make_unique<RndEngine>(nullptr, fresh, fresh + RndEngine::kKeySize,
                                                carry ? carried : nullptr);
      m_draws = 0;
      m_seededAt = now;
      m_spent = false;
    }
    tavrpki::SecureWipe(fresh, sizeof fresh);
    tavrpki::SecureWipe(carried, sizeof carried);
    return ok;
  }

  std::mutex m_lock;
  std::unique_ptr<RndEngine> m_generator;  // wipes itself
  unsigned m_draws = 0;
  std::uint64_t m_seededAt = 0;
  bool m_spent = false;  // set in a child after fork()
};

// A high-resolution timer sample: the cycle counter where the CPU has one (a few
// nanoseconds to read), else the monotonic clock.
std::uint64_t TimerSample() {
#if defined(__x86_64__) || defined(__i386__)
  return __rdtsc();
#else
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::uint64_t>(ts.tv_sec) * 1000000000u + static_cast<std::uint64_t>(ts.tv_nsec);
#endif
}

void XorInto(unsigned char* out, const unsigned char* data, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) out[i] ^= data[i];
}

}  // namespace

int TAVRCLCRNGEntropyDataCollect(unsigned char* out, const unsigned char* a, const unsigned char* c,
                                 unsigned long reserved1, unsigned long reserved2) {
  if (out == nullptr || reserved1 != 0 || reserved2 != 0) return 2;
  std::memset(out, 0, kEntropyBufferSize);
  timespec clock{};
  clock_gettime(CLOCK_MONOTONIC, &clock);
  const std::uint64_t now =
      static_cast<std::uint64_t>(clock.tv_sec) * 1000000000u + static_cast<std::uint64_t>(clock.tv_nsec);
  // The generator condenses this buffer to 256 bits; 512 bits from the system
  // (through the pool) are plenty.
  const bool ok = SystemPool::Instance().Draw(out, kSystemBytes, now);
  // One timer sample per 64-byte stretch, each at a different offset within its
  // stretch so that folding the buffer by 64 keeps them apart.
  for (std::size_t stretch = 0; stretch < kEntropyBufferSize / 64; ++stretch) {
    std::uint64_t sample = TimerSample();
    if (stretch == 1) sample ^= now;
    unsigned char bytes[8];
    std::memcpy(bytes, &sample, 8);
    XorInto(out + 64 * stretch + 8 * (stretch % 8), bytes, 8);
  }
  if (a != nullptr) XorInto(out, a, 128);
  if (c != nullptr) XorInto(out + 128, c, 32);
  return ok ? 0 : 1;
}

}  // namespace gostcrypto
