#include <gtest/gtest.h>

#include <string>

#include "core/OidTable.h"
#include "support/ConfigSandbox.h"

namespace {

TEST(OidTable, FormedFromTheConfiguredRoot) {
  struct Case {
    const char* hive;  // HKEY_LOCAL_MACHINE lines
    std::string root;
  };
  const Case kCases[] = {
      {"\"RootOID\"=\"1.2.804.2.1.1.1.1\"", "1.2.804.2.1.1.1.1"},
      {"\"RootOID\"=dword:1", ""},  // wrong type: the empty default
      {"", ""},                     // no hive at all
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.hive);
    tavrpki::test::ConfigSandbox env;
    if (*c.hive) env.WriteSystem(c.hive);
    env.WriteUser("\"RootOID\"=\"9.9\"");  // the user's hive is never asked
    tavrpki::BuildOidTable();
    EXPECT_EQ(tavrpki::GetOidRoot(), c.root);
    const std::string formed[] = {tavrpki::GetOidRoot1(), tavrpki::GetOidRoot2(), tavrpki::GetOidRoot3(),
                                  tavrpki::GetOidRoot4(), tavrpki::GetOidRoot5(), tavrpki::GetOidRoot6(),
                                  tavrpki::GetOidRoot8(), tavrpki::GetOidRoot9()};
    const char* suffixes[] = {"1", "2", "3", "4", "5", "6", "8", "9"};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(formed[i], c.root + "." + suffixes[i]);
  }
}

}  // namespace
