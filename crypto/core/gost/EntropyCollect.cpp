#include "gostcrypto/EntropyCollect.h"

#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ctime>

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
  // The generator condenses this buffer to 256 bits; 512 bits from the system are
  // plenty, and each further system byte costs time on every reseed.
  const bool ok = FromOperatingSystem(out, kSystemBytes);
  // One timer sample per 64-byte stretch, each at a different offset within its
  // stretch so that folding the buffer by 64 keeps them apart.
  timespec clock{};
  clock_gettime(CLOCK_MONOTONIC, &clock);
  for (std::size_t stretch = 0; stretch < kEntropyBufferSize / 64; ++stretch) {
    std::uint64_t sample = TimerSample();
    if (stretch == 1)
      sample ^= static_cast<std::uint64_t>(clock.tv_sec) << 32 ^ static_cast<std::uint64_t>(clock.tv_nsec);
    unsigned char bytes[8];
    std::memcpy(bytes, &sample, 8);
    XorInto(out + 64 * stretch + 8 * (stretch % 8), bytes, 8);
  }
  if (a != nullptr) XorInto(out, a, 128);
  if (c != nullptr) XorInto(out + 128, c, 32);
  return ok ? 0 : 1;
}

}  // namespace gostcrypto
