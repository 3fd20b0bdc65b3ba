// The kernel context: what copies share and what they never share, the
// certificate storage pointer, the generator state across copies, and the
// logging switch read from both configuration hives.
#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <memory>
#include <string>

#include "support/ConfigSandbox.h"
#include "support/LogCheck.h"
#include "core/Cp1251.h"
#include "core/Logger.h"
#include "gostcrypto/RndEngine.h"
#include "kernel/CKernel.h"
#include "kernel/CKernelException.h"
#include "kernel/CKernelHandleWrapper.h"
#include "kernel/CProvider.h"
#include "platform/Process.h"

namespace tavrpki {
namespace {

using Kernel::CKernel;
using test::ConfigSandbox;

CProvider& ProviderOf(const CKernel& kernel) { return *static_cast<CProvider*>(kernel.GetProvider()); }

// Seeds the kernel's generator from fixed material, as the four-input seeding does.
void SeedFixed(CKernel& kernel, unsigned char tweak) {
  std::array<unsigned char, 32> key{};
  std::array<unsigned char, 8> seed{};
  key[0] = tweak;
  seed[7] = tweak;
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

// A handle class of the simplest kind, to exercise the common base.
class Handle : public Kernel::CKernelHandleWrapper {
 public:
  explicit Handle(const CKernel& kernel) : CKernelHandleWrapper(kernel) {}
  void* GetHandle() const override { return nullptr; }
  void SetHandle(void* const) override {}
  const CKernel& Embedded() const { return m_kernel; }
};

TEST(KernelContext, CopiesAndHandlesNeverShareAProvider) {
  ConfigSandbox sandbox;
  CKernel kernel;
  CKernel copy(kernel);
  CKernel other;
  Handle handle(kernel);
  Handle handleCopy(handle);
  const void* providers[] = {kernel.GetProvider(), copy.GetProvider(), other.GetProvider(),
                             handle.Embedded().GetProvider(), handleCopy.Embedded().GetProvider(),
                             handle.GetKernel().GetProvider()};
  for (std::size_t i = 0; i < std::size(providers); ++i)
    for (std::size_t j = i + 1; j < std::size(providers); ++j) EXPECT_NE(providers[i], providers[j]) << i << " " << j;

  // Assignment keeps the target's own provider.
  const void* before = other.GetProvider();
  other = kernel;
  EXPECT_EQ(other.GetProvider(), before);
  handleCopy = handle;
  handle.SetKernel(other);
  EXPECT_EQ(handleCopy.Embedded().GetProvider(), providers[4]);
}

TEST(KernelContext, CertificateStorageTravelsWithEveryCopy) {
  ConfigSandbox sandbox;
  int storage = 0;
  int otherStorage = 0;
  CKernel kernel;
  EXPECT_EQ(kernel.GetCertStorage(), nullptr);
  kernel.SetCertStorage(&storage);

  CKernel copy(kernel);
  CKernel assigned;
  assigned = kernel;
  Handle handle(kernel);
  for (const CKernel* k : std::initializer_list<const CKernel*>{&kernel, &copy, &assigned, &handle.Embedded()}) EXPECT_EQ(k->GetCertStorage(), &storage);
  EXPECT_EQ(handle.GetKernel().GetCertStorage(), &storage);

  copy.SetCertStorage(&otherStorage);
  handle.SetKernel(copy);
  EXPECT_EQ(handle.Embedded().GetCertStorage(), &otherStorage);
  EXPECT_EQ(kernel.GetCertStorage(), &storage);

  // A null storage is refused and changes nothing.
  try {
    kernel.SetCertStorage(nullptr);
    ADD_FAILURE() << "no exception";
  } catch (const Kernel::CKernelException& error) {
    EXPECT_EQ(error.GetErrorCode(), 100021u);
    EXPECT_STREQ(error.GetErrorMessage(), Cp1251<"Вказано не вірне значення параметру.">);
  }
  EXPECT_EQ(kernel.GetCertStorage(), &storage);
}

TEST(KernelContext, CopiesContinueTheGeneratorSequenceOfTheirSource) {
  ConfigSandbox sandbox;
  CKernel kernel;
  CKernel copiedBefore(kernel);
  EXPECT_FALSE(HasGenerator(copiedBefore));

  SeedFixed(kernel, 1);
  Draw(kernel);  // the copy must take the state as it is now, not as it was seeded
  CKernel copy(kernel);
  Handle handle(kernel);
  CKernel assigned;
  SeedFixed(assigned, 2);
  assigned = kernel;

  const auto expected = Draw(kernel);
  EXPECT_EQ(Draw(copy), expected);
  EXPECT_EQ(Draw(handle.Embedded()), expected);
  EXPECT_EQ(Draw(assigned), expected);
  // Separate states from here on: drawing from one does not move the other.
  EXPECT_EQ(Draw(copy), Draw(assigned));

  // Assigning a kernel without a generator removes the target's; so does self-assignment not.
  assigned = copiedBefore;
  EXPECT_FALSE(HasGenerator(assigned));
  copy = copy;
  EXPECT_TRUE(HasGenerator(copy));
}

// ---- The logging switch ----

// The log a kernel of this process opens this month.
std::string KernelLogName() {
  return test::MonthLogName("ukvt_" + std::to_string(GetCurrentProcessId()) + "_");
}

// Whether and where a kernel logs; which hive wins is the settings' own concern.
TEST(KernelContext, LogsWhereTheConfigurationSays) {
  const struct {
    const char* what;
    const char* user;    // .reg lines of HKEY_CURRENT_USER; "" for no hive file
    const char* system;  // the same for HKEY_LOCAL_MACHINE
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
      for (std::size_t at; (at = lines.find("@root")) != std::string::npos;)
        lines.replace(at, 5, sandbox.Root().string());
      return lines;
    };
    if (*c.user) sandbox.WriteUser(expand(c.user));
    if (*c.system) sandbox.WriteSystem(expand(c.system));
    {
      CKernel kernel;
      EXPECT_EQ(kernel.GetUseLog(), c.useLog);
      EXPECT_EQ(ProcessLogger().IsOpen(), c.useLog);
    }
    // The last kernel that logged closed the file, leaving its trailer.
    EXPECT_FALSE(ProcessLogger().IsOpen());
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
