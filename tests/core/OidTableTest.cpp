#include <gtest/gtest.h>

#include <string>

#include "core/OidTable.h"
#include "support/ConfigSandbox.h"

namespace {

// The root comes from the machine's hive only (the user's is never asked); a value
// of the wrong type, or no hive, gives the empty default.
TEST(OidTable, FormedFromTheConfiguredRoot) {
  const std::pair<const char*, std::string> kCases[] = {
      {"\"RootOID\"=\"1.2.804.2.1.1.1.1\"", "1.2.804.2.1.1.1.1"}, {"\"RootOID\"=dword:1", ""}, {"", ""}};
  for (const auto& [hive, root] : kCases) {
    SCOPED_TRACE(hive);
    tavrpki::test::ConfigSandbox env;
    if (*hive) env.WriteSystem(hive);
    env.WriteUser("\"RootOID\"=\"9.9\"");
    tavrpki::BuildOidTable();
    EXPECT_EQ(tavrpki::GetOidRoot(), root);
    const std::string formed[] = {tavrpki::GetOidRoot1(), tavrpki::GetOidRoot2(), tavrpki::GetOidRoot3(),
                                  tavrpki::GetOidRoot4(), tavrpki::GetOidRoot5(), tavrpki::GetOidRoot6(),
                                  tavrpki::GetOidRoot8(), tavrpki::GetOidRoot9()};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(formed[i], root + "." + "12345689"[i]);
  }
}

}  // namespace
