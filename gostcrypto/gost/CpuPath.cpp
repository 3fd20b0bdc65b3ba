#include "CpuPath.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace gostcrypto::detail {
namespace {

CpuPath Detect() {
  const char* force = std::getenv("TAVRPKI_FORCE_PORTABLE");
  if (force != nullptr && std::strcmp(force, "1") == 0) return CpuPath::kPortable;
  // An unknown name is ignored rather than fatal: this runs inside the library.
  if (const char* name = std::getenv("TAVRPKI_CPU_PATH"); name != nullptr)
    for (CpuPath path : {CpuPath::kPortable, CpuPath::kAvx2, CpuPath::kAvx512})
      if (std::strcmp(name, CpuPathName(path)) == 0) return Supported(path);
  return Supported(CpuPath::kAvx512);
}

std::atomic<CpuPath>& Current() {
  static std::atomic<CpuPath> path{Detect()};
  return path;
}

}  // namespace

bool CpuSupportsAvx2() {
#if defined(TAVRPKI_HAVE_AVX2_KERNELS) && (defined(__GNUC__) || defined(__clang__))
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
#else
  return false;
#endif
}

bool CpuSupportsAvx512Vbmi() {
#if defined(TAVRPKI_HAVE_AVX512_KERNELS) && (defined(__GNUC__) || defined(__clang__))
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
         __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512vbmi");
#else
  return false;
#endif
}

CpuPath Supported(CpuPath path) {
  if (path == CpuPath::kAvx512 && !CpuSupportsAvx512Vbmi()) path = CpuPath::kAvx2;
  if (path == CpuPath::kAvx2 && !CpuSupportsAvx2()) path = CpuPath::kPortable;
  return path;
}

CpuPath ActiveCpuPath() { return Current().load(std::memory_order_relaxed); }

const char* CpuPathName(CpuPath path) {
  switch (path) {
    case CpuPath::kAvx512:
      return "avx512";
    case CpuPath::kAvx2:
      return "avx2";
    case CpuPath::kPortable:
      break;
  }
  return "portable";
}

ScopedCpuPath::ScopedCpuPath(CpuPath path) : m_previous(ActiveCpuPath()) {
  Current().store(Supported(path), std::memory_order_relaxed);
}

ScopedCpuPath::~ScopedCpuPath() { Current().store(m_previous, std::memory_order_relaxed); }

}  // namespace gostcrypto::detail
