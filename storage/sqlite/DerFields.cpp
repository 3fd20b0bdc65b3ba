#include "DerFields.h"

#include <algorithm>
#include <cstddef>

namespace tavrpki::sqlitestore {
namespace {

using Bytes = std::span<const std::uint8_t>;

constexpr std::uint8_t kInteger = 0x02, kOctetString = 0x04, kOid = 0x06, kBoolean = 0x01,
                       kSequence = 0x30, kUtcTime = 0x17, kGeneralizedTime = 0x18;
constexpr std::uint8_t kVersionTag = 0xA0, kCertExtensionsTag = 0xA3, kCrlExtensionsTag = 0xA0;

// The OIDs' content octets: 2.5.29.14, 2.5.29.20, 2.5.29.27.
constexpr std::uint8_t kSubjectKeyIdOid[] = {0x55, 0x1D, 0x0E};
constexpr std::uint8_t kCrlNumberOid[] = {0x55, 0x1D, 0x14};
constexpr std::uint8_t kDeltaIndicatorOid[] = {0x55, 0x1D, 0x1B};

struct Element {
  std::uint8_t tag = 0;
  Bytes content;
  Bytes whole;  // identifier, length and content
};

// A cursor over one level of DER elements.
class Cursor {
 public:
  explicit Cursor(Bytes bytes) : m_rest(bytes) {}

  bool Empty() const { return m_rest.empty(); }
  std::uint8_t PeekTag() const {
    if (m_rest.empty()) throw FieldError{"an element is missing"};
    return m_rest[0];
  }

  Element Next() {
    if (m_rest.size() < 2) throw FieldError{"an element is cut short"};
    Element e;
    e.tag = m_rest[0];
    // Low tag numbers only: none of the elements read here has a high one.
    if ((e.tag & 0x1F) == 0x1F) throw FieldError{"a tag number in the high form"};
    std::size_t header = 2;
    std::size_t length = m_rest[1];
    if (length & 0x80) {
      const std::size_t octets = length & 0x7F;
      if (octets == 0) throw FieldError{"an indefinite length"};
      if (octets > 4) throw FieldError{"a length of more than four octets"};
      if (m_rest.size() - 2 < octets) throw FieldError{"a length is cut short"};
      length = 0;
      for (std::size_t i = 0; i < octets; ++i) length = length << 8 | m_rest[2 + i];
      header += octets;
    }
    if (length > m_rest.size() - header) throw FieldError{"an element runs past its end"};
    e.content = m_rest.subspan(header, length);
    e.whole = m_rest.first(header + length);
    m_rest = m_rest.subspan(header + length);
    return e;
  }

  Element Expect(std::uint8_t tag, const char* missing) {
    if (m_rest.empty() || m_rest[0] != tag) throw FieldError{missing};
    return Next();
  }

  void ExpectEnd(const char* reason) const {
    if (!m_rest.empty()) throw FieldError{reason};
  }

 private:
  Bytes m_rest;
};

std::vector<std::uint8_t> Copy(Bytes bytes) { return {bytes.begin(), bytes.end()}; }

bool Equal(Bytes a, Bytes b) { return std::equal(a.begin(), a.end(), b.begin(), b.end()); }

// The content octets of an INTEGER (never empty).
std::vector<std::uint8_t> IntegerContent(Element e, const char* reason) {
  if (e.tag != kInteger || e.content.empty()) throw FieldError{reason};
  return Copy(e.content);
}

// Calls `each(oid content, value content)` for every Extension of the list.
//   Extensions ::= SEQUENCE OF Extension
//   Extension  ::= SEQUENCE { extnID OBJECT IDENTIFIER, critical BOOLEAN DEFAULT FALSE,
//                             extnValue OCTET STRING }
template <class Each>
void ForEachExtension(Bytes listContent, Each each) {
  Cursor list(listContent);
  while (!list.Empty()) {
    Cursor extension(list.Expect(kSequence, "an extension is not a SEQUENCE").content);
    const Bytes oid = extension.Expect(kOid, "an extension has no OID").content;
    if (!extension.Empty() && extension.PeekTag() == kBoolean) extension.Next();
    const Bytes value = extension.Expect(kOctetString, "an extension has no value").content;
    extension.ExpectEnd("an extension has more than three fields");
    each(oid, value);
  }
}

// UTCTime or GeneralizedTime as "YYYYMMDDHHMMSSZ". Seconds may be absent
// (UTCTime) and fractions or a zone offset may follow; only the digits before
// them are kept, so a list that says its time differently still gets a column.
std::string TimeText(Element e) {
  const bool utc = e.tag == kUtcTime;
  if (!utc && e.tag != kGeneralizedTime) throw FieldError{"thisUpdate is not a time"};
  std::string digits;
  for (const std::uint8_t c : e.content) {
    if (c < '0' || c > '9') break;
    digits.push_back(static_cast<char>(c));
  }
  const std::size_t minimum = utc ? 10 : 12;  // up to the minutes
  if (digits.size() < minimum) throw FieldError{"thisUpdate is too short"};
  if (utc) {
    digits.resize(std::min<std::size_t>(digits.size(), 12));
    // RFC 5280: a two-digit year of 50 or more is 19YY.
    digits.insert(0, digits[0] >= '5' ? "19" : "20");
  } else {
    digits.resize(std::min<std::size_t>(digits.size(), 14));
  }
  if (digits.size() % 2 != 0) throw FieldError{"thisUpdate has an odd number of digits"};
  digits.resize(14, '0');
  return digits + "Z";
}

//   TBSCertificate ::= SEQUENCE { version [0] EXPLICIT Version DEFAULT v1,
//     serialNumber INTEGER, signature AlgorithmIdentifier, issuer Name,
//     validity Validity, subject Name, subjectPublicKeyInfo SubjectPublicKeyInfo,
//     issuerUniqueID [1] IMPLICIT OPTIONAL, subjectUniqueID [2] IMPLICIT OPTIONAL,
//     extensions [3] EXPLICIT Extensions OPTIONAL }
void ReadCertificateBody(Bytes body, ItemFields& out) {
  Cursor tbs(body);
  if (tbs.PeekTag() == kVersionTag) tbs.Next();
  out.serial = IntegerContent(tbs.Next(), "the serial number is not an INTEGER");
  tbs.Expect(kSequence, "the signature algorithm is missing");
  out.issuer = Copy(tbs.Expect(kSequence, "the issuer is not a Name").whole);
  tbs.Expect(kSequence, "the validity is missing");
  out.subject = Copy(tbs.Expect(kSequence, "the subject is not a Name").whole);
  tbs.Expect(kSequence, "the public key is missing");
  while (!tbs.Empty()) {
    const Element e = tbs.Next();
    if (e.tag != kCertExtensionsTag) continue;  // the unique identifiers are not kept
    Cursor wrapper(e.content);
    const Bytes list = wrapper.Expect(kSequence, "the extensions are not a SEQUENCE").content;
    ForEachExtension(list, [&](Bytes oid, Bytes value) {
      if (!Equal(oid, kSubjectKeyIdOid) || out.hasKeyId) return;
      //   SubjectKeyIdentifier ::= OCTET STRING
      Cursor inner(value);
      out.keyId = Copy(inner.Expect(kOctetString, "the subject key identifier is not an OCTET STRING").content);
      out.hasKeyId = true;
    });
  }
}

//   TBSCertList ::= SEQUENCE { version Version OPTIONAL, signature AlgorithmIdentifier,
//     issuer Name, thisUpdate Time, nextUpdate Time OPTIONAL,
//     revokedCertificates SEQUENCE OF SEQUENCE {...} OPTIONAL,
//     crlExtensions [0] EXPLICIT Extensions OPTIONAL }
void ReadCrlBody(Bytes body, ItemFields& out) {
  Cursor tbs(body);
  if (tbs.PeekTag() == kInteger) tbs.Next();
  tbs.Expect(kSequence, "the signature algorithm is missing");
  out.issuer = Copy(tbs.Expect(kSequence, "the issuer is not a Name").whole);
  out.thisUpdate = TimeText(tbs.Next());
  if (!tbs.Empty() && (tbs.PeekTag() == kUtcTime || tbs.PeekTag() == kGeneralizedTime)) tbs.Next();
  // The entries are skipped whole: a long list costs one length read here.
  if (!tbs.Empty() && tbs.PeekTag() == kSequence) tbs.Next();
  if (tbs.Empty()) return;
  Cursor wrapper(tbs.Expect(kCrlExtensionsTag, "unexpected data after the entries").content);
  const Bytes list = wrapper.Expect(kSequence, "the extensions are not a SEQUENCE").content;
  ForEachExtension(list, [&](Bytes oid, Bytes value) {
    const bool number = Equal(oid, kCrlNumberOid), delta = Equal(oid, kDeltaIndicatorOid);
    if (!number && !delta) return;
    //   CRLNumber ::= INTEGER; BaseCRLNumber ::= CRLNumber
    Cursor inner(value);
    auto content = IntegerContent(inner.Next(), "a CRL number is not an INTEGER");
    if (number && !out.hasNumber) {
      out.number = std::move(content);
      out.hasNumber = true;
    } else if (delta && !out.delta) {
      out.baseNumber = std::move(content);
      out.delta = true;
    }
  });
}

}  // namespace

//   Certificate ::= SEQUENCE { tbsCertificate, signatureAlgorithm, signatureValue }
//   CertificateList ::= SEQUENCE { tbsCertList, signatureAlgorithm, signatureValue }
ItemFields ReadItemFields(std::span<const std::uint8_t> der) {
  Cursor top(der);
  const Element outer = top.Expect(kSequence, "not a SEQUENCE");
  top.ExpectEnd("data after the end of the item");
  Cursor item(outer.content);
  const Bytes body = item.Expect(kSequence, "the body is not a SEQUENCE").content;
  item.Expect(kSequence, "the signature algorithm is missing");
  item.Next();  // the signature value; its form is the library's to judge

  // Tell the two apart by the element after the issuer: a certificate's validity
  // is a SEQUENCE, a list's thisUpdate a time. A body that starts with a SEQUENCE
  // has no serial number, so it can only be a list without a version.
  Cursor probe(body);
  if (probe.PeekTag() == kVersionTag) probe.Next();
  bool certificate = false;
  if (probe.PeekTag() == kInteger) {
    probe.Next();
    probe.Expect(kSequence, "the signature algorithm is missing");
    probe.Expect(kSequence, "the issuer is not a Name");
    certificate = probe.PeekTag() == kSequence;
  }
  ItemFields out;
  out.kind = certificate ? ItemKind::kCertificate : ItemKind::kCrl;
  if (certificate)
    ReadCertificateBody(body, out);
  else
    ReadCrlBody(body, out);
  return out;
}

}  // namespace tavrpki::sqlitestore
