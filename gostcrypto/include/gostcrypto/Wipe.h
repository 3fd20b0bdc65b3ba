// Wiping of secrets: the one function every type that holds a key, an expanded key,
// generator state or intermediate hash state calls when it dies or is reset.
//
// A plain memset on memory that is about to be freed may be removed by the compiler
// as a dead store; the compiler barrier after the memset tells it the bytes are
// still observed, so the writes stay.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <type_traits>
#include <vector>

namespace tavrpki {

inline void SecureWipe(void* data, std::size_t size) noexcept {
  if (size == 0) return;
  std::memset(data, 0, size);
#if defined(__GNUC__) || defined(__clang__)
  __asm__ __volatile__("" : : "r"(data) : "memory");
#else
  volatile unsigned char* p = static_cast<volatile unsigned char*>(data);
  for (std::size_t i = 0; i < size; ++i) p[i] = 0;
#endif
}

template <typename T, std::size_t N>
inline void SecureWipe(std::span<T, N> data) noexcept {
  static_assert(std::is_trivially_copyable_v<T>);
  SecureWipe(data.data(), data.size_bytes());
}

// Wipes a trivially copyable object in place (arrays, key schedules, state structs).
template <typename T>
inline void SecureWipeObject(T& object) noexcept {
  static_assert(std::is_trivially_copyable_v<T>);
  SecureWipe(&object, sizeof(T));
}

// Scope guard for stack temporaries that hold secrets:
//   std::uint32_t schedule[8]; WipeOnExit guard(schedule, sizeof schedule);
class WipeOnExit {
 public:
  WipeOnExit(void* data, std::size_t size) noexcept : m_data(data), m_size(size) {}
  ~WipeOnExit() { SecureWipe(m_data, m_size); }
  WipeOnExit(const WipeOnExit&) = delete;
  WipeOnExit& operator=(const WipeOnExit&) = delete;

 private:
  void* m_data;
  std::size_t m_size;
};

// An allocator that wipes every block before it is freed, so a std::vector of
// secrets leaves no copy behind when it grows (each growth frees the old block)
// or dies. `Upstream` does the allocating itself: std::allocator in the library; a
// test puts an observer there to see each block at the moment it is handed back.
template <typename T, typename Upstream = std::allocator<T>>
struct WipingAllocator {
  static_assert(std::is_trivially_copyable_v<T>);
  using value_type = T;
  template <typename U>
  struct rebind {
    using other = WipingAllocator<U, typename std::allocator_traits<Upstream>::template rebind_alloc<U>>;
  };

  WipingAllocator() noexcept = default;
  template <typename U, typename V>
  WipingAllocator(const WipingAllocator<U, V>&) noexcept {}

  T* allocate(std::size_t n) { return Upstream{}.allocate(n); }
  void deallocate(T* p, std::size_t n) noexcept {
    SecureWipe(p, n * sizeof(T));
    Upstream{}.deallocate(p, n);
  }

  template <typename U, typename V>
  friend bool operator==(const WipingAllocator&, const WipingAllocator<U, V>&) noexcept {
    return true;
  }
};

// Growable bytes that may hold a secret.
using SecretVector = std::vector<std::uint8_t, WipingAllocator<std::uint8_t>>;

}  // namespace tavrpki
