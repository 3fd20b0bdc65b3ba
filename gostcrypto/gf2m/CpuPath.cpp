#include "CpuPath.h"

#include <cstdlib>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace gostcrypto::gf2m {
namespace {

bool CpuHasClmul() {
#if defined(__x86_64__) || defined(__i386__)
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0) return false;
  return (ecx & bit_PCLMUL) != 0;
#else
  return false;
#endif
}

bool ForcedPortable() {
  const char* value = std::getenv("TAVRPKI_FORCE_PORTABLE");
  return value != nullptr && std::strcmp(value, "1") == 0;
}

}  // namespace

bool Supported(CpuPath path) {
  static const bool kClmul = CpuHasClmul();
  return path == CpuPath::kPortable || kClmul;
}

CpuPath BestPath() {
  static const CpuPath kBest =
      !ForcedPortable() && Supported(CpuPath::kClmul) ? CpuPath::kClmul : CpuPath::kPortable;
  return kBest;
}

const char* PathName(CpuPath path) { return path == CpuPath::kClmul ? "pclmul" : "portable"; }

}  // namespace gostcrypto::gf2m
