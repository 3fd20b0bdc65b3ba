// The kernel context: what copies share and what they never share, the
// certificate storage pointer, the generator state across copies, and the
// logging switch read from both configuration hives.
#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <memory>
#include <string>

#include "support/ConfigSandbox.h"
#include "support/CodeOf.h"
#include "support/LogCheck.h"
#include "core/Logger.h"
#include "gostcrypto/RndEngine.h"
#include "kernel/CKernel.h"
#include "kernel/CKernelHandleWrapper.h"
#include "kernel/CProvider.h"
#include "platform/Process.h"

namespace tavrpki {
namespace {

using Kernel::CKernel;
using test::ConfigSandbox;

CProvider& ProviderOf(const CKernel& kernel) { return *static_cast<CProvider*>(kernel.GetProvider()); }

void SeedFixed(CKernel& kernel, unsigned char tweak) {
  const std::array<unsigned char, 32> key{tweak};
  const std::array<unsigned char, 8> seed{0, 0, 0, 0, 0, 0, 0, tweak};
  ProviderOf(kernel).WithGenerator([&](std::unique_ptr<gostcrypto::RndEngine>& slot) {
    slot = std::make_unique<gostcrypto::RndEngine>(nullptr, key.data(), seed.data(), nullptr);
  });
}

bool HasGenerator(const CKernel& kernel) {
  return ProviderOf(kernel).WithGenerator([](auto& slot) { return slot != nullptr; });
}

std::array<unsigned char, 48> Draw(const CKernel& kernel) {
  std::array<unsigned char, 48> out{};
  ProviderOf(kernel).WithGenerator([&](auto& slot) {
    for (unsigned char& byte : out) byte = slot->GenerateByte();
  });
  return out;
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
  int storage = 0, otherStorage = 0;
  CKernel kernel, unseeded(kernel), assigned;
  EXPECT_FALSE(HasGenerator(unseeded));
  kernel.SetCertStorage(&storage);
  SeedFixed(kernel, 1);
  Draw(kernel);  // a copy takes the state as it is now, not as it was seeded
  SeedFixed(assigned, 2);
  const void* assignedProvider = assigned.GetProvider();
  assigned = kernel;
  EXPECT_EQ(assigned.GetProvider(), assignedProvider);
  CKernel copy(kernel);
  Handle handle(kernel), handleCopy(handle);

  const CKernel* kernels[] = {&kernel, &copy, &assigned, &handle.Embedded(), &handleCopy.Embedded(), &unseeded};
  for (std::size_t i = 0; i < std::size(kernels); ++i) {
    for (std::size_t j = i + 1; j < std::size(kernels); ++j)
      EXPECT_NE(kernels[i]->GetProvider(), kernels[j]->GetProvider()) << i << " " << j;
    EXPECT_TRUE(i == 5 || kernels[i]->GetCertStorage() == &storage) << i;
  }
  EXPECT_NE(handle.GetKernel().GetProvider(), handle.Embedded().GetProvider());

  const auto expected = Draw(kernel);
  for (std::size_t i = 1; i < 5; ++i) EXPECT_EQ(Draw(*kernels[i]), expected) << i;
  EXPECT_EQ(Draw(copy), Draw(assigned));  // separate states from here on

  copy.SetCertStorage(&otherStorage);
  handle.SetKernel(copy);
  EXPECT_EQ(handle.Embedded().GetCertStorage(), &otherStorage);
  EXPECT_EQ(kernel.GetCertStorage(), &storage);
  assigned = unseeded;  // takes the source's missing generator too
  EXPECT_FALSE(HasGenerator(assigned));
  copy = copy;
  EXPECT_TRUE(HasGenerator(copy));

  EXPECT_EQ(test::CodeOf([&] { kernel.SetCertStorage(nullptr); }), 100021u);
  EXPECT_EQ(kernel.GetCertStorage(), &storage);
}

std::string KernelLogName() { return test::MonthLogName("ukvt_" + std::to_string(GetCurrentProcessId()) + "_"); }

TEST(KernelContext, LogsWhereTheConfigurationSays) {
  const struct {
    const char *what, *user, *system;  // .reg lines of each hive; "" for no hive file
    bool useLog;
    const char* logDirectory;  // below the sandbox root; "" for the default
  } kCases[] = {
      {"nothing configured", "", "", true, ""},
      {"switched off", "\"UseLog\"=dword:00000000", "\"UseLog\"=dword:00000001", false, ""},
      {"own directory", "\"APILogFile\"=\"@root/user-logs\"", "\"APILogFile\"=\"@root/machine-logs\"", true,
       "user-logs"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    ConfigSandbox sandbox;
    auto expand = [&](std::string lines) {
      for (std::size_t at; (at = lines.find("@root")) != std::string::npos;) lines.replace(at, 5, sandbox.Root().string());
      return lines;
    };
    if (*c.user) sandbox.WriteUser(expand(c.user));
    if (*c.system) sandbox.WriteSystem(expand(c.system));
    {
      CKernel kernel;
      EXPECT_EQ(kernel.GetUseLog(), c.useLog);
      EXPECT_EQ(ProcessLogger().IsOpen(), c.useLog);
    }
    EXPECT_FALSE(ProcessLogger().IsOpen());  // the last kernel that logged closed the file
    const auto files =
        sandbox.Files(*c.logDirectory ? sandbox.Root() / c.logDirectory : sandbox.DefaultLogDirectory());
    ASSERT_EQ(files.size(), c.useLog ? 1u : 0u);
    if (c.useLog) {
      EXPECT_EQ(files[0].filename().string(), KernelLogName());
      EXPECT_EQ(ConfigSandbox::ReadFile(files[0]), "00000000") << "an empty log closes with the CRC of nothing";
    }
  }
}

TEST(KernelContext, ALogThatCannotBeOpenedLeavesLoggingOff) {
  ConfigSandbox sandbox;
  std::filesystem::create_directories(sandbox.DefaultLogDirectory());
  { std::ofstream(sandbox.DefaultLogDirectory() / KernelLogName(), std::ios::binary) << "ABCDEFG"; }
  CKernel kernel;
  EXPECT_FALSE(kernel.GetUseLog());
  EXPECT_FALSE(ProcessLogger().IsOpen());

  // A kernel that does not log leaves alone a log that something else opened.
  sandbox.WriteUser("\"UseLog\"=dword:00000000");
  ProcessLogger().Open((sandbox.Root() / "elsewhere").string(), "other_");
  { CKernel notLogging(kernel); }
  EXPECT_TRUE(ProcessLogger().IsOpen());
}

}  // namespace
}  // namespace tavrpki
