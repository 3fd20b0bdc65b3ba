// A certificate storage kept in an SQLite database file: the library's own
// implementation of <tavrpki/CertStorage.h>, in a library of its own
// (libtavrpki-sqlitestore, CMake target tavrpki::sqlitestore).
//
// Certificates and revocation lists are kept as their DER, with the fields the
// lookups need in indexed columns (subject and issuer name DER, subject key
// identifier, serial number, CRL number, thisUpdate, the delta flag) and a trust
// flag per certificate. Both kinds share one id space. Every change is one
// transaction, so a process killed in the middle leaves the file as it was
// before or after the change; the database runs in WAL mode, so readers in other
// processes go on while one writes (a writer waits up to five seconds for
// another). The file carries a schema version: a newer one than this library
// knows is refused on open and left untouched.
//
// One object may be used by several threads; it serialises its calls. Callbacks
// run while the object is busy and must not call it again.
//
// Failures throw `Kernel::CKernelException` with codes 31001-31013 and a
// Windows-1251 message (see the library's installed "kernel/CKernelException.h").
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include <tavrpki/CertStorage.h>

struct sqlite3;

namespace tavrpki {

class SqliteCertStore final : public CertStorage {
 public:
  // The schema version this library writes and reads.
  static constexpr int kSchemaVersion = 1;

  enum class Kind { kCertificate = 1, kCrl = 2 };

  // What the store knows about one item, without its DER.
  struct Item {
    std::int64_t id = -1;
    Kind kind = Kind::kCertificate;
    bool trusted = false;             // certificates only
    std::vector<std::uint8_t> name;   // subject (certificate) or issuer (list), DER
    std::vector<std::uint8_t> issuer; // issuer Name DER (both kinds)
    std::vector<std::uint8_t> serial; // certificate: serial INTEGER content octets
    std::vector<std::uint8_t> keyId;  // certificate: subject key identifier, may be empty
    std::vector<std::uint8_t> number; // list: CRL number content octets, empty when none
    std::string thisUpdate;           // list: "YYYYMMDDHHMMSSZ"
    bool delta = false;               // list: carries a delta indicator
    std::vector<std::uint8_t> baseNumber;  // delta list: its base CRL number
  };

  struct AddResult {
    std::int64_t id = -1;
    Kind kind = Kind::kCertificate;
    bool added = false;  // false: the same DER was stored already, under `id`
  };

  // $XDG_DATA_HOME/tavr-pki/store.db, else ~/.local/share/tavr-pki/store.db.
  // Fails with 31010 when neither variable is set.
  static std::string DefaultPath();

  // Opens the database at `path`, creating it (and, for the default path, its
  // folder) when missing. A file that cannot be written is opened for reading:
  // lookups work and every change fails with 31009. Fails with 31001 (cannot open,
  // locked for longer than the wait), 31002 (not a store, damaged) or 31003 (a
  // newer schema); in every case the file is left as it was.
  explicit SqliteCertStore(const std::string& path);
  ~SqliteCertStore();
  SqliteCertStore(const SqliteCertStore&) = delete;
  SqliteCertStore& operator=(const SqliteCertStore&) = delete;

  const std::string& Path() const { return m_path; }
  bool IsReadOnly() const { return m_readOnly; }

  // Stores a certificate or a revocation list, told apart by their shape.
  AddResult Add(std::span<const std::uint8_t> der);
  // Removes the item with that id, of either kind; false when there is none.
  bool Remove(std::int64_t id);
  // The item with that id, of either kind.
  std::optional<Item> Describe(std::int64_t id);
  std::vector<std::uint8_t> Export(std::int64_t id);
  // Every item of one kind, in id order.
  std::vector<Item> List(Kind kind);

  // ---- CertStorage ----
  CertQuery* CreateQuery() override;
  void ReleaseQuery(CertQuery* query) override;
  std::int64_t AddCertificate(const std::uint8_t* der, std::uint32_t length, std::uint8_t* added) override;
  std::uint8_t RemoveCertificate(std::int64_t id) override;
  void SetTrusted(std::int64_t id, std::uint8_t trusted) override;
  std::uint32_t GetCertificateCount() override;
  void GetCertificate(std::int64_t id, std::uint8_t* der, std::uint32_t* length) override;
  std::uint32_t EnumerateCertificates(void* context, CertStorageCallback callback) override;
  std::uint32_t FindCertificates(CertQuery* query, void* context, CertStorageCallback callback) override;
  std::int64_t AddCRL(const std::uint8_t* der, std::uint32_t length, std::uint8_t* added) override;
  std::uint8_t RemoveCRL(std::int64_t id) override;
  std::uint8_t IsTrusted(std::int64_t id) override;
  void GetCRL(std::int64_t id, std::uint8_t* der, std::uint32_t* length) override;
  std::uint32_t GetCRLCount() override;
  std::uint32_t EnumerateCRLs(void* context, CertStorageCallback callback) override;

  // The store's prepared statements (defined where they are used).
  struct StatementCache;

 private:
  void OpenSchema();
  AddResult AddOfKind(std::span<const std::uint8_t> der, std::optional<Kind> expected);
  bool RemoveOfKind(std::int64_t id, std::optional<Kind> kind);
  void GetDer(std::int64_t id, Kind kind, std::uint8_t* der, std::uint32_t* length);
  std::uint32_t Count(Kind kind);
  std::uint32_t Walk(Kind kind, void* context, CertStorageCallback callback);
  void RequireWritable() const;

  std::string m_path;
  sqlite3* m_db = nullptr;
  std::unique_ptr<StatementCache> m_statements;  // prepared once, reused per call
  bool m_readOnly = false;
  std::recursive_mutex m_mutex;
};

}  // namespace tavrpki
