// Which code paths the core runs on this machine: one probe of the CPU, one reading
// of the environment, for both families of kernels.
//
//   binary fields (DSTU 4145):  512-bit carry-less multiplication for batches of
//                               eight (vpclmul: AVX-512F + VPCLMULQDQ, pclmul for
//                               single products), pclmul, or portable;
//   GOST 28147-89 / 34.311-95:  AVX-512 VBMI, else AVX2, else portable.
//
// Each is the best the CPU offers (and this build has kernels for), decided once per
// process on first use. The environment can lower it:
//   TAVRPKI_FORCE_PORTABLE=1                  both families portable; wins over
//                                             everything else;
//   TAVRPKI_CPU_PATH=portable|avx2|avx512     the cipher kernels take that path, or
//                                             the best one below it that the CPU
//                                             has (to measure a slower path on a
//                                             faster machine); an unknown name is
//                                             ignored, as this runs inside the
//                                             library.
//   TAVRPKI_CPU_PATH=pclmul|portable          the same for the field kernels
//                                             ("portable" lowers both families).
// Paths are chosen from the machine and the environment only, never from data.
#pragma once

namespace gostcrypto {

enum class FieldPath { kPortable, kClmul, kVpclmul };
enum class CipherPath { kPortable, kAvx2, kAvx512 };

// What the CPU offers, limited to the kernels this build contains.
struct CpuFeatures {
  bool clmul = false;
  bool vpclmul = false;  // VPCLMULQDQ with AVX-512 F
  bool avx2 = false;
  bool avx512vbmi = false;  // with AVX-512 F, BW and VL
};
const CpuFeatures& DetectedCpu();

// The path each family takes in this process.
FieldPath ActiveFieldPath();
CipherPath ActiveCipherPath();

// True when the CPU can run `path` (kPortable always can; kVpclmul needs pclmul too).
bool Supported(FieldPath path);
// `path` if the CPU has it, else the best path below it that it has.
CipherPath Supported(CipherPath path);

// "vpclmul" / "pclmul" / "portable"; "avx512" / "avx2" / "portable".
const char* PathName(FieldPath path);
const char* PathName(CipherPath path);

// The names of the paths taken, for reports (`tavrpki speed`, benchmark labels).
struct ActivePathNames {
  const char* field;
  const char* cipher;
};
ActivePathNames ActiveCpuPathNames();

// For tests and benchmarks: the cipher kernels run with Supported(path) until this
// is destroyed. Not for concurrent use with other paths.
class ScopedCpuPath {
 public:
  explicit ScopedCpuPath(CipherPath path);
  ~ScopedCpuPath();
  ScopedCpuPath(const ScopedCpuPath&) = delete;
  ScopedCpuPath& operator=(const ScopedCpuPath&) = delete;

 private:
  CipherPath m_previous;
};

}  // namespace gostcrypto
