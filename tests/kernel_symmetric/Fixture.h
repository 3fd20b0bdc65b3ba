// Kernels for the symmetric tests: logging off, configuration in a private sandbox.
#pragma once

#include <gtest/gtest.h>

#include <functional>

#include "core/Exception.h"
#include "kernel/CKernel.h"
#include "kernel/CKernelException.h"
#include "kernel/ConfigSandbox.h"

namespace tavrpki::test {

class KernelTest : public ::testing::Test {
 protected:
  KernelTest() { m_sandbox.WriteUser("\"UseLog\"=dword:00000000"); }

  ConfigSandbox m_sandbox;
};

// The code of the CKernelException that `call` throws, or 0.
inline unsigned long CodeOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const Kernel::CKernelException& e) {
    return e.GetErrorCode();
  }
  return 0;
}

}  // namespace tavrpki::test
