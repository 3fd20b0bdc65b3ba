// The library's own object identifiers: unusable before the first kernel, formed
// from "RootOID" and rebuilt by every GetKernelInstance().
#include <gtest/gtest.h>

#include <cstdlib>

#include "support/CodeOf.h"
#include "support/ConfigSandbox.h"
#include "core/OidTable.h"
#include "kernel/GetKernelInstance.h"

namespace tavrpki {
namespace {

// Runs in a process of its own (death-test child), so no earlier test can have
// built the table.
TEST(OidTableDeathTest, GettersFailBeforeTheFirstKernel) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(std::exit(test::CodeOf(GetOidRoot1) == 160000 && test::CodeOf(GetOidRoot9) == 160000 ? 0 : 1),
              ::testing::ExitedWithCode(0), "");
}

TEST(OidTable, EveryKernelInstanceRebuildsItFromTheRoot) {
  test::ConfigSandbox sandbox;
  sandbox.WriteSystem("\"RootOID\"=\"1.2.3.4\"");
  { const Kernel::CKernel kernel = GetKernelInstance(); }
  EXPECT_EQ(GetOidRoot1(), "1.2.3.4.1");

  // The root is read when an instance is made, not when an identifier is asked for.
  sandbox.WriteSystem("\"RootOID\"=\"1.2.840.5\"");
  EXPECT_EQ(GetOidRoot9(), "1.2.3.4.9");
  { const Kernel::CKernel kernel = Kernel::GetKernelInstance(); }
  EXPECT_EQ(GetOidRoot2(), "1.2.840.5.2");
}

}  // namespace
}  // namespace tavrpki
