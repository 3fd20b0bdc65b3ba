// Which implementation of the bulk cipher kernels this process runs.
//
// Chosen once, on first use, from the CPU's features; TAVRPKI_FORCE_PORTABLE=1 in
// the environment forces the portable path. Tests switch paths with
// ScopedCpuPath to run every vector through both.
#pragma once

namespace gostcrypto::detail {

enum class CpuPath { kPortable, kAvx512 };

CpuPath ActiveCpuPath();
const char* CpuPathName(CpuPath path);
bool CpuSupportsAvx512Vbmi();

// For tests and benchmarks: runs with `path` until destroyed (if the CPU has it;
// otherwise the portable path stays). Not for concurrent use with other paths.
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
