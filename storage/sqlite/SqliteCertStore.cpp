#include <tavrpki/SqliteCertStore.h>

#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <utility>

#include "DerFields.h"
#include "Messages.h"

namespace tavrpki {
namespace {

using namespace sqlitestore;

// "TAVR": marks the file as this store's, so another program's database is
// refused instead of receiving our tables.
constexpr int kApplicationId = 0x54415652;
// How long a writer waits for another process's transaction.
constexpr int kBusyMilliseconds = 5000;

const char* const kSchema = R"sql(
CREATE TABLE items (
  id          INTEGER PRIMARY KEY AUTOINCREMENT,
  kind        INTEGER NOT NULL CHECK (kind IN (1, 2)),
  der         BLOB NOT NULL,
  fingerprint INTEGER NOT NULL,
  issuer      BLOB NOT NULL,
  subject     BLOB,
  serial      BLOB,
  key_id      BLOB,
  crl_number  BLOB,
  this_update TEXT,
  delta       INTEGER NOT NULL DEFAULT 0,
  base_number BLOB,
  trusted     INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX items_fingerprint ON items (fingerprint);
CREATE INDEX items_subject ON items (kind, subject);
CREATE INDEX items_key_id ON items (kind, key_id);
CREATE INDEX items_serial ON items (kind, serial);
CREATE INDEX items_issuer ON items (kind, issuer, delta, this_update);
)sql";

// Schema 2: a CA's own records. A revocation row changes when it is recorded
// and when its hold is lifted, and takes the next value of the change counter
// each time (the counter is the largest `change` there is: rows are never
// deleted, so it only grows); a list remembers the counter it covered, so a
// delta list takes the rows changed after its base list's.
const char* const kSchemaCaRecords = R"sql(
CREATE TABLE revocations (
  ca_key_id  BLOB NOT NULL,
  serial     BLOB NOT NULL,
  revoked_at TEXT NOT NULL,
  reason     INTEGER NOT NULL,
  lifted_at  TEXT,
  change     INTEGER NOT NULL,
  PRIMARY KEY (ca_key_id, serial)
) WITHOUT ROWID;
CREATE INDEX revocations_change ON revocations (ca_key_id, change);
CREATE TABLE issued_crls (
  ca_key_id BLOB NOT NULL,
  number    INTEGER NOT NULL,
  base      INTEGER,
  covered   INTEGER NOT NULL,
  item_id   INTEGER NOT NULL,
  PRIMARY KEY (ca_key_id, number)
) WITHOUT ROWID;
)sql";

const char* const kRevocationColumns = "serial, revoked_at, reason, lifted_at, change";

const char* const kItemColumns =
    "id, kind, trusted, subject, issuer, serial, key_id, crl_number, this_update, delta, base_number";

// SQLite's result codes, as the store's failures.
[[noreturn]] void Fail(sqlite3* db, const std::string& path, int rc) {
  const char* reason = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  switch (rc & 0xFF) {
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT: Raise(kMsgNotAStore, path.c_str(), reason);
    case SQLITE_READONLY: Raise(kMsgReadOnly, path.c_str());
    // Another process held its write lock for the whole wait.
    case SQLITE_BUSY: Raise(kMsgBusy, path.c_str(), kBusyMilliseconds / 1000);
    default: Raise(kMsgDatabaseFailed, path.c_str(), reason);
  }
}

}  // namespace

// Statements prepared once per store and SQL text; one in use (a walk whose
// callback asks the store again) makes the next user prepare another.
struct SqliteCertStore::StatementCache {
  struct Slot {
    sqlite3_stmt* statement = nullptr;
    bool busy = false;
  };
  sqlite3* db = nullptr;
  std::multimap<std::string, Slot> slots;

  ~StatementCache() {
    for (auto& [sql, slot] : slots) sqlite3_finalize(slot.statement);
  }
};

namespace {

class Statement {
 public:
  // A statement of its own, finalized when done (for opening, before the cache).
  Statement(sqlite3* db, const std::string& path, const std::string& sql) : m_db(db), m_path(path) {
    const int rc = sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &m_statement, nullptr);
    if (rc != SQLITE_OK) Fail(db, path, rc);
  }
  // One from the store's cache, reset and handed back when done.
  Statement(SqliteCertStore::StatementCache& cache, const std::string& path, const std::string& sql)
      : m_db(cache.db), m_path(path) {
    const auto [first, last] = cache.slots.equal_range(sql);
    for (auto it = first; it != last && m_slot == nullptr; ++it)
      if (!it->second.busy) m_slot = &it->second;
    if (m_slot == nullptr) {
      sqlite3_stmt* statement = nullptr;
      const int rc = sqlite3_prepare_v3(m_db, sql.c_str(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT,
                                        &statement, nullptr);
      if (rc != SQLITE_OK) Fail(m_db, path, rc);
      m_slot = &cache.slots.emplace(sql, SqliteCertStore::StatementCache::Slot{statement, false})->second;
    }
    m_slot->busy = true;
    m_statement = m_slot->statement;
  }
  ~Statement() {
    if (m_slot == nullptr) {
      sqlite3_finalize(m_statement);
      return;
    }
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
    m_slot->busy = false;
  }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& Bind(int index, std::span<const std::uint8_t> bytes) {
    // A null pointer would bind NULL; an empty value must stay an empty BLOB.
    static const std::uint8_t kEmpty = 0;
    Check(sqlite3_bind_blob64(m_statement, index, bytes.empty() ? &kEmpty : bytes.data(), bytes.size(),
                              SQLITE_STATIC));
    return *this;
  }
  Statement& BindOptional(int index, bool present, std::span<const std::uint8_t> bytes) {
    if (!present) {
      Check(sqlite3_bind_null(m_statement, index));
      return *this;
    }
    return Bind(index, bytes);
  }
  Statement& BindNull(int index) {
    Check(sqlite3_bind_null(m_statement, index));
    return *this;
  }
  Statement& Bind(int index, std::int64_t value) {
    Check(sqlite3_bind_int64(m_statement, index, value));
    return *this;
  }
  Statement& Bind(int index, const std::string& text) {
    Check(sqlite3_bind_text(m_statement, index, text.c_str(), static_cast<int>(text.size()), SQLITE_STATIC));
    return *this;
  }

  // True with a row to read, false when done.
  bool Step() {
    const int rc = sqlite3_step(m_statement);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    Fail(m_db, m_path, rc);
  }

  std::int64_t Int(int column) const { return sqlite3_column_int64(m_statement, column); }
  bool IsNull(int column) const { return sqlite3_column_type(m_statement, column) == SQLITE_NULL; }
  std::span<const std::uint8_t> Bytes(int column) const {
    const void* data = sqlite3_column_blob(m_statement, column);
    const int size = sqlite3_column_bytes(m_statement, column);
    if (data == nullptr || size <= 0) return {};
    return {static_cast<const std::uint8_t*>(data), static_cast<std::size_t>(size)};
  }
  std::vector<std::uint8_t> Copy(int column) const {
    const auto bytes = Bytes(column);
    return {bytes.begin(), bytes.end()};
  }
  std::string Text(int column) const {
    const auto* text = sqlite3_column_text(m_statement, column);
    return text == nullptr ? std::string() : std::string(reinterpret_cast<const char*>(text));
  }

 private:
  void Check(int rc) {
    if (rc != SQLITE_OK) Fail(m_db, m_path, rc);
  }

  sqlite3* m_db;
  const std::string& m_path;
  sqlite3_stmt* m_statement = nullptr;
  SqliteCertStore::StatementCache::Slot* m_slot = nullptr;
};

void Execute(sqlite3* db, const std::string& path, const char* sql) {
  const int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) Fail(db, path, rc);
}

std::int64_t PragmaValue(sqlite3* db, const std::string& path, const char* sql) {
  Statement statement(db, path, sql);
  return statement.Step() ? statement.Int(0) : 0;
}

// One change: BEGIN IMMEDIATE takes the write lock at once, so a second writer
// waits (busy timeout) instead of failing half way; anything but Commit rolls back.
class Transaction {
 public:
  Transaction(sqlite3* db, const std::string& path) : m_db(db), m_path(path) {
    Execute(db, path, "BEGIN IMMEDIATE");
  }
  ~Transaction() {
    if (!m_done) sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
  }
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  void Commit() {
    Execute(m_db, m_path, "COMMIT");
    m_done = true;
  }

 private:
  sqlite3* m_db;
  const std::string& m_path;
  bool m_done = false;
};

// FNV-1a over the DER: finds the candidates for a duplicate through an index;
// the bytes themselves decide.
std::int64_t Fingerprint(std::span<const std::uint8_t> der) {
  std::uint64_t hash = 0xCBF29CE484222325ull;
  for (const std::uint8_t b : der) hash = (hash ^ b) * 0x100000001B3ull;
  return static_cast<std::int64_t>(hash);
}

const char* KindWord(ItemKind kind) {
  return kind == ItemKind::kCertificate ? "сертифікатом" : "списком відкликаних сертифікатів";
}

std::span<const std::uint8_t> Span(const std::uint8_t* der, std::uint32_t length) {
  if (der == nullptr || length == 0) Raise(kMsgBadArgument, "DER");
  return {der, length};
}

// The column a criterion compares.
const char* CriterionColumn(std::uint32_t kind) {
  switch (kind) {
    case kCriterionSerialNumber: return "serial";
    case kCriterionSubjectKeyId: return "key_id";
    case kCriterionSubjectName: return "subject";
    default: return nullptr;
  }
}

class SqliteQuery final : public CertQuery {
 public:
  struct Criterion {
    std::uint32_t kind;
    std::vector<std::uint8_t> value;
  };

  void Clear() override { m_criteria.clear(); }
  std::uint32_t GetCriterionCount() override { return static_cast<std::uint32_t>(m_criteria.size()); }
  void AddCriterion(std::uint32_t kind, const std::uint8_t* value, std::uint32_t length) override {
    if (CriterionColumn(kind) == nullptr) Raise(kMsgUnknownCriterion, static_cast<unsigned>(kind));
    if (value == nullptr && length != 0) Raise(kMsgBadArgument, "value");
    m_criteria.push_back({kind, value == nullptr ? std::vector<std::uint8_t>()
                                                 : std::vector<std::uint8_t>(value, value + length)});
  }
  const std::vector<Criterion>& Criteria() const { return m_criteria; }

 private:
  std::vector<Criterion> m_criteria;
};

SqliteCertStore::Revocation ReadRevocation(const Statement& row) {
  SqliteCertStore::Revocation revocation;
  revocation.serial = row.Copy(0);
  revocation.date = row.Text(1);
  revocation.reason = static_cast<int>(row.Int(2));
  revocation.lifted = !row.IsNull(3);
  revocation.liftedDate = row.Text(3);
  revocation.change = row.Int(4);
  return revocation;
}

// "YYYYMMDDHHMMSSZ" with a month, day, hour, minute and second in range: the
// texts sort as times only in this one form.
bool IsTimeText(const std::string& text) {
  if (text.size() != 15 || text[14] != 'Z') return false;
  for (std::size_t i = 0; i < 14; ++i)
    if (text[i] < '0' || text[i] > '9') return false;
  const auto field = [&](std::size_t at) { return (text[at] - '0') * 10 + (text[at + 1] - '0'); };
  return field(4) >= 1 && field(4) <= 12 && field(6) >= 1 && field(6) <= 31 && field(8) <= 23 && field(10) <= 59 &&
         field(12) <= 59;
}

void CheckRecordKey(std::span<const std::uint8_t> caKeyId, std::span<const std::uint8_t> serial) {
  if (caKeyId.empty() || caKeyId.size() > 64) Raise(kMsgBadRecord, "CA key identifier");
  // A DER INTEGER's content: minimal (no redundant leading octet) and at most
  // the 20 octets RFC 5280 allows plus the sign octet.
  if (serial.empty() || serial.size() > 21 ||
      (serial.size() > 1 && ((serial[0] == 0x00 && serial[1] < 0x80) || (serial[0] == 0xFF && serial[1] >= 0x80))))
    Raise(kMsgBadRecord, "serial number");
}

SqliteCertStore::Item ReadItem(const Statement& row) {
  SqliteCertStore::Item item;
  item.id = row.Int(0);
  item.kind = row.Int(1) == 1 ? SqliteCertStore::Kind::kCertificate : SqliteCertStore::Kind::kCrl;
  item.trusted = row.Int(2) != 0;
  item.issuer = row.Copy(4);
  item.name = item.kind == SqliteCertStore::Kind::kCertificate ? row.Copy(3) : item.issuer;
  item.serial = row.Copy(5);
  item.keyId = row.Copy(6);
  item.number = row.Copy(7);
  item.thisUpdate = row.Text(8);
  item.delta = row.Int(9) != 0;
  item.baseNumber = row.Copy(10);
  return item;
}

// SQLite takes a file shorter than one page for an empty database and would
// write a new one over it; a file that does not start with SQLite's header is
// refused before SQLite sees it.
void CheckHeader(const std::string& path) {
  static const char kMagic[16] = "SQLite format 3";
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return;  // missing (created below) or unreadable (SQLite says why)
  char head[100];
  const std::size_t got = std::fread(head, 1, sizeof head, file);
  std::fclose(file);
  if (got == 0) return;  // an empty file is a new store
  if (got < sizeof head || std::memcmp(head, kMagic, sizeof kMagic) != 0)
    Raise(kMsgNotAStore, path.c_str(), "no SQLite database header");
}

bool MakeDirectory(const std::string& path) {
  return ::mkdir(path.c_str(), 0700) == 0 || errno == EEXIST;
}

// The default path, or nothing when neither variable says where it is.
std::optional<std::string> DefaultPathFromEnvironment() {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data != nullptr && data[0] == '/') return std::string(data) + "/tavr-pki/store.db";
  // A relative XDG_DATA_HOME is invalid and ignored, as the XDG rules say.
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] == 0) return std::nullopt;
  return std::string(home) + "/.local/share/tavr-pki/store.db";
}

// Hands each row (id, der) of `select` to `callback` until it returns 0; the
// number of rows handed.
std::uint32_t Report(Statement& select, void* context, CertStorageCallback callback) {
  std::uint32_t reported = 0;
  while (select.Step()) {
    const auto der = select.Bytes(1);
    ++reported;
    if (callback(context, select.Int(0), der.data(), static_cast<std::uint32_t>(der.size())) == 0) break;
  }
  return reported;
}

}  // namespace

std::string SqliteCertStore::DefaultPath() {
  const auto path = DefaultPathFromEnvironment();
  if (!path) Raise(kMsgNoDefaultStore);
  return *path;
}

SqliteCertStore::SqliteCertStore(const std::string& path, OpenMode mode) : m_path(path) {
  if (path.empty()) Raise(kMsgBadArgument, "path");
  const bool readOnly = mode == OpenMode::kReadOnly;
  // The default store's folder is made on first use, private to the user.
  if (!readOnly && path == DefaultPathFromEnvironment()) {
    const std::string folder = path.substr(0, path.rfind('/'));
    const std::string parent = folder.substr(0, folder.rfind('/'));
    for (const std::string& dir : {parent.substr(0, parent.rfind('/')), parent, folder})
      if (!dir.empty() && !MakeDirectory(dir)) Raise(kMsgOpenFailed, path.c_str(), std::strerror(errno));
  }
  CheckHeader(path);
  const int rc =
      sqlite3_open_v2(path.c_str(), &m_db, readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                      nullptr);
  if (rc != SQLITE_OK) {
    const std::string reason = m_db != nullptr ? sqlite3_errmsg(m_db) : sqlite3_errstr(rc);
    sqlite3_close(m_db);
    m_db = nullptr;
    Raise(kMsgOpenFailed, path.c_str(), reason.c_str());
  }
  try {
    m_readOnly = sqlite3_db_readonly(m_db, "main") == 1;
    sqlite3_busy_timeout(m_db, kBusyMilliseconds);
    sqlite3_extended_result_codes(m_db, 1);
    OpenSchema();
    m_statements = std::make_unique<StatementCache>();
    m_statements->db = m_db;
  } catch (...) {
    m_statements.reset();
    sqlite3_close(m_db);
    m_db = nullptr;
    throw;
  }
}

SqliteCertStore::~SqliteCertStore() {
  m_statements.reset();  // every statement is finalized before the connection closes
  sqlite3_close(m_db);
}

void SqliteCertStore::OpenSchema() {
  // Reading the header first: a file that is not a database, or one of a newer
  // schema, is refused before anything is written to it.
  std::int64_t version = PragmaValue(m_db, m_path, "PRAGMA user_version");
  const std::int64_t application = PragmaValue(m_db, m_path, "PRAGMA application_id");
  if (version > kSchemaVersion)
    Raise(kMsgNewerSchema, m_path.c_str(), static_cast<int>(version), kSchemaVersion);
  if (version != 0 && application != kApplicationId)
    Raise(kMsgNotAStore, m_path.c_str(), "the file belongs to another program");
  if (version == 0) {
    if (m_readOnly) Raise(kMsgReadOnly, m_path.c_str());
    Transaction transaction(m_db, m_path);
    // Another process may have made the schema while we waited for the lock.
    version = PragmaValue(m_db, m_path, "PRAGMA user_version");
    if (version == 0) {
      if (PragmaValue(m_db, m_path, "SELECT count(*) FROM sqlite_schema") != 0)
        Raise(kMsgNotAStore, m_path.c_str(), "the database holds tables of another program");
      Execute(m_db, m_path, kSchema);
      Execute(m_db, m_path, kSchemaCaRecords);
      Execute(m_db, m_path, ("PRAGMA application_id = " + std::to_string(kApplicationId)).c_str());
      Execute(m_db, m_path, ("PRAGMA user_version = " + std::to_string(kSchemaVersion)).c_str());
    }
    transaction.Commit();
    if (version > kSchemaVersion)
      Raise(kMsgNewerSchema, m_path.c_str(), static_cast<int>(version), kSchemaVersion);
  } else if (version < kSchemaVersion) {
    if (m_readOnly) {
      m_schema = static_cast<int>(version);  // read as it is: certificates and lists only
    } else {
      Upgrade(version);
    }
  }
  // Readers in other processes go on while one writes. The mode is kept in the
  // file, so a read-only opener finds it already set.
  if (!m_readOnly) Execute(m_db, m_path, "PRAGMA journal_mode = WAL");
  // Lookups read through a memory map, and the indexes of a large store stay in
  // the page cache between them.
  Execute(m_db, m_path, "PRAGMA mmap_size = 268435456");
  Execute(m_db, m_path, "PRAGMA cache_size = -16384");
}

// From an older schema to this one, in one transaction: a failure (or a kill)
// leaves the file at its old version, and the next open tries again.
void SqliteCertStore::Upgrade(std::int64_t from) {
  Transaction transaction(m_db, m_path);
  // Another process may have upgraded it while we waited for the lock.
  const std::int64_t version = PragmaValue(m_db, m_path, "PRAGMA user_version");
  if (version == from) {
    if (from < 2) Execute(m_db, m_path, kSchemaCaRecords);
    Execute(m_db, m_path, ("PRAGMA user_version = " + std::to_string(kSchemaVersion)).c_str());
  } else if (version > kSchemaVersion) {
    Raise(kMsgNewerSchema, m_path.c_str(), static_cast<int>(version), kSchemaVersion);
  }
  transaction.Commit();
}

void SqliteCertStore::RequireCaRecords() const {
  if (m_schema < 2) Raise(kMsgReadOnly, m_path.c_str());
}

void SqliteCertStore::RequireWritable() const {
  if (m_readOnly) Raise(kMsgReadOnly, m_path.c_str());
}

namespace {

// The item's fields, or 31006/31012 when it is none or not of the kind expected.
ItemFields ReadFieldsOfKind(std::span<const std::uint8_t> der, std::optional<SqliteCertStore::Kind> expected) {
  if (der.empty()) Raise(kMsgBadArgument, "DER");
  if (der.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
    Raise(kMsgTooLarge, der.size());
  ItemFields fields;
  try {
    fields = ReadItemFields(der);
  } catch (const FieldError& error) {
    Raise(kMsgNotAnItem, error.reason);
  }
  if (expected && static_cast<SqliteCertStore::Kind>(fields.kind) != *expected)
    Raise(kMsgWrongKind, KindWord(fields.kind), KindWord(static_cast<ItemKind>(*expected)));
  return fields;
}

}  // namespace

// Inside the caller's transaction.
SqliteCertStore::AddResult SqliteCertStore::InsertItem(std::span<const std::uint8_t> der, const ItemFields& fields) {
  const Kind kind = static_cast<Kind>(fields.kind);
  const std::int64_t fingerprint = Fingerprint(der);
  {
    Statement same(*m_statements, m_path, "SELECT id, der FROM items WHERE fingerprint = ?1");
    same.Bind(1, fingerprint);
    while (same.Step()) {
      const auto stored = same.Bytes(1);
      if (std::equal(stored.begin(), stored.end(), der.begin(), der.end())) return {same.Int(0), kind, false};
    }
  }
  const bool certificate = kind == Kind::kCertificate;
  Statement insert(*m_statements, m_path,
                   "INSERT INTO items (kind, der, fingerprint, issuer, subject, serial, key_id, crl_number, "
                   "this_update, delta, base_number) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11)");
  insert.Bind(1, static_cast<std::int64_t>(kind)).Bind(2, der).Bind(3, fingerprint).Bind(4, fields.issuer);
  insert.BindOptional(5, certificate, fields.subject).BindOptional(6, certificate, fields.serial);
  insert.BindOptional(7, fields.hasKeyId, fields.keyId).BindOptional(8, fields.hasNumber, fields.number);
  if (certificate)
    insert.BindOptional(9, false, {});
  else
    insert.Bind(9, fields.thisUpdate);
  insert.Bind(10, static_cast<std::int64_t>(fields.delta ? 1 : 0)).BindOptional(11, fields.delta, fields.baseNumber);
  insert.Step();
  return {sqlite3_last_insert_rowid(m_db), kind, true};
}

SqliteCertStore::AddResult SqliteCertStore::AddOfKind(std::span<const std::uint8_t> der,
                                                      std::optional<Kind> expected) {
  const ItemFields fields = ReadFieldsOfKind(der, expected);
  std::lock_guard lock(m_mutex);
  RequireWritable();
  Transaction transaction(m_db, m_path);
  const AddResult result = InsertItem(der, fields);
  if (result.added) transaction.Commit();
  return result;
}

SqliteCertStore::AddResult SqliteCertStore::Add(std::span<const std::uint8_t> der) {
  return AddOfKind(der, std::nullopt);
}

std::vector<SqliteCertStore::AddResult> SqliteCertStore::AddAll(std::span<const std::vector<std::uint8_t>> ders) {
  std::vector<ItemFields> fields;
  fields.reserve(ders.size());
  for (const auto& der : ders) fields.push_back(ReadFieldsOfKind(der, std::nullopt));
  std::lock_guard lock(m_mutex);
  RequireWritable();
  Transaction transaction(m_db, m_path);
  std::vector<AddResult> results;
  results.reserve(ders.size());
  for (std::size_t i = 0; i < ders.size(); ++i) results.push_back(InsertItem(ders[i], fields[i]));
  transaction.Commit();
  return results;
}

bool SqliteCertStore::RemoveOfKind(std::int64_t id, std::optional<Kind> kind) {
  std::lock_guard lock(m_mutex);
  RequireWritable();
  Transaction transaction(m_db, m_path);
  Statement remove(*m_statements, m_path, kind ? "DELETE FROM items WHERE id = ?1 AND kind = ?2" : "DELETE FROM items WHERE id = ?1");
  remove.Bind(1, id);
  if (kind) remove.Bind(2, static_cast<std::int64_t>(*kind));
  remove.Step();
  const bool removed = sqlite3_changes(m_db) > 0;
  transaction.Commit();
  return removed;
}

bool SqliteCertStore::Remove(std::int64_t id) { return RemoveOfKind(id, std::nullopt); }

std::optional<SqliteCertStore::Item> SqliteCertStore::Describe(std::int64_t id) {
  std::lock_guard lock(m_mutex);
  Statement select(*m_statements, m_path, std::string("SELECT ") + kItemColumns + " FROM items WHERE id = ?1");
  select.Bind(1, id);
  if (!select.Step()) return std::nullopt;
  return ReadItem(select);
}

std::vector<std::uint8_t> SqliteCertStore::Export(std::int64_t id) {
  std::lock_guard lock(m_mutex);
  Statement select(*m_statements, m_path, "SELECT der FROM items WHERE id = ?1");
  select.Bind(1, id);
  if (!select.Step()) Raise(kMsgItemNotFound, static_cast<long long>(id));
  return select.Copy(0);
}

std::vector<SqliteCertStore::Item> SqliteCertStore::List(Kind kind) {
  std::lock_guard lock(m_mutex);
  Statement select(*m_statements, m_path, std::string("SELECT ") + kItemColumns + " FROM items WHERE kind = ?1 ORDER BY id");
  select.Bind(1, static_cast<std::int64_t>(kind));
  std::vector<Item> items;
  while (select.Step()) items.push_back(ReadItem(select));
  return items;
}

// ---- A CA's records ----

namespace {

std::optional<SqliteCertStore::Revocation> SelectRevocation(SqliteCertStore::StatementCache& cache,
                                                            const std::string& path,
                                                            std::span<const std::uint8_t> caKeyId,
                                                            std::span<const std::uint8_t> serial) {
  Statement select(cache, path,
                   std::string("SELECT ") + kRevocationColumns + " FROM revocations WHERE ca_key_id = ?1 AND serial = ?2");
  select.Bind(1, caKeyId).Bind(2, serial);
  if (!select.Step()) return std::nullopt;
  return ReadRevocation(select);
}

std::int64_t NextChange(SqliteCertStore::StatementCache& cache, const std::string& path) {
  Statement select(cache, path, "SELECT coalesce(max(change), 0) + 1 FROM revocations");
  select.Step();
  return select.Int(0);
}

}  // namespace

SqliteCertStore::RecordResult SqliteCertStore::RecordRevocation(std::span<const std::uint8_t> caKeyId,
                                                                std::span<const std::uint8_t> serial,
                                                                const std::string& date, int reason) {
  CheckRecordKey(caKeyId, serial);
  if (!IsTimeText(date)) Raise(kMsgBadRecord, "date");
  // 7 is unused by RFC 5280 and 8 (removeFromCRL) is a lift, not a revocation.
  if (!((reason >= 0 && reason <= 10 && reason != 7 && reason != kReasonRemoveFromCrl) || reason == kReasonNone))
    Raise(kMsgBadRecord, "reason");
  std::lock_guard lock(m_mutex);
  RequireWritable();
  RequireCaRecords();
  Transaction transaction(m_db, m_path);
  const auto earlier = SelectRevocation(*m_statements, m_path, caKeyId, serial);
  if (earlier && !earlier->lifted) return {*earlier, false};
  Revocation revocation{{serial.begin(), serial.end()}, date, reason, false, {}, NextChange(*m_statements, m_path)};
  Statement write(*m_statements, m_path,
                  "INSERT OR REPLACE INTO revocations (ca_key_id, serial, revoked_at, reason, lifted_at, change) "
                  "VALUES (?1, ?2, ?3, ?4, NULL, ?5)");
  write.Bind(1, caKeyId).Bind(2, serial).Bind(3, date).Bind(4, static_cast<std::int64_t>(reason));
  write.Bind(5, revocation.change);
  write.Step();
  transaction.Commit();
  return {revocation, true};
}

bool SqliteCertStore::LiftHold(std::span<const std::uint8_t> caKeyId, std::span<const std::uint8_t> serial,
                               const std::string& date) {
  CheckRecordKey(caKeyId, serial);
  if (!IsTimeText(date)) Raise(kMsgBadRecord, "date");
  std::lock_guard lock(m_mutex);
  RequireWritable();
  RequireCaRecords();
  Transaction transaction(m_db, m_path);
  const auto earlier = SelectRevocation(*m_statements, m_path, caKeyId, serial);
  if (!earlier || earlier->lifted || earlier->reason != kReasonCertificateHold) return false;
  Statement update(*m_statements, m_path,
                   "UPDATE revocations SET lifted_at = ?3, change = ?4 WHERE ca_key_id = ?1 AND serial = ?2");
  update.Bind(1, caKeyId).Bind(2, serial).Bind(3, date).Bind(4, NextChange(*m_statements, m_path));
  update.Step();
  transaction.Commit();
  return true;
}

std::optional<SqliteCertStore::Revocation> SqliteCertStore::FindRevocation(std::span<const std::uint8_t> caKeyId,
                                                                           std::span<const std::uint8_t> serial) {
  std::lock_guard lock(m_mutex);
  RequireCaRecords();
  return SelectRevocation(*m_statements, m_path, caKeyId, serial);
}

std::vector<SqliteCertStore::Revocation> SqliteCertStore::Revocations(std::span<const std::uint8_t> caKeyId,
                                                                      std::optional<std::int64_t> sinceChange) {
  std::lock_guard lock(m_mutex);
  RequireCaRecords();
  Statement select(*m_statements, m_path,
                   std::string("SELECT ") + kRevocationColumns +
                       " FROM revocations WHERE ca_key_id = ?1 AND change > ?2 ORDER BY change");
  select.Bind(1, caKeyId).Bind(2, sinceChange.value_or(-1));
  std::vector<Revocation> out;
  while (select.Step()) out.push_back(ReadRevocation(select));
  return out;
}

SqliteCertStore::CrlNumbers SqliteCertStore::Numbers(std::span<const std::uint8_t> caKeyId) {
  std::lock_guard lock(m_mutex);
  RequireCaRecords();
  // One statement, so one snapshot of both tables.
  Statement select(*m_statements, m_path,
                   "SELECT (SELECT coalesce(max(number), 0) + 1 FROM issued_crls WHERE ca_key_id = ?1), "
                   "(SELECT number FROM issued_crls WHERE ca_key_id = ?1 AND base IS NULL ORDER BY number DESC LIMIT 1), "
                   "(SELECT covered FROM issued_crls WHERE ca_key_id = ?1 AND base IS NULL ORDER BY number DESC LIMIT 1), "
                   "(SELECT coalesce(max(change), 0) FROM revocations)");
  select.Bind(1, caKeyId);
  select.Step();
  CrlNumbers numbers;
  numbers.next = select.Int(0);
  if (!select.IsNull(1)) numbers.lastFull = select.Int(1);
  numbers.lastFullCovered = select.Int(2);
  numbers.covered = select.Int(3);
  return numbers;
}

SqliteCertStore::AddResult SqliteCertStore::RecordCrl(std::span<const std::uint8_t> caKeyId, std::int64_t number,
                                                      std::optional<std::int64_t> baseNumber, std::int64_t covered,
                                                      std::span<const std::uint8_t> der) {
  if (caKeyId.empty() || caKeyId.size() > 64) Raise(kMsgBadRecord, "CA key identifier");
  const ItemFields fields = ReadFieldsOfKind(der, Kind::kCrl);
  std::lock_guard lock(m_mutex);
  RequireWritable();
  RequireCaRecords();
  Transaction transaction(m_db, m_path);
  const CrlNumbers now = Numbers(caKeyId);
  if (number != now.next) Raise(kMsgNumberTaken, static_cast<long long>(number), static_cast<long long>(now.next));
  if (baseNumber && baseNumber != now.lastFull) Raise(kMsgBaseNotNewest, static_cast<long long>(*baseNumber));
  const AddResult result = InsertItem(der, fields);
  Statement insert(*m_statements, m_path,
                   "INSERT INTO issued_crls (ca_key_id, number, base, covered, item_id) VALUES (?1, ?2, ?3, ?4, ?5)");
  insert.Bind(1, caKeyId).Bind(2, number);
  if (baseNumber)
    insert.Bind(3, *baseNumber);
  else
    insert.BindNull(3);
  insert.Bind(4, covered).Bind(5, result.id);
  insert.Step();
  transaction.Commit();
  return result;
}

// ---- CertStorage ----

CertQuery* SqliteCertStore::CreateQuery() { return new SqliteQuery; }

void SqliteCertStore::ReleaseQuery(CertQuery* query) {
  // A query this store did not make is not its to destroy.
  delete dynamic_cast<SqliteQuery*>(query);
}

std::int64_t SqliteCertStore::AddCertificate(const std::uint8_t* der, std::uint32_t length, std::uint8_t* added) {
  const AddResult result = AddOfKind(Span(der, length), Kind::kCertificate);
  if (added != nullptr) *added = result.added ? 1 : 0;
  return result.id;
}

std::uint8_t SqliteCertStore::RemoveCertificate(std::int64_t id) {
  return RemoveOfKind(id, Kind::kCertificate) ? 1 : 0;
}

void SqliteCertStore::SetTrusted(std::int64_t id, std::uint8_t trusted) {
  std::lock_guard lock(m_mutex);
  RequireWritable();
  Transaction transaction(m_db, m_path);
  Statement update(*m_statements, m_path, "UPDATE items SET trusted = ?2 WHERE id = ?1 AND kind = 1");
  update.Bind(1, id).Bind(2, static_cast<std::int64_t>(trusted != 0 ? 1 : 0));
  update.Step();
  if (sqlite3_changes(m_db) == 0) Raise(kMsgItemNotFound, static_cast<long long>(id));
  transaction.Commit();
}

std::uint32_t SqliteCertStore::Count(Kind kind) {
  std::lock_guard lock(m_mutex);
  Statement count(*m_statements, m_path, "SELECT count(*) FROM items WHERE kind = ?1");
  count.Bind(1, static_cast<std::int64_t>(kind));
  count.Step();
  return static_cast<std::uint32_t>(count.Int(0));
}

std::uint32_t SqliteCertStore::GetCertificateCount() { return Count(Kind::kCertificate); }
std::uint32_t SqliteCertStore::GetCRLCount() { return Count(Kind::kCrl); }

void SqliteCertStore::GetDer(std::int64_t id, Kind kind, std::uint8_t* der, std::uint32_t* length) {
  if (length == nullptr) Raise(kMsgBadArgument, "length");
  std::lock_guard lock(m_mutex);
  Statement select(*m_statements, m_path, "SELECT der FROM items WHERE id = ?1 AND kind = ?2");
  select.Bind(1, id).Bind(2, static_cast<std::int64_t>(kind));
  if (!select.Step()) Raise(kMsgItemNotFound, static_cast<long long>(id));
  const auto stored = select.Bytes(0);
  const auto size = static_cast<std::uint32_t>(stored.size());
  if (der != nullptr) {
    if (*length < size) Raise(kMsgBufferTooSmall, static_cast<unsigned>(size));
    std::memcpy(der, stored.data(), size);
  }
  *length = size;
}

void SqliteCertStore::GetCertificate(std::int64_t id, std::uint8_t* der, std::uint32_t* length) {
  GetDer(id, Kind::kCertificate, der, length);
}

void SqliteCertStore::GetCRL(std::int64_t id, std::uint8_t* der, std::uint32_t* length) {
  GetDer(id, Kind::kCrl, der, length);
}

std::uint32_t SqliteCertStore::Walk(Kind kind, void* context, CertStorageCallback callback) {
  if (callback == nullptr) Raise(kMsgBadArgument, "callback");
  std::lock_guard lock(m_mutex);
  Statement select(*m_statements, m_path, "SELECT id, der FROM items WHERE kind = ?1 ORDER BY id");
  select.Bind(1, static_cast<std::int64_t>(kind));
  return Report(select, context, callback);
}

std::uint32_t SqliteCertStore::EnumerateCertificates(void* context, CertStorageCallback callback) {
  return Walk(Kind::kCertificate, context, callback);
}

std::uint32_t SqliteCertStore::EnumerateCRLs(void* context, CertStorageCallback callback) {
  return Walk(Kind::kCrl, context, callback);
}

std::uint32_t SqliteCertStore::FindCertificates(CertQuery* query, void* context, CertStorageCallback callback) {
  const auto* ours = dynamic_cast<const SqliteQuery*>(query);
  if (ours == nullptr) Raise(kMsgBadArgument, "query");
  if (callback == nullptr) Raise(kMsgBadArgument, "callback");
  std::string sql = "SELECT id, der FROM items WHERE kind = 1";
  int index = 1;
  for (const auto& criterion : ours->Criteria())
    sql += std::string(" AND ") + CriterionColumn(criterion.kind) + " = ?" + std::to_string(index++);
  sql += " ORDER BY id";
  std::lock_guard lock(m_mutex);
  Statement select(*m_statements, m_path, sql);
  index = 1;
  for (const auto& criterion : ours->Criteria()) select.Bind(index++, criterion.value);
  return Report(select, context, callback);
}

std::int64_t SqliteCertStore::AddCRL(const std::uint8_t* der, std::uint32_t length, std::uint8_t* added) {
  const AddResult result = AddOfKind(Span(der, length), Kind::kCrl);
  if (added != nullptr) *added = result.added ? 1 : 0;
  return result.id;
}

std::uint8_t SqliteCertStore::RemoveCRL(std::int64_t id) { return RemoveOfKind(id, Kind::kCrl) ? 1 : 0; }

std::uint8_t SqliteCertStore::IsTrusted(std::int64_t id) {
  std::lock_guard lock(m_mutex);
  Statement select(*m_statements, m_path, "SELECT trusted FROM items WHERE id = ?1 AND kind = 1");
  select.Bind(1, id);
  if (!select.Step()) Raise(kMsgItemNotFound, static_cast<long long>(id));
  return select.Int(0) != 0 ? 1 : 0;
}

}  // namespace tavrpki
