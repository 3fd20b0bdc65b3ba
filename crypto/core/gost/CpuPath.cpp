#include "CpuPath.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace gostcrypto::detail {
namespace {

CpuPath Detect() {
  const char* force = std::getenv("TAVRPKI_FORCE_PORTABLE");
  if (force != nullptr && std::strcmp(force, "1") == 0) return CpuPath::kPortable;
  return CpuSupportsAvx512Vbmi() ? CpuPath::kAvx512 : CpuPath::kPortable;
}

std::atomic<CpuPath>& Current() {
  static std::atomic<CpuPath> path{Detect()};
  return path;
}

}  // namespace

bool CpuSupportsAvx512Vbmi() {
#if defined(TAVRPKI_HAVE_AVX512_KERNELS) && (defined(__GNUC__) || defined(__clang__))
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
         __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512vbmi");
#else
  return false;
#endif
}

CpuPath ActiveCpuPath() { return Current().load(std::memory_order_relaxed); }

const char* CpuPathName(CpuPath path) { return path == CpuPath::kAvx512 ? "avx512" : "portable"; }

ScopedCpuPath::ScopedCpuPath(CpuPath path) : m_previous(ActiveCpuPath()) {
  if (path == CpuPath::kAvx512 && !CpuSupportsAvx512Vbmi()) path = CpuPath::kPortable;
  Current().store(path, std::memory_order_relaxed);
}

ScopedCpuPath::~ScopedCpuPath() { Current().store(m_previous, std::memory_order_relaxed); }

}  // namespace gostcrypto::detail
