#include "asn1/x509/ASN1TBSCert.h"

#include <limits>

#include "asn1/ASN1UTCTime.h"
#include "asn1/Der.h"
#include "asn1/x509/Shapes.h"
#include "core/Catalogue.h"

namespace tavrpki {
namespace {

// The UTCTime text length this system writes (YYMMDDHHMMSSZ); any other form
// of validity is kept byte for byte.
constexpr std::size_t kUtcTimeLength = 13;

struct Time {
  DateTime value;
  bool isShortUtc = false;
};

// Time ::= CHOICE { utcTime UTCTime, generalTime GeneralizedTime }
Time ReadTime(DerReader& validity) {
  if (!validity.HasMore()) Raise(kMsgBadTbsCertificate);
  if (validity.PeekIdentifier() == 0x18) {
    ASN1GeneralizedTime time;
    validity.Read(time);
    return {time.GetTime(), false};
  }
  ASN1UTCTime time;
  validity.Read(time);
  return {time.GetTime(), time.Size() == kUtcTimeLength};
}

}  // namespace

void ASN1TBSCert::SetValidity(const DateTime& notBefore, const DateTime& notAfter) {
  m_notBefore = notBefore;
  m_notAfter = notAfter;
  m_rawValidity = ASN1Primitive();
}

ASN1Primitive ASN1TBSCert::Sequence() const {
  ASN1Primitive body(TagClass(), IsConstructed(), TagNumber());
  ASN1Primitive version(kContextSpecific, true, 0);
  version.AppendChild(ASN1Integer(m_version));
  body.AppendChild(version);
  body.AppendChild(m_serialNumber);
  body.AppendChild(m_signature);
  body.AppendChild(m_issuer);
  if (m_rawValidity.IsEmpty()) {
    ASN1Primitive validity(kUniversal, true, 16);
    validity.AppendChild(ASN1UTCTime(m_notBefore));
    validity.AppendChild(ASN1UTCTime(m_notAfter));
    body.AppendChild(validity);
  } else {
    body.AppendChild(m_rawValidity);
  }
  body.AppendChild(m_subject);
  body.AppendChild(m_subjectPublicKeyInfo);
  if (m_version >= 2) body.AppendChild(m_extensions);
  return body;
}

void ASN1TBSCert::Encode(Blob& out) const {
  Sequence().Encode(out);
  KeepSignedBytes(out.View());
}

std::uint32_t ASN1TBSCert::EncodedSize() const { return Sequence().EncodedSize(); }

// TBSCertificate ::= SEQUENCE { version [0] EXPLICIT INTEGER, serialNumber INTEGER,
//   signature AlgorithmIdentifier, issuer Name, validity Validity, subject Name,
//   subjectPublicKeyInfo SubjectPublicKeyInfo, extensions [3] EXPLICIT Extensions }
void ASN1TBSCert::Decode(ByteView in) {
  auto [whole, fields] = x509::OpenSignedBody(in, kMsgBadTbsCertificate);
  ASN1TBSCert body;

  // A version 1 body without [0] is refused, unlike X.509's DEFAULT v1.
  DerReader versionField = x509::Enter(fields, 0xA0, kMsgBadTbsCertificate);
  ASN1Integer version;
  versionField.Read(version);  // anything after the INTEGER inside [0] is not read
  const std::int64_t value = version.GetValue();
  if (value > std::numeric_limits<std::int32_t>::max()) Raise(kMsgBadTbsCertificate);
  body.m_version = static_cast<std::int32_t>(value);

  fields.Read(body.m_serialNumber);
  fields.Read(body.m_signature);
  fields.Read(body.m_issuer);

  // Validity ::= SEQUENCE { notBefore Time, notAfter Time }
  if (!fields.HasMore()) Raise(kMsgBadTbsCertificate);
  const ByteView validityElement = fields.Rest().first(der::ElementSize(fields.Rest()));
  der::Header validityHeader;
  DerReader validity = fields.Enter(validityHeader);
  // Only the tag number is checked: class and constructed bit are not. (A
  // multi-octet identifier is refused: the element could not be written back.)
  if (validityHeader.SingleOctet() < 0 || validityHeader.TagNumber() != 16) Raise(kMsgBadTbsCertificate);
  const Time notBefore = ReadTime(validity);
  const Time notAfter = ReadTime(validity);
  body.m_notBefore = notBefore.value;
  body.m_notAfter = notAfter.value;
  if (!notBefore.isShortUtc || !notAfter.isShortUtc) body.m_rawValidity.Decode(validityElement);

  fields.Read(body.m_subject);
  fields.Read(body.m_subjectPublicKeyInfo);
  // A version 1 or 2 body ends here whatever follows; a version 3 body must go on
  // with [3] extensions, and bytes after them are not read.
  if (body.m_version >= 2) fields.Read(body.m_extensions);

  body.KeepSignedBytes(whole);
  *this = std::move(body);
}

}  // namespace tavrpki
