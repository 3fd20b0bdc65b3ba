#include "asn1/crl/CrlEntryList.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "asn1/ASN1OID.h"
#include "asn1/ASN1UTCTime.h"
#include "asn1/Der.h"
#include "asn1/x509/Shapes.h"
#include "core/Catalogue.h"

namespace tavrpki {
namespace crl {
namespace {

// The reason-code extension exactly as this system writes it:
// 30 0A { 06 03 55 1D 15; 04 03 { 0A 01 reason } }.
constexpr std::uint8_t kReasonExtension[] = {0x30, 0x0A, 0x06, 0x03, 0x55, 0x1D, 0x15, 0x04, 0x03, 0x0A, 0x01};
constexpr std::size_t kReasonExtensionSize = sizeof kReasonExtension + 1;
constexpr std::size_t kUtcTimeLength = 13;

int Digit(std::uint8_t c) { return c >= '0' && c <= '9' ? c - '0' : -1; }

// YYMMDDHHMMSSZ, the form every real list uses, read without building an
// ASN1UTCTime; any other text goes through it (same result, slower).
SYSTEMTIME ReadUtcTime(ByteView text) {
  if (text.size() == kUtcTimeLength && text[12] == 'Z') {
    int v[6];
    bool digits = true;
    for (int i = 0; i < 6; ++i) {
      const int high = Digit(text[2 * i]), low = Digit(text[2 * i + 1]);
      digits = digits && high >= 0 && low >= 0;
      v[i] = high * 10 + low;
    }
    if (digits) {
      const int year = v[0] >= 50 ? 1900 + v[0] : 2000 + v[0];
      if (!DateTime::IsValid(year, v[1], v[2], v[3], v[4], v[5])) Raise(kMsgBadCrlEntry);
      SYSTEMTIME time{};
      time.wYear = static_cast<WORD>(year);
      time.wMonth = static_cast<WORD>(v[1]);
      time.wDay = static_cast<WORD>(v[2]);
      time.wHour = static_cast<WORD>(v[3]);
      time.wMinute = static_cast<WORD>(v[4]);
      time.wSecond = static_cast<WORD>(v[5]);
      return time;
    }
  }
  ASN1UTCTime time;
  time.Assign(text);
  return time.GetTime().SystemTime();
}

// The UTCTime text ASN1UTCTime writes for `date` (13 characters for any real date).
std::uint32_t UtcText(const SYSTEMTIME& date, char (&text)[64]) {
  int yy = date.wYear < 2001 ? date.wYear - 1900 : date.wYear - 2000;
  if (yy > 99 || yy < 0) yy = 0;
  const int n = std::snprintf(text, sizeof text, "%02d%02d%02d%02d%02d%02dZ", yy, date.wMonth, date.wDay,
                              date.wHour, date.wMinute, date.wSecond);
  return static_cast<std::uint32_t>(n);
}

std::uint64_t ElementSize(std::uint64_t content) { return 1 + der::LengthSize(content) + content; }

std::uint8_t* Put(std::uint8_t* out, std::uint8_t identifier, std::uint64_t length) {
  *out++ = identifier;
  return der::WriteLength(out, length);
}

// True when the OID's dotted text begins with "2.5.29." (the only extensions an
// entry may carry). 55 1D is 2.5.29 for every minimal encoding; anything else is
// rare enough to be worth the text.
bool InCertificateExtensionArc(ByteView oid) {
  if (oid.size() >= 3 && oid[0] == 0x55 && oid[1] == 0x1D) return true;
  ASN1OID text;
  text.Assign(oid);
  return text.ToText().StartsWith(String("2.5.29."));
}

// The last arc is 21: its octet is 15 and the octet before it ends an arc.
bool LastArcIs21(ByteView oid) { return !oid.empty() && oid.back() == 0x15 && (oid.size() == 1 || oid[oid.size() - 2] < 0x80); }

// reason ENUMERATED, an unsigned byte here.
std::uint8_t ReadReason(ByteView value) {
  const ByteView content = der::ReadContentOf(value, 0x0A, kMsgBadCrlEntry);
  std::uint32_t reason = 0;
  if (content.empty()) Raise(kMsgBadCrlEntry);
  for (const std::uint8_t octet : content) {
    reason = reason << 8 | octet;
    if (reason > 0xFF) Raise(kMsgBadCrlEntry);
  }
  return static_cast<std::uint8_t>(reason);
}

void ReadEntryUncoded(ByteView element, EntryParts& parts) {
  DerReader fields = x509::Open(element, 0x30, kMsgBadCrlEntry);
  parts.serial = der::ReadContentOf(fields.Next(), 0x02, kMsgBadCrlEntry);
  parts.date = ReadUtcTime(der::ReadContentOf(fields.Next(), 0x17, kMsgBadCrlEntry));
  parts.reason = kCrlNoReason;
  parts.extensions.Clear();
  if (!fields.HasMore()) return;
  DerReader list = x509::Enter(fields, 0x30, kMsgBadCrlEntry);
  // Anything after the extension SEQUENCE inside the entry is not read (not an error here).
  while (list.HasMore()) {
    const ByteView element = list.Next();
    if (element.size() == kReasonExtensionSize &&
        std::memcmp(element.data(), kReasonExtension, sizeof kReasonExtension) == 0 &&
        element.back() < kCrlFirstNonReason) {
      parts.reason = element.back();
      continue;
    }
    ASN1CertExtension extension;
    extension.Decode(element);
    const ByteView oid = extension.ExtnId().View();
    if (!InCertificateExtensionArc(oid)) Raise(kMsgUnknownCrlExtension);
    if (LastArcIs21(oid)) {
      parts.reason = ReadReason(extension.Value());
      // Real lists carry codes from 10 up (aACompromise is 10), which the written
      // rule drops; such an extension stays among the others exactly as read, so
      // the entry writes back the bytes that were signed.
      if (parts.reason < kCrlFirstNonReason) continue;
      parts.extensions.Append(element);
      continue;
    }
    Blob der;
    extension.Encode(der);
    parts.extensions.Append(der);
  }
}

}  // namespace

// CRLEntry ::= SEQUENCE { userCertificate INTEGER, revocationDate Time,
//                         crlEntryExtensions Extensions OPTIONAL }
void ReadEntry(ByteView element, EntryParts& parts) {
  try {
    ReadEntryUncoded(element, parts);
  } catch (const Exception& e) {
    if (e.GetErrorCode() == kMsgUnknownCrlExtension.code || e.GetErrorCode() == kMsgBadCrlEntry.code) throw;
    Raise(kMsgBadCrlEntry);
  }
}

std::uint64_t EntrySize(ByteView serial, const SYSTEMTIME& date, std::uint8_t reason, ByteView extensions) {
  char text[64];
  const std::uint64_t extensionsContent =
      (reason < kCrlFirstNonReason ? kReasonExtensionSize : 0) + extensions.size();
  return ElementSize(ElementSize(serial.size()) + ElementSize(UtcText(date, text)) + ElementSize(extensionsContent));
}

std::uint8_t* WriteEntry(std::uint8_t* out, ByteView serial, const SYSTEMTIME& date, std::uint8_t reason,
                         ByteView extensions) {
  char text[64];
  const std::uint32_t textSize = UtcText(date, text);
  const bool hasReason = reason < kCrlFirstNonReason;
  const std::uint64_t extensionsContent = (hasReason ? kReasonExtensionSize : 0) + extensions.size();
  out = Put(out, 0x30, ElementSize(serial.size()) + ElementSize(textSize) + ElementSize(extensionsContent));
  out = Put(out, 0x02, serial.size());
  out = std::copy(serial.begin(), serial.end(), out);
  out = Put(out, 0x17, textSize);
  out = std::copy(text, text + textSize, out);
  out = Put(out, 0x30, extensionsContent);
  if (hasReason) {
    out = std::copy(std::begin(kReasonExtension), std::end(kReasonExtension), out);
    *out++ = reason;
  }
  return std::copy(extensions.begin(), extensions.end(), out);
}

}  // namespace crl

namespace {

// Serial octets without their leading zero octets: equal values, equal views.
ByteView Trimmed(ByteView serial) {
  std::size_t zeros = 0;
  while (zeros < serial.size() && serial[zeros] == 0) ++zeros;
  return serial.subspan(zeros);
}

// FNV-1a of a serial's value octets, finished with a multiply so that the low
// bits (the bucket) depend on every octet.
std::uint64_t HashOf(ByteView value) {
  std::uint64_t h = 0xCBF29CE484222325ull;
  for (const std::uint8_t octet : value) h = (h ^ octet) * 0x100000001B3ull;
  return (h ^ (h >> 29)) * 0xBF58476D1CE4E5B9ull >> 11;
}

// Orders serial values as unsigned magnitudes.
int CompareValues(ByteView a, ByteView b) {
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  const int c = a.empty() ? 0 : std::memcmp(a.data(), b.data(), a.size());
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

}  // namespace

ByteView CrlEntryList::ExtensionsOf(const Record& record) const {
  return ByteView(m_arena).subspan(record.offset + record.serialSize, record.extensionsSize);
}

ByteView CrlEntryList::Serial(std::uint32_t index) const {
  const Record& record = At(index);
  return ByteView(m_arena).subspan(record.offset, record.serialSize);
}

DateTime CrlEntryList::RevocationDate(std::uint32_t index) const { return DateTime(At(index).date); }

std::uint8_t CrlEntryList::ReasonCode(std::uint32_t index) const { return At(index).reason; }

ASN1CrlEntry CrlEntryList::Get(std::uint32_t index) const {
  const Record& record = At(index);
  ASN1CrlEntry entry;
  entry.UserCertificate().SetBytes(Serial(index));
  entry.SetRevocationDate(DateTime(record.date));
  entry.SetReasonCode(record.reason);
  DerReader extensions(ExtensionsOf(record));
  while (extensions.HasMore()) extensions.Read(entry.Extensions().emplace_back());
  return entry;
}

void CrlEntryList::Push(ByteView serial, const SYSTEMTIME& date, std::uint8_t reason, ByteView extensions) {
  const std::uint64_t offset = m_arena.size();
  if (offset + serial.size() + extensions.size() > 0xFFFFFFFFu) Raise(kMsgBadCrlEntry);
  // Room first (growing geometrically), so that a failure below leaves no half record.
  if (m_records.size() == m_records.capacity()) m_records.reserve(std::max<std::size_t>(16, 2 * m_records.size()));
  m_arena.insert(m_arena.end(), serial.begin(), serial.end());
  m_arena.insert(m_arena.end(), extensions.begin(), extensions.end());
  m_records.push_back(Record{static_cast<std::uint32_t>(offset), static_cast<std::uint32_t>(serial.size()),
                             static_cast<std::uint32_t>(extensions.size()), date, reason});
  if (serial.empty()) m_hasEmptySerial = true;
  Changed();
}

void CrlEntryList::Append(const ASN1CrlEntry& entry) {
  Push(entry.UserCertificate().View(), entry.RevocationDate().SystemTime(), entry.ReasonCode(),
       crl::ExtensionsDer(entry));
}

void CrlEntryList::Append(const CrlEntryList& other) {
  if (&other == this) {
    const CrlEntryList copy = other;
    Append(copy);
    return;
  }
  if (m_arena.size() + other.m_arena.size() > 0xFFFFFFFFu) Raise(kMsgBadCrlEntry);
  const auto shift = static_cast<std::uint32_t>(m_arena.size());
  m_records.reserve(m_records.size() + other.m_records.size());
  m_arena.insert(m_arena.end(), other.m_arena.begin(), other.m_arena.end());
  for (Record record : other.m_records) {
    record.offset += shift;
    m_records.push_back(record);
  }
  m_hasEmptySerial = m_hasEmptySerial || other.m_hasEmptySerial;
  Changed();
}

void CrlEntryList::AppendEncoded(ByteView element) {
  crl::EntryParts parts;
  crl::ReadEntry(element, parts);
  Push(parts.serial, parts.date, parts.reason, parts.extensions);
}

void CrlEntryList::Clear() {
  m_records.clear();
  m_arena.clear();
  m_hasEmptySerial = false;
  m_buckets.clear();
  m_nextSame.clear();
  m_repeated.clear();
  Changed();
}

std::uint64_t CrlEntryList::EncodedSize() const {
  std::uint64_t size = 0;
  for (std::uint32_t i = 0; i < Count(); ++i) {
    const Record& record = m_records[i];
    size += crl::EntrySize(Serial(i), record.date, record.reason, ExtensionsOf(record));
  }
  return size;
}

void CrlEntryList::EncodeTo(Blob& out) const {
  const std::uint64_t size = EncodedSize();
  if (size > 0xFFFFFFFFu) Raise(kMsgBadCrl);
  std::uint8_t* at = out.ResizeAndGet(static_cast<std::uint32_t>(size));
  for (std::uint32_t i = 0; i < Count(); ++i) {
    const Record& record = m_records[i];
    at = crl::WriteEntry(at, Serial(i), record.date, record.reason, ExtensionsOf(record));
  }
}

void CrlEntryList::BuildIndex() const {
  const std::size_t n = m_records.size();
  std::size_t buckets = 16;
  while (buckets < 2 * n) buckets *= 2;
  m_buckets.assign(buckets, kNotFound);
  m_nextSame.assign(n, kNotFound);
  m_repeated.assign(n / 64 + 1, 0);
  std::vector<std::uint32_t> tail(n, kNotFound);  // last entry of each serial's chain, by its first
  for (std::uint32_t i = 0; i < n; ++i) {
    const ByteView value = Trimmed(Serial(i));
    for (std::size_t b = HashOf(value) & (buckets - 1);; b = (b + 1) & (buckets - 1)) {
      const std::uint32_t first = m_buckets[b];
      if (first == kNotFound) {
        m_buckets[b] = i;
        tail[i] = i;
        break;
      }
      if (CompareValues(Trimmed(Serial(first)), value) == 0) {
        m_repeated[first / 64] |= std::uint64_t{1} << (first % 64);
        m_nextSame[tail[first]] = i;
        tail[first] = i;
        break;
      }
    }
  }
  m_indexed = true;
}

std::uint32_t CrlEntryList::FindLatest(ByteView serial) const {
  if (serial.empty() || m_hasEmptySerial) Raise(kMsgIntegerCompareFailed);
  if (!m_indexed) BuildIndex();
  const ByteView wanted = Trimmed(serial);
  const std::size_t mask = m_buckets.size() - 1;
  for (std::size_t b = HashOf(wanted) & mask; m_buckets[b] != kNotFound; b = (b + 1) & mask) {
    std::uint32_t found = m_buckets[b];
    if (CompareValues(Trimmed(Serial(found)), wanted) != 0) continue;
    if ((m_repeated[found / 64] >> (found % 64) & 1) == 0) return found;
    // The chain runs in list order, so only a strictly later date replaces.
    for (std::uint32_t i = m_nextSame[found]; i != kNotFound; i = m_nextSame[i])
      if (DateTime(m_records[i].date).Greater(DateTime(m_records[found].date))) found = i;
    return found;
  }
  return kNotFound;
}

}  // namespace tavrpki
