// Kernels for the symmetric tests: logging off, configuration in a private sandbox.
#pragma once

#include <gtest/gtest.h>

#include "kernel/CKernel.h"
#include "support/CodeOf.h"
#include "support/ConfigSandbox.h"
#include "support/VectorFile.h"

namespace tavrpki::test {

using Bytes = std::vector<std::uint8_t>;

class KernelTest : public ::testing::Test {
 protected:
  KernelTest() { m_sandbox.WriteUser("\"UseLog\"=dword:00000000"); }

  ConfigSandbox m_sandbox;
};

inline Bytes Draw(const Kernel::CKernel& kernel, std::size_t n) {
  Bytes out(n);
  kernel.GenerateRandom(static_cast<unsigned long>(n), out.data());
  return out;
}

}  // namespace tavrpki::test
