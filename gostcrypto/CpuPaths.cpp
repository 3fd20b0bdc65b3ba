#include "gostcrypto/CpuPaths.h"

#include "gf2m/CpuPath.h"
#include "gost/CpuPath.h"

namespace gostcrypto {

const char* GostCpuPathName() { return detail::CpuPathName(detail::ActiveCpuPath()); }

const char* FieldCpuPathName() { return gf2m::PathName(gf2m::BestPath()); }

}  // namespace gostcrypto
