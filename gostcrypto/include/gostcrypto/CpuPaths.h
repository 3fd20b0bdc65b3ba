// The implementation paths this process runs, by name, for reports and benchmarks:
// the GOST 28147-89 / 34.311-95 bulk kernels ("portable", "avx2", "avx512") and the
// binary-field multiplication of DSTU 4145 ("portable", "pclmul"). Each is chosen
// once per process from the CPU and the environment (TAVRPKI_FORCE_PORTABLE,
// TAVRPKI_CPU_PATH).
#pragma once

namespace gostcrypto {

const char* GostCpuPathName();
const char* FieldCpuPathName();

}  // namespace gostcrypto
