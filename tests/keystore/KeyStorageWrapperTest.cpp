// Loading the key storage manager plugin through the real dynamic loader: the
// configuration value, both exports, the codes and the audit line that carries
// the loader's own words.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "RecordingPlugin.h"
#include "core/Logger.h"
#include "kernel/CKernel.h"
#include "kernel/HandleCast.h"
#include "keystore/CKeyStorageWrapper.h"
#include "platform/SharedLibrary.h"
#include "support/CodeOf.h"
#include "support/ConfigSandbox.h"
#include "support/VectorFile.h"

namespace tavrpki {
namespace {

using test::CodeOf;
using test::ConfigSandbox;
using test::LiveManagers;
using test::PathValue;



// A failed load is kept until asked for, and each report of it is one audit line.
TEST(KeyStorageWrapper, LoadFailuresAreKeptUntilAskedAndLogged) {
  for (const auto& v : test::ReadVectorFile("keystore-load-failures.vec")) {
    SCOPED_TRACE(v.Where());
    ConfigSandbox sandbox;
    std::string hive = v.Get("hive");
    for (const auto& [name, path] : {std::pair<std::string, std::string>{"$NOTES", test::DataPath("keystore-notes.so")},
                                     {"$NO_EXPORTS", TAVRPKI_NO_EXPORTS_PLUGIN},
                                     {"$CREATE_ONLY", TAVRPKI_CREATE_ONLY_PLUGIN},
                                     {"$NULL_MANAGER", TAVRPKI_NULL_MANAGER_PLUGIN}})
      if (const auto at = hive.find(name); at != std::string::npos) hive.replace(at, name.size(), path);
    if (hive != "none") sandbox.WriteSystem(hive);

    CKeyStorageWrapper asked, reloaded;  // construction never throws, nor loads
    ProcessLogger().Open((sandbox.Root() / "log").string(), "keystore_");
    EXPECT_EQ(CodeOf([&] { asked.Manager(); }), 30002u);  // the first use loads, and reports
    EXPECT_EQ(CodeOf([&] { reloaded.Reload(); }), std::stoul(v.Get("code")));
    EXPECT_EQ(CodeOf([&] { reloaded.Manager(); }), 30002u);  // nothing half-loaded is kept
    // A failed load is not tried again by later operations, as if the wrapper had
    // loaded when it was made.
    sandbox.WriteSystem(PathValue(TAVRPKI_RECORDING_PLUGIN));
    EXPECT_FALSE(asked.IsLoaded());
    EXPECT_EQ(CodeOf([&] { asked.Manager(); }), 30002u);
    ProcessLogger().Close();

    const auto files = sandbox.Files(sandbox.Root() / "log");
    ASSERT_EQ(files.size(), 1u);
    const std::string log = ConfigSandbox::ReadFile(files[0]);
    std::size_t lines = 0;
    for (std::size_t at = 0; (at = log.find("[err] ", at)) != std::string::npos; ++at, ++lines)
      EXPECT_NE(log.substr(at, log.find("\r\n", at) - at).find(v.Get("log")), std::string::npos) << log;
    EXPECT_EQ(lines, 4u) << log;
    v.ExpectAllUsed();
  }
}

// Every manager a wrapper or a kernel creates goes back to its library; a copied
// kernel gets a manager of its own, and assignment keeps the target's.
TEST(KeyStorageWrapper, EveryManagerGoesBackToItsLibrary) {
  ConfigSandbox sandbox;
  sandbox.WriteSystem(PathValue(TAVRPKI_RECORDING_PLUGIN));
  {
    Kernel::CKernel kernel;
    Kernel::CKernel copy(kernel);
    EXPECT_EQ(LiveManagers(), 0);  // nothing is loaded until a key storage operation asks
    auto* copyProvider = &Kernel::ProviderOf(copy);
    Kernel::ProviderOf(kernel).KeyStorage().Manager().SaveKey("alice", "", nullptr, 0, 0);
    EXPECT_EQ(copyProvider->KeyStorage().Manager().KeyExists("alice", 0), 0);
    copy = kernel;
    EXPECT_EQ(copy.GetProvider(), copyProvider);
    EXPECT_EQ(LiveManagers(), 2);
  }
  EXPECT_EQ(LiveManagers(), 0);

  CKeyStorageWrapper first;
  ASSERT_TRUE(first.IsLoaded());
  EXPECT_THROW(first.Manager().LoadStorage("missing"), std::runtime_error);  // passed on unchanged
  {
    CKeyStorageWrapper second;
    ASSERT_TRUE(second.IsLoaded());  // loads at the first question, not when made
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

}  // namespace
}  // namespace tavrpki
