// Which implementation of the bulk cipher kernels this process runs.
//
// Chosen once, on first use, from the CPU's features: AVX-512 VBMI, else AVX2, else
// portable. The environment can override it:
//   TAVRPKI_FORCE_PORTABLE=1                  the portable path;
//   TAVRPKI_CPU_PATH=portable|avx2|avx512     that path, or the best one below it
//                                             that the CPU has (to measure a path
//                                             on a machine that has a faster one).
// Tests switch paths with ScopedCpuPath to run every vector through each.
#pragma once

namespace gostcrypto::detail {

enum class CpuPath { kPortable, kAvx2, kAvx512 };

CpuPath ActiveCpuPath();
const char* CpuPathName(CpuPath path);
bool CpuSupportsAvx2();
bool CpuSupportsAvx512Vbmi();
// `path` if the CPU has it, else the best path below it that it has.
CpuPath Supported(CpuPath path);

// For tests and benchmarks: runs with Supported(path) until destroyed. Not for
// concurrent use with other paths.
class ScopedCpuPath {
 public:
  explicit ScopedCpuPath(CpuPath path);
  ~ScopedCpuPath();
  ScopedCpuPath(const ScopedCpuPath&) = delete;
  ScopedCpuPath& operator=(const ScopedCpuPath&) = delete;

 private:
  CpuPath m_previous;
};

}  // namespace gostcrypto::detail
