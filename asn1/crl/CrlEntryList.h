// `CrlEntryList`: the revoked-certificate entries of a list, in insertion order,
// held compactly.
//
// Lists of hundreds of thousands of entries are common, so an entry is not kept
// as an `ASN1CrlEntry` object (a dozen heap blocks each) but as one fixed record
// plus its serial octets and its other extensions' DER in a shared arena; `Get`
// builds the object on demand. What an entry reads as and writes as is exactly
// what `ASN1CrlEntry` reads and writes: both go through the functions here.
#pragma once

#include <cstdint>
#include <vector>

#include "asn1/Blob.h"
#include "asn1/DateTime.h"
#include "asn1/crl/ASN1CrlEntry.h"

namespace tavrpki {

class CrlEntryList {
 public:
  static constexpr std::uint32_t kNotFound = 0xFFFFFFFFu;

  std::uint32_t Count() const { return static_cast<std::uint32_t>(m_records.size()); }
  bool IsEmpty() const { return m_records.empty(); }

  // The entry at `index` as an object (std::out_of_range past the end).
  ASN1CrlEntry Get(std::uint32_t index) const;
  // Parts of the entry at `index` without building it (std::out_of_range past
  // the end). The serial is its INTEGER content octets, a view that lives until
  // the list changes.
  ByteView Serial(std::uint32_t index) const;
  DateTime RevocationDate(std::uint32_t index) const;
  std::uint8_t ReasonCode(std::uint32_t index) const;

  void Append(const ASN1CrlEntry& entry);
  void Append(const CrlEntryList& other);
  // Decodes the entry element at the start of `element` (as ASN1CrlEntry::Decode,
  // with its codes 50032 and 50033) and appends it; nothing is appended on failure.
  void AppendEncoded(ByteView element);
  void Reserve(std::uint32_t count) { m_records.reserve(count); }
  void Clear();

  // The encodings of all entries one after the other, in list order.
  std::uint64_t EncodedSize() const;
  void EncodeTo(Blob& out) const;

  // The index of the entry whose serial equals `serial` as an integer (leading
  // zero octets do not count) with the latest revocation date, the earlier entry
  // winning a tie; kNotFound when none. An empty serial, asked for or listed,
  // fails with code 50021, as every comparison of an empty INTEGER does. The
  // first call after a change builds a hash index of the list (linear); later
  // calls cost a probe or two and the entries of that one serial.
  std::uint32_t FindLatest(ByteView serial) const;

 private:
  struct Record {
    std::uint32_t offset;          // of the serial octets in the arena; the extensions follow
    std::uint32_t serialSize;
    std::uint32_t extensionsSize;  // DER of the extensions other than the reason code
    SYSTEMTIME date;
    std::uint8_t reason;
  };

  const Record& At(std::uint32_t index) const { return m_records.at(index); }
  ByteView ExtensionsOf(const Record& record) const;
  void Push(ByteView serial, const SYSTEMTIME& date, std::uint8_t reason, ByteView extensions);
  void Changed() { m_indexed = false; }

  std::vector<Record> m_records;
  std::vector<std::uint8_t> m_arena;
  bool m_hasEmptySerial = false;
  // The index, rebuilt after a change: open-addressing buckets holding the first
  // entry of each serial value, and per entry the next one with the same value
  // (kNotFound ends a chain), in list order. A bit per entry says whether a
  // chain starts there: a bitset small enough to stay cached, so the lookup of a
  // serial listed once (nearly all) skips the cache miss of its chain link.
  void BuildIndex() const;
  mutable std::vector<std::uint32_t> m_buckets;
  mutable std::vector<std::uint32_t> m_nextSame;
  mutable std::vector<std::uint64_t> m_repeated;
  mutable bool m_indexed = false;
};

namespace crl {

// One entry element, read: the serial octets, the date, the reason code and the
// DER of the other extensions (each as ASN1CertExtension writes it). Codes
// 50032 and 50033.
struct EntryParts {
  ByteView serial;
  SYSTEMTIME date{};
  std::uint8_t reason = kCrlNoReason;
  Blob extensions;
};
void ReadEntry(ByteView element, EntryParts& parts);

// The DER of an entry's extensions other than the reason code it writes itself.
Blob ExtensionsDer(const ASN1CrlEntry& entry);

// Size and encoding of one entry from its parts.
std::uint64_t EntrySize(ByteView serial, const SYSTEMTIME& date, std::uint8_t reason, ByteView extensions);
std::uint8_t* WriteEntry(std::uint8_t* out, ByteView serial, const SYSTEMTIME& date, std::uint8_t reason,
                         ByteView extensions);

}  // namespace crl
}  // namespace tavrpki
