// Kernels for the symmetric tests: logging off, configuration in a private sandbox.
#pragma once

#include <gtest/gtest.h>

#include "core/Exception.h"
#include "kernel/CKernel.h"
#include "kernel/CKernelException.h"
#include "kernel/ConfigSandbox.h"
#include "support/CodeOf.h"

namespace tavrpki::test {

class KernelTest : public ::testing::Test {
 protected:
  KernelTest() { m_sandbox.WriteUser("\"UseLog\"=dword:00000000"); }

  ConfigSandbox m_sandbox;
};

}  // namespace tavrpki::test
