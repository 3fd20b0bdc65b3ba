// Marks a value derived from secrets as public once the algorithm is done with it
// (a signature half, the accept/reject bit of a rejection sampler). Ordinary builds
// compile it away; the constant-time test build (TAVRPKI_CT_VALGRIND) tells
// valgrind's memcheck that the value may be branched on, so that every other
// branch or table index that depends on a secret is reported.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(TAVRPKI_CT_VALGRIND)
#include <valgrind/memcheck.h>
#endif

namespace gostcrypto::ec {

inline std::uint64_t Declassify(std::uint64_t value) {
#if defined(TAVRPKI_CT_VALGRIND)
  VALGRIND_MAKE_MEM_DEFINED(&value, sizeof value);
#endif
  return value;
}

inline void DeclassifyBytes([[maybe_unused]] const void* data, [[maybe_unused]] std::size_t size) {
#if defined(TAVRPKI_CT_VALGRIND)
  VALGRIND_MAKE_MEM_DEFINED(data, size);
#endif
}

}  // namespace gostcrypto::ec
