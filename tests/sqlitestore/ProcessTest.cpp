// The store shared by processes: a writer locked out by another process's
// transaction fails within the wait and changes nothing; readers in other
// processes see a consistent, growing store while one process writes.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include <tavrpki/SqliteCertStore.h>

#include "StoreSupport.h"
#include "support/VectorFile.h"

namespace tavrpki::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

// Waits for one byte on `fd` for at most `seconds`.
bool ReadByte(int fd, int seconds) {
  pollfd p{fd, POLLIN, 0};
  char byte = 0;
  return poll(&p, 1, seconds * 1000) == 1 && read(fd, &byte, 1) == 1;
}

// Waits for the child for at most `seconds`, then kills it; its exit code, or -1.
int Reap(pid_t child, int seconds) {
  const auto deadline = Clock::now() + std::chrono::seconds(seconds);
  int status = 0;
  while (waitpid(child, &status, WNOHANG) == 0) {
    if (Clock::now() > deadline) {
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
      return -1;
    }
    usleep(10000);
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(StoreProcesses, WriterLockedOutFailsWithinTheWaitAndChangesNothing) {
  TempDir dir;
  const std::string path = dir.File("store.db");
  { SqliteCertStore(path).Add(ReadFileBytes(DataPath("real/test-pki/root.cer"))); }
  int locked[2], release[2];
  ASSERT_EQ(pipe(locked), 0);
  ASSERT_EQ(pipe(release), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Holds the write lock, with a change of its own, until told (or 30 s).
    sqlite3* db = nullptr;
    if (sqlite3_open(path.c_str(), &db) != SQLITE_OK ||
        sqlite3_exec(db, "BEGIN IMMEDIATE; UPDATE items SET trusted = 1", nullptr, nullptr, nullptr) != SQLITE_OK)
      _exit(3);
    if (write(locked[1], "l", 1) != 1) _exit(4);
    ReadByte(release[0], 30);
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    _exit(0);
  }
  close(locked[1]);
  close(release[0]);
  ASSERT_TRUE(ReadByte(locked[0], 10)) << "the locking process did not start";
  {
    SqliteCertStore store(path);
    EXPECT_EQ(store.IsTrusted(1), 0) << "readers go on, and see no uncommitted change";
    const auto start = Clock::now();
    EXPECT_EQ(CodeOf([&] { store.Add(ReadFileBytes(DataPath("real/test-pki/userur.cer"))); }), 31017u);
    const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    EXPECT_GE(waited, 4000) << "gave up before the wait";
    EXPECT_LE(waited, 15000) << "waited far beyond the bound";
  }
  ASSERT_EQ(write(release[1], "r", 1), 1);
  EXPECT_EQ(Reap(child, 10), 0);
  close(locked[0]);
  close(release[1]);
  SqliteCertStore store(path);
  EXPECT_EQ(store.GetCertificateCount(), 1u);
  EXPECT_EQ(store.IsTrusted(1), 0);
  EXPECT_TRUE(store.Add(ReadFileBytes(DataPath("real/test-pki/userur.cer"))).added) << "free again once released";
}

// Exit codes of a reader: 0 when it saw every item, else what went wrong.
enum ReaderExit { kSawAll = 0, kFailed = 1, kShrank = 2, kNotFound = 3, kTimedOut = 4 };

int ReadWhileWritten(const std::string& path, std::uint32_t total) {
  try {
    SqliteCertStore store(path);
    std::size_t seen = 0;
    const auto deadline = Clock::now() + std::chrono::seconds(60);
    while (seen < total) {
      if (Clock::now() > deadline) return kTimedOut;
      const auto items = store.List(SqliteCertStore::Kind::kCertificate);
      if (items.size() < seen) return kShrank;
      seen = items.size();
      // The newest item as listed can be fetched and found by its serial.
      const auto& newest = items.back();
      const Bytes der = store.Export(newest.id);
      if (sqlitestore::ReadItemFields(der).serial != newest.serial) return kFailed;
      CertQuery* query = store.CreateQuery();
      query->AddCriterion(kCriterionSerialNumber, newest.serial.data(), static_cast<std::uint32_t>(newest.serial.size()));
      std::int64_t found = -1;
      store.FindCertificates(query, &found, [](void* context, std::int64_t id, const std::uint8_t*, std::uint32_t) {
        *static_cast<std::int64_t*>(context) = id;
        return std::int32_t{1};
      });
      store.ReleaseQuery(query);
      if (found != newest.id) return kNotFound;
    }
    return kSawAll;
  } catch (...) {
    return kFailed;
  }
}

TEST(StoreProcesses, ReadersSeeAConsistentStoreWhileOneWrites) {
  TempDir dir;
  const std::string path = dir.File("store.db");
  const Bytes der = ReadFileBytes(DataPath("real/test-pki/userfiz.cer"));
  const std::size_t serialEnd = SerialEnd(der);
  constexpr std::uint32_t kAdded = 120;
  { SqliteCertStore(path).Add(ReadFileBytes(DataPath("real/test-pki/root.cer"))); }
  std::vector<pid_t> readers;
  for (int i = 0; i < 2; ++i) {
    const pid_t reader = fork();
    ASSERT_GE(reader, 0);
    if (reader == 0) _exit(ReadWhileWritten(path, kAdded + 1));
    readers.push_back(reader);
  }
  const pid_t writer = fork();
  ASSERT_GE(writer, 0);
  if (writer == 0) {
    try {
      SqliteCertStore store(path);
      for (std::uint32_t n = 0; n < kAdded; ++n)
        if (!store.Add(Variant(der, serialEnd, n)).added) _exit(2);
    } catch (...) {
      _exit(1);
    }
    _exit(0);
  }
  EXPECT_EQ(Reap(writer, 60), 0) << "the writer failed";
  for (const pid_t reader : readers) EXPECT_EQ(Reap(reader, 60), kSawAll) << "a reader failed (see ReaderExit)";
  EXPECT_EQ(SqliteCertStore(path).GetCertificateCount(), kAdded + 1);
}

}  // namespace
}  // namespace tavrpki::test
