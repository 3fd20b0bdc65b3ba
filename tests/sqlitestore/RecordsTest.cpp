// A CA's records in the SQLite store (revocations, list numbers) and the
// upgrade of a store made by the first schema.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <functional>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <tavrpki/SqliteCertStore.h>

#include "StoreSupport.h"
#include "support/VectorFile.h"

namespace tavrpki::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Kind = SqliteCertStore::Kind;

const Bytes kCa = {0xC1, 0xC1}, kOtherCa = {0xC2};
const Bytes kSerialA = {0x01, 0x02}, kSerialB = {0x00, 0x80}, kSerialC = {0x7F};

Bytes Raw(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<Bytes> Serials(const std::vector<SqliteCertStore::Revocation>& records) {
  std::vector<Bytes> out;
  for (const auto& r : records) out.push_back(r.serial);
  return out;
}

Bytes List(const char* name) { return ReadFileBytes(DataPath(name)); }

std::int64_t UserVersion(const std::string& path) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* statement = nullptr;
  sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &statement, nullptr);
  sqlite3_step(statement);
  const std::int64_t version = sqlite3_column_int64(statement, 0);
  sqlite3_finalize(statement);
  sqlite3_close(db);
  return version;
}

class RecordsTest : public ::testing::Test {
 protected:
  TempDir dir;
  std::string path = dir.File("store.db");
};

// The life of a CA's records as `ca revoke` and `ca crl` use them: each list
// covers the changes up to the counter read before it, a delta the changes
// after its base.
TEST_F(RecordsTest, RevocationsAndListNumbersFollowTheChanges) {
  SqliteCertStore store(path);
  EXPECT_EQ(store.Numbers(kCa).next, 1);
  EXPECT_FALSE(store.Numbers(kCa).lastFull.has_value());

  EXPECT_TRUE(store.RecordRevocation(kCa, kSerialA, "20261201100000Z", 1).added);
  EXPECT_TRUE(store.RecordRevocation(kCa, kSerialB, "20261201110000Z", SqliteCertStore::kReasonCertificateHold).added);
  EXPECT_TRUE(store.RecordRevocation(kOtherCa, kSerialC, "20261201110000Z", 0).added);
  const auto again = store.RecordRevocation(kCa, kSerialA, "20261205000000Z", 4);
  EXPECT_FALSE(again.added) << "a second revocation is reported, not recorded";
  EXPECT_EQ(again.revocation.date, "20261201100000Z");
  EXPECT_EQ(again.revocation.reason, 1);

  // The full list 1.
  const auto first = store.Numbers(kCa);
  EXPECT_EQ(Serials(store.Revocations(kCa)), (std::vector<Bytes>{kSerialA, kSerialB})) << "per CA, in change order";
  const auto full = store.RecordCrl(kCa, first.next, std::nullopt, first.covered, List("real/test-pki/full.crl"));
  EXPECT_TRUE(full.added);
  EXPECT_EQ(store.Describe(full.id)->kind, Kind::kCrl);

  // Changes after it: a new revocation, the hold lifted; then a delta (2).
  EXPECT_TRUE(store.RecordRevocation(kCa, kSerialC, "20261202000000Z", SqliteCertStore::kReasonNone).added);
  EXPECT_FALSE(store.LiftHold(kCa, kSerialA, "20261203000000Z")) << "keyCompromise is not a hold";
  EXPECT_TRUE(store.LiftHold(kCa, kSerialB, "20261203000000Z"));
  EXPECT_FALSE(store.LiftHold(kCa, kSerialB, "20261203000000Z")) << "lifted already";
  const auto second = store.Numbers(kCa);
  EXPECT_EQ(second.next, 2);
  EXPECT_EQ(second.lastFull, 1);
  const auto changes = store.Revocations(kCa, second.lastFullCovered);
  EXPECT_EQ(Serials(changes), (std::vector<Bytes>{kSerialC, kSerialB}));
  EXPECT_TRUE(changes[1].lifted);
  EXPECT_EQ(changes[1].liftedDate, "20261203000000Z");
  store.RecordCrl(kCa, 2, 1, second.covered, List("real/test-pki/delta.crl"));

  // A lifted hold may be revoked again; the next full list (3) starts anew.
  EXPECT_TRUE(store.RecordRevocation(kCa, kSerialB, "20261204000000Z", 1).added);
  EXPECT_FALSE(store.FindRevocation(kCa, kSerialB)->lifted);
  EXPECT_FALSE(store.FindRevocation(kOtherCa, kSerialA).has_value());
  const auto third = store.Numbers(kCa);
  store.RecordCrl(kCa, 3, std::nullopt, third.covered, List("real/czo-2012-full-2016.crl"));
  EXPECT_TRUE(store.Revocations(kCa, store.Numbers(kCa).lastFullCovered).empty()) << "nothing changed since";
  EXPECT_EQ(store.Numbers(kOtherCa).next, 1) << "numbers are per CA";

  // Lists that lost a race or name an old base change nothing.
  const Bytes other = List("real/czo-2012-delta-2016.crl");
  const struct {
    std::int64_t number;
    std::optional<std::int64_t> base;
    unsigned long code;
  } refused[] = {{3, std::nullopt, 31015}, {5, std::nullopt, 31015}, {4, 1, 31016}, {4, 2, 31016}};
  for (const auto& row : refused)
    EXPECT_EQ(CodeOf([&] { store.RecordCrl(kCa, row.number, row.base, 0, other); }), row.code) << row.number;
  EXPECT_EQ(CodeOf([&] { store.RecordCrl(kCa, 4, std::nullopt, 0, List("real/test-pki/root.cer")); }), 31012u);
  EXPECT_EQ(store.GetCRLCount(), 3u);
  EXPECT_EQ(store.Numbers(kCa).next, 4);
}

TEST_F(RecordsTest, MalformedRecordsAreRefused) {
  SqliteCertStore store(path);
  const struct {
    const char* what;
    Bytes ca, serial;
    std::string date;
    int reason;
  } rows[] = {
      {"date without Z", kCa, kSerialA, "20261201100000", 1},
      {"month 13", kCa, kSerialA, "20261301100000Z", 1},
      {"generalized time with fraction", kCa, kSerialA, "20261201100000.5Z", 1},
      {"reason 7", kCa, kSerialA, "20261201100000Z", 7},
      {"removeFromCRL is a lift", kCa, kSerialA, "20261201100000Z", 8},
      {"reason 11", kCa, kSerialA, "20261201100000Z", 11},
      {"no CA", {}, kSerialA, "20261201100000Z", 1},
      {"no serial", kCa, {}, "20261201100000Z", 1},
      {"redundant leading zero", kCa, {0x00, 0x7F}, "20261201100000Z", 1},
      {"22 octets", kCa, Bytes(22, 0x11), "20261201100000Z", 1},
  };
  for (const auto& row : rows)
    EXPECT_EQ(CodeOf([&] { store.RecordRevocation(row.ca, row.serial, row.date, row.reason); }), 31014u) << row.what;
  EXPECT_EQ(CodeOf([&] { store.LiftHold(kCa, kSerialA, "yesterday"); }), 31014u);
  EXPECT_EQ(store.Numbers(kCa).covered, 0) << "nothing was recorded";
}

// A store written by the first schema (tests/data: three certificates, the root
// trusted, a full and a delta list) is upgraded on open and keeps its items; a
// read-only open reads it as it is and changes no byte.
TEST_F(RecordsTest, FirstSchemaStoreIsUpgradedOnOpen) {
  std::filesystem::copy_file(DataPath("sqlitestore/store-v1.db"), path);
  const Bytes before = Raw(path);
  {
    SqliteCertStore store(path, SqliteCertStore::OpenMode::kReadOnly);
    EXPECT_EQ(store.GetCertificateCount(), 3u);
    EXPECT_EQ(CodeOf([&] { store.Numbers(kCa); }), 31009u);
    EXPECT_EQ(CodeOf([&] { store.RecordRevocation(kCa, kSerialA, "20261201100000Z", 1); }), 31009u);
  }
  EXPECT_EQ(Raw(path), before);
  {
    SqliteCertStore store(path);
    EXPECT_EQ(store.GetCertificateCount(), 3u);
    EXPECT_EQ(store.GetCRLCount(), 2u);
    EXPECT_EQ(store.IsTrusted(1), 1);
    EXPECT_TRUE(store.Describe(5)->delta);
    EXPECT_TRUE(store.RecordRevocation(kCa, kSerialA, "20261201100000Z", 1).added);
    EXPECT_TRUE(store.Add(List("real/czo-2020-root.cer")).added);
  }
  EXPECT_EQ(UserVersion(path), SqliteCertStore::kSchemaVersion);
  SqliteCertStore reopened(path);
  EXPECT_EQ(reopened.Revocations(kCa).size(), 1u);
}

// Opened read-only by request, a store refuses every change whoever runs it
// (root included, whom file permissions do not stop).
TEST_F(RecordsTest, ReadOnlyOpenRefusesChanges) {
  {
    SqliteCertStore store(path);
    store.Add(List("real/test-pki/root.cer"));
    store.RecordRevocation(kCa, kSerialA, "20261201100000Z", 1);
  }
  const Bytes before = Raw(path);
  SqliteCertStore store(path, SqliteCertStore::OpenMode::kReadOnly);
  EXPECT_TRUE(store.IsReadOnly());
  EXPECT_EQ(store.FindRevocation(kCa, kSerialA)->reason, 1);
  const Bytes root = List("real/test-pki/root.cer");
  const std::function<void()> changes[] = {
      [&] { store.Add(List("real/test-pki/userur.cer")); },
      [&] { store.SetTrusted(1, 1); },
      [&] { store.Remove(1); },
      [&] { store.RecordRevocation(kCa, kSerialB, "20261201100000Z", 1); },
      [&] { store.LiftHold(kCa, kSerialA, "20261201100000Z"); },
      [&] { store.RecordCrl(kCa, 1, std::nullopt, 0, List("real/test-pki/full.crl")); },
  };
  for (const auto& change : changes) EXPECT_EQ(CodeOf(change), 31009u);
  EXPECT_EQ(Raw(path), before);
  EXPECT_EQ(CodeOf([&] { SqliteCertStore missing(dir.File("missing.db"), SqliteCertStore::OpenMode::kReadOnly); }),
            31001u)
      << "a read-only open creates nothing";
  EXPECT_FALSE(std::filesystem::exists(dir.File("missing.db")));
}

}  // namespace
}  // namespace tavrpki::test
