// The kernel context: what copies share and what they never share, the
// certificate storage pointer, the generator state across copies, and the
// logging switch read from both configuration hives.
#include <gtest/gtest.h>

#include <vector>
#include <fstream>
#include <memory>
#include <string>

#include "support/ConfigSandbox.h"
#include "support/CodeOf.h"
#include "support/LogCheck.h"
#include "support/VectorFile.h"
#include "core/Logger.h"
#include "gostcrypto/RndEngine.h"
#include "kernel/CKernelHandleWrapper.h"
#include "kernel/HandleCast.h"
#include "platform/Process.h"

namespace tavrpki {
namespace {

using Kernel::CKernel;
using test::ConfigSandbox;

using Kernel::ProviderOf;

void SeedFixed(CKernel& kernel, unsigned char tweak) {
  const unsigned char key[32] = {tweak}, seed[8] = {tweak};
  ProviderOf(kernel).WithGenerator([&](std::unique_ptr<gostcrypto::RndEngine>& slot) {
    slot = std::make_unique<gostcrypto::RndEngine>(nullptr, key, seed, nullptr);
  });
}

// 48 bytes from the kernel's generator; none when it has none.
std::vector<unsigned char> Draw(const CKernel& kernel) {
  return ProviderOf(kernel).WithGenerator([](auto& slot) {
    std::vector<unsigned char> out(slot ? 48 : 0);
    for (unsigned char& byte : out) byte = slot->GenerateByte();
    return out;
  });
}

class Handle : public Kernel::CKernelHandleWrapper {
 public:
  using CKernelHandleWrapper::CKernelHandleWrapper;
  void* GetHandle() const override { return nullptr; }
  void SetHandle(void* const) override {}
  const CKernel& Embedded() const { return m_kernel; }
};

// Copies, assignments and handles: each has a provider of its own, yet carries the
// source's certificate storage and continues its generator sequence.
TEST(KernelContext, CopiesShareStorageAndGeneratorStateButNeverAProvider) {
  ConfigSandbox sandbox;
  int storage = 0;
  CKernel kernel, unseeded(kernel), assigned;
  EXPECT_TRUE(Draw(unseeded).empty());
  kernel.SetCertStorage(&storage);
  SeedFixed(kernel, 1);
  Draw(kernel);  // a copy takes the state as it is now, not as it was seeded
  SeedFixed(assigned, 2);
  assigned = kernel;
  CKernel copy(kernel);
  Handle handle(kernel), handleCopy(handle);

  const CKernel* kernels[] = {&kernel, &copy, &assigned, &handle.Embedded(), &handleCopy.Embedded(), &unseeded};
  for (std::size_t i = 0; i < std::size(kernels); ++i) {
    for (std::size_t j = i + 1; j < std::size(kernels); ++j)
      EXPECT_NE(kernels[i]->GetProvider(), kernels[j]->GetProvider()) << i << " " << j;
    EXPECT_TRUE(i == 5 || kernels[i]->GetCertStorage() == &storage) << i;
  }

  const auto expected = Draw(kernel);
  for (std::size_t i = 1; i < 5; ++i) EXPECT_EQ(Draw(*kernels[i]), expected) << i;
  EXPECT_EQ(Draw(copy), Draw(assigned));  // separate states from here on

  assigned = unseeded;  // takes the source's missing generator too
  EXPECT_TRUE(Draw(assigned).empty());
  copy = copy;
  EXPECT_FALSE(Draw(copy).empty());

  EXPECT_EQ(test::CodeOf([&] { kernel.SetCertStorage(nullptr); }), 100021u);
  EXPECT_EQ(kernel.GetCertStorage(), &storage);
}

std::string KernelLogName() { return test::MonthLogName("ukvt_" + std::to_string(GetCurrentProcessId()) + "_"); }

TEST(KernelContext, LogsWhereTheConfigurationSays) {
  for (const auto& v : test::ReadVectorFile("kernel-logs.vec")) {
    SCOPED_TRACE(v.Where());
    ConfigSandbox sandbox;
    auto expand = [&](const char* key) {
      std::string lines = v.Get(key);
      for (std::size_t at; (at = lines.find("@root")) != std::string::npos;)
        lines.replace(at, 5, sandbox.Root().string());
      return lines;
    };
    if (v.Has("user")) sandbox.WriteUser(expand("user"));
    if (v.Has("system")) sandbox.WriteSystem(expand("system"));
    std::filesystem::create_directories(sandbox.DefaultLogDirectory());
    if (v.Has("existing")) std::ofstream(sandbox.DefaultLogDirectory() / KernelLogName()) << v.Get("existing");
    const bool useLog = v.Get("use_log") == "1";
    EXPECT_EQ(CKernel().GetUseLog(), useLog);  // and the kernel closes its log as it goes
    const auto files =
        sandbox.Files(v.Has("directory") ? sandbox.Root() / v.Get("directory") : sandbox.DefaultLogDirectory());
    ASSERT_EQ(files.size(), useLog || v.Has("existing") ? 1u : 0u);
    if (useLog) {
      EXPECT_EQ(files[0].filename().string(), KernelLogName());
      // The last kernel that logged closed the file: an empty log ends in the CRC of nothing.
      EXPECT_EQ(ConfigSandbox::ReadFile(files[0]), "00000000");
    }
    v.ExpectAllUsed();
  }
}

TEST(KernelContext, AKernelThatDoesNotLogLeavesAloneALogOpenedElsewhere) {
  ConfigSandbox sandbox;
  sandbox.WriteUser("\"UseLog\"=dword:00000000");
  ProcessLogger().Open((sandbox.Root() / "elsewhere").string(), "other_");
  { CKernel notLogging; }
  EXPECT_TRUE(ProcessLogger().IsOpen());
}

}  // namespace
}  // namespace tavrpki
