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
// another, then fails with 31017 and changes nothing). The file carries a
// schema version: a newer one than this library knows is refused on open and
// left untouched; an older one is upgraded on open, in one transaction.
//
// A certification authority also keeps its own records here (schema 2): the
// revocations it decided and the numbers of the lists it issued, per CA. A CA is
// named by its subject key identifier (the octets of its certificate's 2.5.29.14,
// which every certificate it issues carries as authority key identifier), so a
// re-keyed CA with the same name keeps apart records. Serial numbers are the
// content octets of the DER INTEGER as the certificate encodes them; dates are
// "YYYYMMDDHHMMSSZ" in UTC, as `Item::thisUpdate`.
//
// One object may be used by several threads; it serialises its calls. Callbacks
// run while the object is busy and must not call it again.
//
// Failures throw `Kernel::CKernelException` with codes 31001-31017 and a
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

namespace sqlitestore {
struct ItemFields;  // the store's reader of DER fields, private to it
}

class SqliteCertStore final : public CertStorage {
 public:
  // The schema version this library writes and reads.
  static constexpr int kSchemaVersion = 2;

  enum class OpenMode { kReadWrite, kReadOnly };

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

  // CRLReason codes of RFC 5280 (5.3.1) the records use by name.
  static constexpr int kReasonCertificateHold = 6;
  static constexpr int kReasonRemoveFromCrl = 8;
  // An entry without a reason code, as the library's CRL entries write it.
  static constexpr int kReasonNone = 255;

  // One revocation a CA recorded.
  struct Revocation {
    std::vector<std::uint8_t> serial;
    std::string date;     // the revocation date, "YYYYMMDDHHMMSSZ"
    int reason = kReasonNone;  // 0-10 except 7 and 8, or kReasonNone
    // A certificateHold that was lifted: the certificate is good again. It stays
    // on record so that delta lists can carry removeFromCRL for it.
    bool lifted = false;
    std::string liftedDate;  // when lifted, else empty
    // The store's change counter when the revocation (or the lift) was
    // recorded; a list covers the changes up to its `CrlNumbers::covered`.
    std::int64_t change = 0;
  };

  struct RecordResult {
    Revocation revocation;  // as recorded (the earlier one when not added)
    bool added = false;     // false: the serial was revoked already, nothing changed
  };

  // The numbers of a CA's lists, from the lists this store recorded.
  struct CrlNumbers {
    std::int64_t next = 1;              // the number of the next list, full or delta
    std::optional<std::int64_t> lastFull;  // the newest full list: a delta's base
    std::int64_t lastFullCovered = 0;   // the change counter that full list covered
    std::int64_t covered = 0;           // the change counter now: a list made from
                                        // what is read now covers up to it
  };

  // $XDG_DATA_HOME/tavr-pki/store.db, else ~/.local/share/tavr-pki/store.db.
  // Fails with 31010 when neither variable is set.
  static std::string DefaultPath();

  // Opens the database at `path`, creating it (and, for the default path, its
  // folder) when missing. A file that cannot be written is opened for reading:
  // lookups work and every change fails with 31009. Fails with 31001 (cannot open,
  // locked for longer than the wait), 31002 (not a store, damaged) or 31003 (a
  // newer schema); in every case the file is left as it was.
  //
  // kReadOnly opens the file for reading whatever its permissions say (so also
  // for root): every change fails with 31009, and a store of an older schema is
  // read as it is, without the CA records (asking for them fails with 31009).
  explicit SqliteCertStore(const std::string& path, OpenMode mode = OpenMode::kReadWrite);
  ~SqliteCertStore();
  SqliteCertStore(const SqliteCertStore&) = delete;
  SqliteCertStore& operator=(const SqliteCertStore&) = delete;

  const std::string& Path() const { return m_path; }
  bool IsReadOnly() const { return m_readOnly; }

  // Stores a certificate or a revocation list, told apart by their shape.
  AddResult Add(std::span<const std::uint8_t> der);
  // Stores many in one transaction, which is what makes a bulk import fast: one
  // result per item, in order. Every item is read before any is stored, so one
  // that is neither a certificate nor a list stores none of them.
  std::vector<AddResult> AddAll(std::span<const std::vector<std::uint8_t>> ders);
  // Removes the item with that id, of either kind; false when there is none.
  bool Remove(std::int64_t id);
  // The item with that id, of either kind.
  std::optional<Item> Describe(std::int64_t id);
  std::vector<std::uint8_t> Export(std::int64_t id);
  // Every item of one kind, in id order.
  std::vector<Item> List(Kind kind);

  // ---- A CA's records (caKeyId: the CA's subject key identifier) ----
  // Records that the CA revoked `serial` on `date` for `reason`. A serial already
  // revoked (and not lifted) is reported with its record and left as it was; a
  // lifted hold may be revoked again, which replaces the record. Fails with
  // 31014 for a malformed date, serial, key id or reason (8, removeFromCRL, is
  // what LiftHold records).
  RecordResult RecordRevocation(std::span<const std::uint8_t> caKeyId, std::span<const std::uint8_t> serial,
                                const std::string& date, int reason);
  // Lifts a certificateHold as of `date`. False when the serial is not on hold
  // (not revoked, revoked for another reason, or lifted already).
  bool LiftHold(std::span<const std::uint8_t> caKeyId, std::span<const std::uint8_t> serial,
                const std::string& date);
  // The record of one serial, lifted ones included; none when never revoked.
  std::optional<Revocation> FindRevocation(std::span<const std::uint8_t> caKeyId,
                                           std::span<const std::uint8_t> serial);
  // The CA's records in the order they changed. Without `sinceChange`, every
  // record (lifted ones included: a full list leaves those out); with it, only
  // those that changed after that counter value (a delta list's content, given
  // its base's `CrlNumbers::lastFullCovered`).
  std::vector<Revocation> Revocations(std::span<const std::uint8_t> caKeyId,
                                      std::optional<std::int64_t> sinceChange = std::nullopt);
  // The CA's list numbers and the change counter, read together. A list is made
  // from Numbers() read first and Revocations() read after: a change recorded in
  // between then shows in the list and again in the next delta, never in neither.
  CrlNumbers Numbers(std::span<const std::uint8_t> caKeyId);
  // Stores a list the CA signed (numbered `number`, a delta when `baseNumber` is
  // set, made from the records up to change `covered`) and advances the CA's
  // numbers, in one transaction. Fails with 31015 when `number` is not the CA's
  // next number (another list was recorded meanwhile) or a delta's base is not
  // the CA's newest full list, with 31006/31012 when `der` is no list.
  AddResult RecordCrl(std::span<const std::uint8_t> caKeyId, std::int64_t number,
                      std::optional<std::int64_t> baseNumber, std::int64_t covered,
                      std::span<const std::uint8_t> der);

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
  void Upgrade(std::int64_t from);
  void RequireCaRecords() const;
  AddResult AddOfKind(std::span<const std::uint8_t> der, std::optional<Kind> expected);
  AddResult InsertItem(std::span<const std::uint8_t> der, const sqlitestore::ItemFields& fields);
  bool RemoveOfKind(std::int64_t id, std::optional<Kind> kind);
  void GetDer(std::int64_t id, Kind kind, std::uint8_t* der, std::uint32_t* length);
  std::uint32_t Count(Kind kind);
  std::uint32_t Walk(Kind kind, void* context, CertStorageCallback callback);
  void RequireWritable() const;

  std::string m_path;
  sqlite3* m_db = nullptr;
  std::unique_ptr<StatementCache> m_statements;  // prepared once, reused per call
  bool m_readOnly = false;
  int m_schema = kSchemaVersion;  // the file's, lower only when opened read-only
  std::recursive_mutex m_mutex;
};

}  // namespace tavrpki
