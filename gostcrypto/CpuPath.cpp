#include "gostcrypto/CpuPath.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace gostcrypto {
namespace {

CpuFeatures Probe() {
  CpuFeatures features;
#if defined(__x86_64__) || defined(__i386__)
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) != 0) features.clmul = (ecx & bit_PCLMUL) != 0;
#endif
#if defined(__GNUC__) || defined(__clang__)
#if defined(TAVRPKI_HAVE_AVX2_KERNELS)
  __builtin_cpu_init();
  features.avx2 = __builtin_cpu_supports("avx2");
#endif
#if defined(TAVRPKI_HAVE_AVX512_KERNELS)
  __builtin_cpu_init();
  features.vpclmul = features.clmul && __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("vpclmulqdq");
  features.avx512vbmi = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                        __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512vbmi");
#endif
#endif
  return features;
}

// The environment as read once, at the first question about a path.
struct Request {
  bool forcePortable = false;
  const char* cipherPath = nullptr;  // the name given, or null (it may name a field path)
};

const Request& Environment() {
  static const Request kRequest = [] {
    Request request;
    const char* force = std::getenv("TAVRPKI_FORCE_PORTABLE");
    request.forcePortable = force != nullptr && std::strcmp(force, "1") == 0;
    request.cipherPath = std::getenv("TAVRPKI_CPU_PATH");
    return request;
  }();
  return kRequest;
}

CipherPath ChooseCipherPath() {
  const Request& request = Environment();
  if (request.forcePortable) return CipherPath::kPortable;
  if (request.cipherPath != nullptr)
    for (CipherPath path : {CipherPath::kPortable, CipherPath::kAvx2, CipherPath::kAvx512})
      if (std::strcmp(request.cipherPath, PathName(path)) == 0) return Supported(path);
  return Supported(CipherPath::kAvx512);
}

std::atomic<CipherPath>& CurrentCipherPath() {
  static std::atomic<CipherPath> path{ChooseCipherPath()};
  return path;
}

}  // namespace

const CpuFeatures& DetectedCpu() {
  static const CpuFeatures kFeatures = Probe();
  return kFeatures;
}

FieldPath ActiveFieldPath() {
  static const FieldPath kPath = [] {
    const Request& request = Environment();
    if (request.forcePortable) return FieldPath::kPortable;
    FieldPath wanted = FieldPath::kVpclmul;
    if (request.cipherPath != nullptr)
      for (FieldPath path : {FieldPath::kPortable, FieldPath::kClmul, FieldPath::kVpclmul})
        if (std::strcmp(request.cipherPath, PathName(path)) == 0) wanted = path;
    if (wanted == FieldPath::kVpclmul && !Supported(wanted)) wanted = FieldPath::kClmul;
    if (wanted == FieldPath::kClmul && !Supported(wanted)) wanted = FieldPath::kPortable;
    return wanted;
  }();
  return kPath;
}

CipherPath ActiveCipherPath() { return CurrentCipherPath().load(std::memory_order_relaxed); }

bool Supported(FieldPath path) {
  switch (path) {
    case FieldPath::kVpclmul:
      return DetectedCpu().vpclmul;
    case FieldPath::kClmul:
      return DetectedCpu().clmul;
    case FieldPath::kPortable:
      break;
  }
  return true;
}

CipherPath Supported(CipherPath path) {
  if (path == CipherPath::kAvx512 && !DetectedCpu().avx512vbmi) path = CipherPath::kAvx2;
  if (path == CipherPath::kAvx2 && !DetectedCpu().avx2) path = CipherPath::kPortable;
  return path;
}

const char* PathName(FieldPath path) {
  switch (path) {
    case FieldPath::kVpclmul:
      return "vpclmul";
    case FieldPath::kClmul:
      return "pclmul";
    case FieldPath::kPortable:
      break;
  }
  return "portable";
}

const char* PathName(CipherPath path) {
  switch (path) {
    case CipherPath::kAvx512:
      return "avx512";
    case CipherPath::kAvx2:
      return "avx2";
    case CipherPath::kPortable:
      break;
  }
  return "portable";
}

ActivePathNames ActiveCpuPathNames() { return {PathName(ActiveFieldPath()), PathName(ActiveCipherPath())}; }

ScopedCpuPath::ScopedCpuPath(CipherPath path) : m_previous(ActiveCipherPath()) {
  CurrentCipherPath().store(Supported(path), std::memory_order_relaxed);
}

ScopedCpuPath::~ScopedCpuPath() { CurrentCipherPath().store(m_previous, std::memory_order_relaxed); }

}  // namespace gostcrypto
