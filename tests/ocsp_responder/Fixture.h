// One PKI for every case of the program (made once: key generation and signing
// take a while under the sanitizers), its store in a private temporary folder,
// and the configuration sandbox that keeps the audit log there too.
#pragma once

#include <filesystem>
#include <memory>

#include <gtest/gtest.h>

#include "LoopbackPki.h"
#include "kernel/GetKernelInstance.h"
#include "support/ConfigSandbox.h"

namespace tavrpki::test {

class ResponderPkiTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    s_sandbox = std::make_unique<ConfigSandbox>();
    s_pki = std::make_unique<servers::LoopbackPki>(Kernel::GetKernelInstance());
  }
  static void TearDownTestSuite() {
    s_pki.reset();
    s_sandbox.reset();
  }

  // A fresh store holding the PKI, in the sandbox's folder.
  std::unique_ptr<SqliteCertStore> MakeStore(const char* name) const {
    const std::string path = (s_sandbox->Root() / name).string();
    std::filesystem::remove(path);
    auto store = std::make_unique<SqliteCertStore>(path);
    s_pki->AddTo(*store);
    return store;
  }

  static const servers::LoopbackPki& Pki() { return *s_pki; }

  static inline std::unique_ptr<ConfigSandbox> s_sandbox;
  static inline std::unique_ptr<servers::LoopbackPki> s_pki;
};

}  // namespace tavrpki::test
