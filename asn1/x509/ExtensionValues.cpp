#include "asn1/x509/ExtensionValues.h"

#include <limits>

#include "asn1/ASN1Bool.h"
#include "asn1/ASN1OctetString.h"
#include "asn1/Der.h"
#include "asn1/x509/Shapes.h"

namespace tavrpki {
namespace {

// The encoding of `element` under another single identifier octet (a Name as
// [1], an INTEGER as [2]): low tag numbers only, so the length is unchanged.
void Retagged(const ASN1Any& element, std::uint8_t identifier, ASN1Primitive& into) {
  Blob der;
  element.Encode(der);
  *der.At(0) = identifier;
  into.Append(der);
}

// The tag number of the next element when its identifier is one octet, else -1.
int NextTagNumber(const DerReader& reader) {
  if (!reader.HasMore()) return -1;
  const std::uint8_t octet = reader.PeekIdentifier();
  return (octet & 0x1F) == 0x1F ? -1 : octet & 0x1F;
}

ASN1Primitive UriName(const String& url) {
  ASN1Primitive uri(ASN1Primitive::kContextSpecific, false, 6);
  uri.Assign(String::CharsOf(url.CStr()));
  return uri;
}

ASN1AttrTypeValue AccessDescription(const char* method, const String& url) {
  return ASN1AttrTypeValue(method, UriName(url));
}

}  // namespace

// ---- BasicConstraints -------------------------------------------------------

ASN1Primitive ASN1BasicConstriants::Sequence() const {
  ASN1Primitive sequence(TagClass(), IsConstructed(), TagNumber());
  sequence.AppendChild(ASN1Bool(IsCA()));  // also FALSE, unlike DER's DEFAULT rule
  if (IsCA()) sequence.AppendChild(ASN1Integer(m_pathLenConstraint));
  return sequence;
}

void ASN1BasicConstriants::Encode(Blob& out) const { Sequence().Encode(out); }

std::uint32_t ASN1BasicConstriants::EncodedSize() const { return Sequence().EncodedSize(); }

// BasicConstraints ::= SEQUENCE { cA BOOLEAN DEFAULT FALSE, pathLenConstraint INTEGER OPTIONAL }
void ASN1BasicConstriants::Decode(ByteView in) {
  x509::AsCoded(kMsgBadBasicConstraints, [&] {
    DerReader fields = x509::Open(in, 0x30, kMsgBadBasicConstraints);
    ASN1Bool cA;
    ASN1Integer pathLen(0);
    if (x509::NextIs(fields, 0x01)) fields.Read(cA);
    if (x509::NextIs(fields, 0x02)) fields.Read(pathLen);
    // Anything after these two is not read (not an error here).
    const std::int64_t value = pathLen.GetValue();
    if (value > std::numeric_limits<std::int32_t>::max()) Raise(kMsgBadBasicConstraints);
    m_cA = cA.GetValue() ? 1 : 0;
    m_pathLenConstraint = static_cast<std::int32_t>(value);
  });
}

// ---- AuthorityKeyIdentifier -------------------------------------------------

ASN1Primitive ASN1AuthKeyID::Sequence() const {
  ASN1Primitive sequence(TagClass(), IsConstructed(), TagNumber());
  if (m_keyIdentifierWrapped == 0) {
    ASN1Primitive keyId(kContextSpecific, false, 0);
    keyId.Assign(m_keyIdentifier);
    sequence.AppendChild(keyId);
  } else {
    ASN1Primitive keyId(kContextSpecific, true, 0);
    keyId.AppendChild(ASN1OctetString(m_keyIdentifier));
    sequence.AppendChild(keyId);
  }
  if (m_authorityCertIssuer.Count() > 0) Retagged(m_authorityCertIssuer, 0xA1, sequence);
  if (!m_authorityCertSerialNumber.IsEmpty()) Retagged(m_authorityCertSerialNumber, 0x82, sequence);
  return sequence;
}

void ASN1AuthKeyID::Encode(Blob& out) const { Sequence().Encode(out); }

std::uint32_t ASN1AuthKeyID::EncodedSize() const { return Sequence().EncodedSize(); }

// AuthorityKeyIdentifier ::= SEQUENCE { keyIdentifier [0] KeyIdentifier,
//   authorityCertIssuer [1] Name OPTIONAL, authorityCertSerialNumber [2] INTEGER OPTIONAL }
void ASN1AuthKeyID::Decode(ByteView in) {
  x509::AsCoded(kMsgBadAuthorityKeyId, [&] {
    DerReader fields = x509::Open(in, 0x30, kMsgBadAuthorityKeyId);
    ASN1AuthKeyID value;
    // The three fields are told apart by tag number alone; their class is not checked.
    der::Header header;
    DerReader keyId = fields.Enter(header);
    if (header.TagNumber() != 0) Raise(kMsgBadAuthorityKeyId);
    if (header.IsConstructed()) {
      ASN1OctetString wrapped;
      keyId.Read(wrapped);
      value.m_keyIdentifier.Assign(wrapped.Value());
      value.m_keyIdentifierWrapped = 1;
    } else {
      value.m_keyIdentifier.Assign(keyId.Rest());
    }
    if (NextTagNumber(fields) == 1) {
      Blob name(fields.Next());
      *name.At(0) = 0x30;
      value.m_authorityCertIssuer.Decode(name);
    }
    if (NextTagNumber(fields) == 2) {
      der::Header serialHeader;
      const DerReader serial = fields.Enter(serialHeader);
      value.m_authorityCertSerialNumber.SetBytes(serial.Rest());
    }
    // Anything after these three is not read (not an error here).
    *this = std::move(value);
  });
}

// ---- CRLDistributionPoints ----------------------------------------------------

ASN1Primitive ASN1DistributionPoint::Sequence() const {
  ASN1Primitive fullName(kContextSpecific, true, 0);
  for (const String& url : m_urls) fullName.AppendChild(UriName(url));
  ASN1Primitive name(kContextSpecific, true, 0);
  name.AppendChild(fullName);
  ASN1Primitive point(kUniversal, true, 16);
  point.AppendChild(name);
  ASN1Primitive points(TagClass(), IsConstructed(), TagNumber());
  points.AppendChild(point);
  return points;
}

void ASN1DistributionPoint::Encode(Blob& out) const { Sequence().Encode(out); }

std::uint32_t ASN1DistributionPoint::EncodedSize() const { return Sequence().EncodedSize(); }

// CRLDistributionPoints ::= SEQUENCE OF DistributionPoint
// DistributionPoint ::= SEQUENCE { distributionPoint [0] DistributionPointName OPTIONAL, ... }
// DistributionPointName ::= CHOICE { fullName [0] GeneralNames, ... }
void ASN1DistributionPoint::Decode(ByteView in) {
  x509::AsCoded(kMsgBadDistributionPoint, [&] {
    DerReader points = x509::Open(in, 0x30, kMsgBadDistributionPoint);
    // Only the first point is read, and in it only the full name: reasons,
    // cRLIssuer and further points are not (not an error here).
    DerReader point = x509::Enter(points, 0x30, kMsgBadDistributionPoint);
    DerReader name = x509::Enter(point, 0xA0, kMsgBadDistributionPoint);
    DerReader fullName = x509::Enter(name, 0xA0, kMsgBadDistributionPoint);
    std::vector<String> urls;
    while (fullName.HasMore()) {
      DerReader uri = x509::Enter(fullName, 0x86, kMsgBadDistributionPoint);
      urls.push_back(String::FromBytes(uri.Rest()));
    }
    m_urls = std::move(urls);
  });
}

// ---- AuthorityInfoAccess ------------------------------------------------------

ASN1Primitive ASN1AuthInfoAccess::Sequence() const {
  ASN1Primitive sequence(TagClass(), IsConstructed(), TagNumber());
  if (m_firstUrl.Length() != 0) sequence.AppendChild(AccessDescription(kOidAccessFirstUrl, m_firstUrl));
  if (m_secondUrl.Length() != 0) sequence.AppendChild(AccessDescription(kOidAccessSecondUrl, m_secondUrl));
  for (const ASN1AttrTypeValue& other : m_others) sequence.AppendChild(other);
  return sequence;
}

void ASN1AuthInfoAccess::Encode(Blob& out) const { Sequence().Encode(out); }

std::uint32_t ASN1AuthInfoAccess::EncodedSize() const { return Sequence().EncodedSize(); }

// AuthorityInfoAccessSyntax ::= SEQUENCE OF AccessDescription
// AccessDescription ::= SEQUENCE { accessMethod OBJECT IDENTIFIER, accessLocation GeneralName }
void ASN1AuthInfoAccess::Decode(ByteView in) {
  x509::AsCoded(kMsgBadAuthorityInfoAccess, [&] {
    DerReader descriptions = x509::Open(in, 0x30, kMsgBadAuthorityInfoAccess);
    ASN1AuthInfoAccess value;
    while (descriptions.HasMore()) {
      ASN1AttrTypeValue description;
      descriptions.Read(description);
      const String method = description.TypeText();
      // The location's content is taken whatever its GeneralName choice; a later
      // description of the same method replaces an earlier one.
      if (method.Equals(kOidAccessFirstUrl))
        value.m_firstUrl = String::FromBytes(description.Value().View());
      else if (method.Equals(kOidAccessSecondUrl))
        value.m_secondUrl = String::FromBytes(description.Value().View());
      else
        value.m_others.push_back(std::move(description));
    }
    *this = std::move(value);
  });
}

// ---- SEQUENCE OF --------------------------------------------------------------

template <typename Item, const Message& kBad>
ASN1Primitive ASN1SequenceOf<Item, kBad>::Sequence() const {
  ASN1Primitive sequence(TagClass(), IsConstructed(), TagNumber());
  for (const Item& item : m_items) sequence.AppendChild(item);
  return sequence;
}

template <typename Item, const Message& kBad>
void ASN1SequenceOf<Item, kBad>::Encode(Blob& out) const {
  Sequence().Encode(out);
}

template <typename Item, const Message& kBad>
std::uint32_t ASN1SequenceOf<Item, kBad>::EncodedSize() const {
  return Sequence().EncodedSize();
}

template <typename Item, const Message& kBad>
void ASN1SequenceOf<Item, kBad>::Decode(ByteView in) {
  x509::AsCoded(kBad, [&] {
    DerReader items = x509::Open(in, 0x30, kBad);
    std::vector<Item> read;
    while (items.HasMore()) items.Read(read.emplace_back());
    m_items = std::move(read);
  });
}

template class ASN1SequenceOf<ASN1OID, kMsgBadExtendedKeyUsage>;
template class ASN1SequenceOf<ASN1AttrTypeValue, kMsgBadCertificatePolicy>;
template class ASN1SequenceOf<ASN1AttrTypeValue, kMsgBadQcStatement>;

}  // namespace tavrpki
