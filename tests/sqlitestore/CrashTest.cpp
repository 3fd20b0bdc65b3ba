// A process killed while it writes leaves the store consistent: every change is
// one transaction, so after each kill the file passes SQLite's integrity check,
// every row's indexed columns agree with its DER, and the store opens and takes
// new items.
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <tavrpki/SqliteCertStore.h>

#include "StoreSupport.h"
#include "storage/sqlite/DerFields.h"
#include "support/VectorFile.h"

namespace tavrpki::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

void CheckConsistent(const std::string& path, std::size_t& rows) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  sqlite3_stmt* check = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &check, nullptr), SQLITE_OK);
  ASSERT_EQ(sqlite3_step(check), SQLITE_ROW);
  EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(check, 0)), "ok");
  sqlite3_finalize(check);
  sqlite3_stmt* select = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT der, serial, subject, issuer FROM items", -1, &select, nullptr), SQLITE_OK);
  rows = 0;
  while (sqlite3_step(select) == SQLITE_ROW) {
    ++rows;
    auto column = [&](int i) {
      const auto* p = static_cast<const std::uint8_t*>(sqlite3_column_blob(select, i));
      return Bytes(p, p + sqlite3_column_bytes(select, i));
    };
    const auto fields = sqlitestore::ReadItemFields(column(0));
    EXPECT_EQ(column(1), fields.serial);
    EXPECT_EQ(column(2), fields.subject);
    EXPECT_EQ(column(3), fields.issuer);
  }
  sqlite3_finalize(select);
  sqlite3_close(db);
}

TEST(StoreCrash, KilledWriterLeavesAConsistentStore) {
  TempDir dir;
  const std::string path = dir.File("store.db");
  const Bytes der = ReadFileBytes(DataPath("real/test-pki/userfiz.cer"));
  const std::size_t serialEnd = SerialEnd(der);
  { SqliteCertStore store(path); }
  std::size_t before = 0;
  for (int round = 0; round < 6; ++round) {
    int started[2];
    ASSERT_EQ(pipe(started), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      close(started[0]);
      try {
        SqliteCertStore store(path);
        for (std::uint32_t n = 0;; ++n) {
          store.Add(Variant(der, serialEnd, static_cast<std::uint32_t>(round) << 24 | n));
          if (n == 0 && write(started[1], "s", 1) != 1) break;
        }
      } catch (...) {
      }
      _exit(3);
    }
    close(started[1]);
    // Killed at a different point of its work each round, after its first change.
    char signal = 0;
    ASSERT_EQ(read(started[0], &signal, 1), 1) << "the writer failed before its first change";
    close(started[0]);
    std::this_thread::sleep_for(std::chrono::milliseconds(3 + 7 * round));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped on its own (exit " << WEXITSTATUS(status) << ")";
    std::size_t rows = 0;
    CheckConsistent(path, rows);
    EXPECT_GT(rows, before) << "round " << round << " wrote nothing before the kill";
    before = rows;
  }
  SqliteCertStore store(path);
  EXPECT_EQ(store.GetCertificateCount(), before);
  EXPECT_TRUE(store.Add(Variant(der, serialEnd, 0xFFFFFFFFu)).added);
}

}  // namespace
}  // namespace tavrpki::test
