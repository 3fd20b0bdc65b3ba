// Loading the key storage manager plugin through the real dynamic loader: the
// configuration value, both exports, the codes and the audit line that carries
// the loader's own words.
#include <gtest/gtest.h>

#include <fstream>
#include <stdexcept>
#include <string>

#include "../kernel/ConfigSandbox.h"
#include "core/Exception.h"
#include "core/Logger.h"
#include "kernel/CKernel.h"
#include "kernel/CProvider.h"
#include "keystore/CKeyStorageWrapper.h"
#include "platform/SharedLibrary.h"
#include "support/CodeOf.h"

namespace tavrpki {
namespace {

using test::ConfigSandbox;

using test::CodeOf;

std::string PathValue(const std::string& path) { return "\"KeyStorageManager\"=\"" + path + "\""; }

// The live-manager count kept by the recording plugin.
int LiveManagers() {
  platform::SharedLibrary plugin;
  EXPECT_TRUE(plugin.Load(TAVRPKI_RECORDING_PLUGIN)) << plugin.LastError();
  auto* count = reinterpret_cast<int (*)()>(plugin.Symbol("TestLiveManagers"));
  return count != nullptr ? count() : -1;
}

struct LoadFailureCase {
  const char* name;
  const char* systemHive;  // nullptr: no hive file at all
  unsigned long reloadCode;
  const char* logFragment;  // what the audit line must name
};

class KeyStorageLoadFailure : public ::testing::TestWithParam<LoadFailureCase> {};

TEST_P(KeyStorageLoadFailure, IsKeptUntilAskedAndLoggedWhenReported) {
  const LoadFailureCase& c = GetParam();
  ConfigSandbox sandbox;
  const std::string notLibrary = (sandbox.Root() / "notes.so").string();
  { std::ofstream(notLibrary) << "not an ELF file\n"; }
  if (c.systemHive != nullptr) {
    std::string hive = c.systemHive;
    if (hive == "@notLibrary") hive = PathValue(notLibrary);
    sandbox.WriteSystem(hive);
  }

  CKeyStorageWrapper wrapper;  // construction never throws
  EXPECT_FALSE(wrapper.IsLoaded());

  const auto logDirectory = sandbox.Root() / "log";
  ProcessLogger().Open(logDirectory.string(), "keystore_");
  EXPECT_EQ(CodeOf([&] { wrapper.Reload(); }), c.reloadCode);
  EXPECT_FALSE(wrapper.IsLoaded());
  EXPECT_EQ(CodeOf([&] { wrapper.Manager(); }), 30002u);
  ProcessLogger().Close();

  // One error line for each failure reported, both naming the cause.
  const auto files = sandbox.Files(logDirectory);
  ASSERT_EQ(files.size(), 1u);
  const std::string log = ConfigSandbox::ReadFile(files[0]);
  std::size_t lines = 0;
  for (std::size_t at = 0; (at = log.find("[err] ", at)) != std::string::npos; ++at) {
    const std::string line = log.substr(at, log.find("\r\n", at) - at);
    EXPECT_NE(line.find(c.logFragment), std::string::npos) << line;
    ++lines;
  }
  EXPECT_EQ(lines, 2u) << log;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KeyStorageLoadFailure,
    ::testing::Values(
        LoadFailureCase{"NoHiveFile", nullptr, 150000, "SOFTWARE\\TAVR_PKI"},
        LoadFailureCase{"NoValue", "\"UseLog\"=dword:00000000", 150001, "KeyStorageManager"},
        LoadFailureCase{"ValueNotText", "\"KeyStorageManager\"=dword:00000001", 150002,
                        "KeyStorageManager"},
        LoadFailureCase{"NoSuchFile", "\"KeyStorageManager\"=\"/nonexistent/libnothing.so\"", 30003,
                        "libnothing.so: cannot open shared object file"},
        LoadFailureCase{"NotALibrary", "@notLibrary", 30003, "notes.so"},
        LoadFailureCase{"NoExports", "\"KeyStorageManager\"=\"" TAVRPKI_NO_EXPORTS_PLUGIN "\"", 30001,
                        "CreateKeyStorageManager"},
        LoadFailureCase{"NoDestroyExport", "\"KeyStorageManager\"=\"" TAVRPKI_CREATE_ONLY_PLUGIN "\"",
                        30001, "DestroyKeyStorageManager"},
        LoadFailureCase{"NoManagerMade", "\"KeyStorageManager\"=\"" TAVRPKI_NULL_MANAGER_PLUGIN "\"",
                        30001, "made no manager"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(KeyStorageWrapper, EveryManagerItCreatesGoesBackToItsLibrary) {
  ConfigSandbox sandbox;
  sandbox.WriteSystem(PathValue(TAVRPKI_RECORDING_PLUGIN));
  {
    CKeyStorageWrapper first;
    ASSERT_TRUE(first.IsLoaded());
    {
      CKeyStorageWrapper second;
      EXPECT_EQ(LiveManagers(), 2);
      first.Reload();
      EXPECT_EQ(LiveManagers(), 2);
    }
    EXPECT_EQ(LiveManagers(), 1);

    // The path is read again on reload; a broken library leaves nothing behind.
    sandbox.WriteSystem(PathValue(TAVRPKI_NO_EXPORTS_PLUGIN));
    EXPECT_EQ(CodeOf([&] { first.Reload(); }), 30001u);
    EXPECT_EQ(LiveManagers(), 0);
    EXPECT_EQ(CodeOf([&] { first.Manager(); }), 30002u);
  }
  EXPECT_EQ(LiveManagers(), 0);
}

TEST(KeyStorageWrapper, ManagerFailuresReachTheCallerUnchanged) {
  ConfigSandbox sandbox;
  sandbox.WriteSystem(PathValue(TAVRPKI_RECORDING_PLUGIN));
  CKeyStorageWrapper wrapper;
  KeyStorageManager& manager = wrapper.Manager();
  EXPECT_THROW(manager.LoadStorage("missing"), std::runtime_error);

  manager.SaveKey("alice", "secret", nullptr, 0, 0);
  EXPECT_NE(manager.KeyExists("alice", 0), 0);
  EXPECT_EQ(manager.KeyExists("bob", 0), 0);
}

TEST(KeyStorageWrapper, EveryKernelAndEveryCopyHasAManagerOfItsOwn) {
  ConfigSandbox sandbox;
  sandbox.WriteSystem(PathValue(TAVRPKI_RECORDING_PLUGIN));
  {
    Kernel::CKernel kernel;
    auto* provider = static_cast<CProvider*>(kernel.GetProvider());
    provider->KeyStorage().Manager().SaveKey("alice", "secret", nullptr, 0, 0);

    Kernel::CKernel copy(kernel);
    EXPECT_EQ(LiveManagers(), 2);
    auto* copyProvider = static_cast<CProvider*>(copy.GetProvider());
    EXPECT_EQ(copyProvider->KeyStorage().Manager().KeyExists("alice", 0), 0);

    // Assignment leaves the target's key storage link as it was.
    copy = kernel;
    EXPECT_EQ(copy.GetProvider(), copyProvider);
    EXPECT_EQ(LiveManagers(), 2);
  }
  EXPECT_EQ(LiveManagers(), 0);
}

}  // namespace
}  // namespace tavrpki
