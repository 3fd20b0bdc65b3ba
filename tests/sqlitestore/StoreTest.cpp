// The SQLite store on real databases in a temporary folder, driven mostly
// through the storage interface as the library drives it.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <tavrpki/SqliteCertStore.h>

#include "StoreSupport.h"
#include "storage/sqlite/DerFields.h"
#include "support/VectorFile.h"

namespace tavrpki::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Kind = SqliteCertStore::Kind;

const char* const kCertificates[] = {"real/test-pki/root.cer", "real/test-pki/userfiz.cer",
                                     "real/test-pki/userur.cer", "real/test-pki/userfiz-foreign-signature.cer",
                                     "real/czo-2020-root.cer", "real/diia-qtsp-ca-2020.cer"};
const char* const kLists[] = {"real/test-pki/full.crl", "real/test-pki/delta.crl", "real/czo-2012-full-2016.crl"};

Bytes File(const std::string& name) { return ReadFileBytes(DataPath(name)); }

// Every (id, DER) a walk reports.
struct Reported {
  std::vector<std::pair<std::int64_t, Bytes>> items;
  int stopAfter = -1;  // the callback answers 0 after this many
  static std::int32_t TAVRPKI_STORAGE_CALLBACK Collect(void* context, std::int64_t id, const std::uint8_t* der,
                                                      std::uint32_t length) {
    auto* self = static_cast<Reported*>(context);
    self->items.emplace_back(id, Bytes(der, der + length));
    return self->stopAfter >= 0 && static_cast<int>(self->items.size()) >= self->stopAfter ? 0 : 1;
  }
  std::vector<std::int64_t> Ids() const {
    std::vector<std::int64_t> ids;
    for (const auto& item : items) ids.push_back(item.first);
    std::sort(ids.begin(), ids.end());
    return ids;
  }
};

struct Criterion {
  std::uint32_t kind;
  Bytes value;
};

std::vector<std::int64_t> Find(CertStorage& storage, const std::vector<Criterion>& criteria) {
  CertQuery* query = storage.CreateQuery();
  for (const auto& c : criteria) query->AddCriterion(c.kind, c.value.data(), static_cast<std::uint32_t>(c.value.size()));
  Reported reported;
  storage.FindCertificates(query, &reported, &Reported::Collect);
  storage.ReleaseQuery(query);
  return reported.Ids();
}

Bytes ReadRaw(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class StoreTest : public ::testing::Test {
 protected:
  TempDir dir;
  std::string path = dir.File("store.db");
  std::map<std::string, std::int64_t> ids;

  void AddAll(SqliteCertStore& store) {
    for (const char* name : kCertificates) ids[name] = store.Add(File(name)).id;
    for (const char* name : kLists) ids[name] = store.Add(File(name)).id;
  }
  sqlitestore::ItemFields Fields(const std::string& name) { return sqlitestore::ReadItemFields(File(name)); }
};

// userfiz and its foreign twin share issuer, subject and serial number; only the
// key identifier tells them apart, as the library's lookup by key id relies on.
TEST_F(StoreTest, QueriesMatchEveryCriterion) {
  SqliteCertStore store(path);
  AddAll(store);
  const auto fiz = Fields("real/test-pki/userfiz.cer");
  const auto twin = Fields("real/test-pki/userfiz-foreign-signature.cer");
  const auto ur = Fields("real/test-pki/userur.cer");
  const auto root = Fields("real/test-pki/root.cer");
  const std::int64_t fizId = ids["real/test-pki/userfiz.cer"], twinId = ids["real/test-pki/userfiz-foreign-signature.cer"];
  struct Row {
    const char* what;
    std::vector<Criterion> criteria;
    std::vector<std::int64_t> expected;
  };
  const Row rows[] = {
      {"subject", {{kCriterionSubjectName, fiz.subject}}, {fizId, twinId}},
      {"subject and serial", {{kCriterionSubjectName, fiz.subject}, {kCriterionSerialNumber, fiz.serial}}, {fizId, twinId}},
      {"key id", {{kCriterionSubjectKeyId, fiz.keyId}}, {fizId}},
      {"key id and serial", {{kCriterionSubjectKeyId, twin.keyId}, {kCriterionSerialNumber, twin.serial}}, {twinId}},
      {"key id with another's serial", {{kCriterionSubjectKeyId, fiz.keyId}, {kCriterionSerialNumber, ur.serial}}, {}},
      {"root subject", {{kCriterionSubjectName, root.subject}}, {ids["real/test-pki/root.cer"]}},
      {"issuer name is not a subject", {{kCriterionSubjectName, Fields("real/diia-qtsp-ca-2020.cer").issuer}},
       {ids["real/czo-2020-root.cer"]}},
      {"serial with its leading byte cut", {{kCriterionSerialNumber, Bytes(fiz.serial.begin() + 1, fiz.serial.end())}}, {}},
      {"empty key id", {{kCriterionSubjectKeyId, {}}}, {}},
  };
  for (const Row& row : rows) {
    auto expected = row.expected;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Find(store, row.criteria), expected) << row.what;
  }
  EXPECT_EQ(Find(store, {}).size(), std::size(kCertificates)) << "no criteria match every certificate";
  CertQuery* query = store.CreateQuery();
  EXPECT_EQ(CodeOf([&] { query->AddCriterion(4, fiz.serial.data(), 1); }), 31007u);
  EXPECT_EQ(query->GetCriterionCount(), 0u);
  store.ReleaseQuery(query);
}

TEST_F(StoreTest, ItemsComeBackAsStoredAndTrustPersists) {
  {
    SqliteCertStore store(path);
    AddAll(store);
    std::uint8_t added = 7;
    const Bytes again = File("real/test-pki/userur.cer");
    EXPECT_EQ(store.AddCertificate(again.data(), static_cast<std::uint32_t>(again.size()), &added),
              ids["real/test-pki/userur.cer"]);
    EXPECT_EQ(added, 0) << "the same DER is reported, not added twice";
    std::set<std::int64_t> distinct;
    for (const auto& [name, id] : ids) distinct.insert(id);
    EXPECT_EQ(distinct.size(), ids.size()) << "one id space: no id names two items";
    const std::int64_t root = ids["real/test-pki/root.cer"];
    EXPECT_EQ(store.IsTrusted(root), 0);
    store.SetTrusted(root, 1);
  }
  SqliteCertStore store(path);  // reopened: everything was committed
  for (const char* name : kCertificates) {
    const Bytes der = File(name);
    std::uint32_t length = 0;
    store.GetCertificate(ids[name], nullptr, &length);
    ASSERT_EQ(length, der.size()) << name;
    Bytes out(length);
    store.GetCertificate(ids[name], out.data(), &length);
    EXPECT_EQ(out, der) << name;
    EXPECT_EQ(store.IsTrusted(ids[name]), std::string(name) == "real/test-pki/root.cer" ? 1 : 0) << name;
  }
  const std::int64_t list = ids["real/test-pki/full.crl"];
  std::uint32_t length = 1;
  std::uint8_t one = 0;
  EXPECT_EQ(CodeOf([&] { store.GetCRL(list, &one, &length); }), 31008u) << "a buffer too small";
  EXPECT_EQ(CodeOf([&] { store.GetCertificate(list, nullptr, &length); }), 31005u) << "a list's id is no certificate";
  EXPECT_EQ(CodeOf([&] { store.IsTrusted(list); }), 31005u);
  EXPECT_EQ(CodeOf([&] { store.SetTrusted(list, 1); }), 31005u);
  EXPECT_EQ(CodeOf([&] { store.IsTrusted(1000); }), 31005u);

  Reported lists;
  EXPECT_EQ(store.EnumerateCRLs(&lists, &Reported::Collect), std::size(kLists));
  for (const auto& [id, der] : lists.items) EXPECT_EQ(der, store.Export(id));
  Reported first;
  first.stopAfter = 1;
  store.EnumerateCertificates(&first, &Reported::Collect);
  EXPECT_EQ(first.items.size(), 1u) << "a callback answering 0 stops the walk";

  const auto described = store.Describe(ids["real/test-pki/delta.crl"]);
  ASSERT_TRUE(described.has_value());
  EXPECT_TRUE(described->delta);
  EXPECT_EQ(described->name, Fields("real/test-pki/root.cer").subject);

  EXPECT_EQ(store.RemoveCRL(ids["real/test-pki/root.cer"]), 0) << "a certificate's id is no list";
  EXPECT_TRUE(store.Remove(ids["real/test-pki/root.cer"]));
  EXPECT_FALSE(store.Remove(ids["real/test-pki/root.cer"]));
  EXPECT_EQ(store.GetCertificateCount(), std::size(kCertificates) - 1);
  EXPECT_TRUE(store.Add(File("real/test-pki/root.cer")).added) << "a removed item can come back";
}

TEST_F(StoreTest, RefusedInputChangesNothing) {
  SqliteCertStore store(path);
  const Bytes list = File("real/test-pki/full.crl"), certificate = File("real/test-pki/root.cer");
  const Bytes junk = {0x30, 0x03, 0x02, 0x01, 0x05};
  std::uint8_t added = 7;
  EXPECT_EQ(CodeOf([&] { store.AddCertificate(list.data(), static_cast<std::uint32_t>(list.size()), &added); }), 31012u);
  EXPECT_EQ(CodeOf([&] { store.AddCRL(certificate.data(), static_cast<std::uint32_t>(certificate.size()), &added); }), 31012u);
  EXPECT_EQ(CodeOf([&] { store.Add(junk); }), 31006u);
  EXPECT_EQ(CodeOf([&] { store.AddCertificate(nullptr, 5, &added); }), 31011u);
  EXPECT_EQ(added, 7) << "no answer on failure";
  EXPECT_EQ(CodeOf([&] { store.AddAll(std::vector<Bytes>{certificate, junk, list}); }), 31006u);
  EXPECT_EQ(store.GetCertificateCount() + store.GetCRLCount(), 0u);
  // A batch reports a second copy of its own item as a duplicate of the first.
  const auto results = store.AddAll(std::vector<Bytes>{certificate, list, certificate});
  ASSERT_EQ(results.size(), 3u);
  EXPECT_TRUE(results[0].added && results[1].added && !results[2].added);
  EXPECT_EQ(results[2].id, results[0].id);
  EXPECT_EQ(results[1].kind, Kind::kCrl);
}

// Files that are not this store's, or of a newer schema, are refused and left
// byte for byte as they were.
TEST_F(StoreTest, ForeignAndNewerFilesAreRefusedUntouched) {
  { SqliteCertStore store(path); store.Add(File("real/test-pki/root.cer")); }
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, "PRAGMA journal_mode = DELETE; PRAGMA user_version = 3", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(db);
  const std::string foreign = dir.File("foreign.db");
  ASSERT_EQ(sqlite3_open(foreign.c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE notes (text TEXT)", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(db);
  const std::string text = dir.File("notes.txt");
  std::ofstream(text) << "not a database at all, just some text that is long enough to be a header\n";
  const std::string truncated = dir.File("truncated.db");
  {
    Bytes head = ReadRaw(foreign);
    head.resize(50);
    std::ofstream(truncated, std::ios::binary).write(reinterpret_cast<const char*>(head.data()), 50);
  }
  const struct {
    std::string file;
    unsigned long code;
  } rows[] = {{path, 31003}, {foreign, 31002}, {text, 31002}, {truncated, 31002}};
  for (const auto& row : rows) {
    const Bytes before = ReadRaw(row.file);
    EXPECT_EQ(CodeOf([&] { SqliteCertStore store(row.file); }), row.code) << row.file;
    EXPECT_EQ(ReadRaw(row.file), before) << row.file << " was changed";
  }
  EXPECT_FALSE(std::filesystem::exists(path + "-wal")) << "the newer store was switched to WAL";
}

// Read-only by the file's permissions (which do not bind root) or by the open
// flag (which binds everyone): lookups work, changes fail, no byte changes, and
// a read-only open creates no file.
TEST_F(StoreTest, ReadOnlyStoreAnswersLookupsAndRefusesChanges) {
  {
    SqliteCertStore store(path);
    store.Add(File("real/test-pki/root.cer"));
    store.RecordRevocation(Bytes{0xC1}, Bytes{0x01}, "20261201100000Z", 1);
  }
  const Bytes before = ReadRaw(path);
  for (const bool byPermissions : {false, true}) {
    if (byPermissions && geteuid() == 0) continue;  // permissions do not bind root
    if (byPermissions) std::filesystem::permissions(path, std::filesystem::perms::owner_read);
    SqliteCertStore store(path, byPermissions ? SqliteCertStore::OpenMode::kReadWrite
                                              : SqliteCertStore::OpenMode::kReadOnly);
    EXPECT_TRUE(store.IsReadOnly());
    EXPECT_EQ(store.GetCertificateCount(), 1u);
    EXPECT_EQ(store.FindRevocation(Bytes{0xC1}, Bytes{0x01})->reason, 1);
    EXPECT_EQ(CodeOf([&] { store.Add(File("real/test-pki/userur.cer")); }), 31009u);
    EXPECT_EQ(CodeOf([&] { store.SetTrusted(1, 1); }), 31009u);
    EXPECT_EQ(CodeOf([&] { store.RecordRevocation(Bytes{0xC1}, Bytes{0x02}, "20261201100000Z", 1); }), 31009u);
    EXPECT_EQ(ReadRaw(path), before) << (byPermissions ? "by permissions" : "by flag");
  }
  EXPECT_EQ(CodeOf([&] { SqliteCertStore missing(dir.File("missing.db"), SqliteCertStore::OpenMode::kReadOnly); }),
            31001u);
  EXPECT_FALSE(std::filesystem::exists(dir.File("missing.db"))) << "a read-only open created the file";
}

TEST_F(StoreTest, DefaultPathFollowsTheDataHome) {
  const char* data = std::getenv("XDG_DATA_HOME");
  const std::string saved = data != nullptr ? data : "";
  setenv("XDG_DATA_HOME", dir.File("data").c_str(), 1);
  const std::string expected = dir.File("data") + "/tavr-pki/store.db";
  EXPECT_EQ(SqliteCertStore::DefaultPath(), expected);
  { SqliteCertStore store(SqliteCertStore::DefaultPath()); }
  EXPECT_TRUE(std::filesystem::exists(expected)) << "the default folder is made on first use";
  setenv("XDG_DATA_HOME", "relative/path", 1);
  const char* home = std::getenv("HOME");
  if (home != nullptr) {
    EXPECT_EQ(SqliteCertStore::DefaultPath(), std::string(home) + "/.local/share/tavr-pki/store.db");
  }
  // Without either variable there is no default, and a named store still opens.
  const char* homeBefore = std::getenv("HOME");
  const std::string savedHome = homeBefore != nullptr ? homeBefore : "";
  unsetenv("HOME");
  unsetenv("XDG_DATA_HOME");
  EXPECT_EQ(CodeOf([] { SqliteCertStore::DefaultPath(); }), 31010u);
  EXPECT_EQ(CodeOf([&] { SqliteCertStore store(dir.File("named.db")); }), 0u);
  if (homeBefore != nullptr) setenv("HOME", savedHome.c_str(), 1);
  if (data != nullptr)
    setenv("XDG_DATA_HOME", saved.c_str(), 1);
  else
    unsetenv("XDG_DATA_HOME");
}

}  // namespace
}  // namespace tavrpki::test
