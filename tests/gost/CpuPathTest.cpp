// The environment's choice of CPU path. ctest runs this once more with
// TAVRPKI_CPU_PATH=avx2 (tests/gost/CMakeLists.txt): the path is chosen once per
// process, so only a fresh process can show it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "GostTestSupport.h"

namespace tavrpki::test {
namespace {

using namespace gostcrypto::detail;

TEST(CpuPathFromEnvironment, IsTheNamedPathOrTheBestOneBelowIt) {
  const char* name = std::getenv("TAVRPKI_CPU_PATH");
  if (name == nullptr) GTEST_SKIP() << "TAVRPKI_CPU_PATH is not set";
  const char* force = std::getenv("TAVRPKI_FORCE_PORTABLE");
  CpuPath expected = Supported(CpuPath::kAvx512);  // an unknown name changes nothing
  for (CpuPath path : {CpuPath::kPortable, CpuPath::kAvx2, CpuPath::kAvx512})
    if (std::strcmp(name, CpuPathName(path)) == 0) expected = Supported(path);
  if (force != nullptr && std::strcmp(force, "1") == 0) expected = CpuPath::kPortable;
  EXPECT_STREQ(CpuPathName(ActiveCpuPath()), CpuPathName(expected));
}

TEST(CpuPathFromEnvironment, ScopedPathFallsBackToWhatTheCpuHas) {
  for (CpuPath path : {CpuPath::kPortable, CpuPath::kAvx2, CpuPath::kAvx512}) {
    ScopedCpuPath scoped(path);
    EXPECT_STREQ(CpuPathName(ActiveCpuPath()), CpuPathName(Supported(path)));
  }
  EXPECT_TRUE(!CpuSupportsAvx2() || Supported(CpuPath::kAvx2) == CpuPath::kAvx2);
}

}  // namespace
}  // namespace tavrpki::test
