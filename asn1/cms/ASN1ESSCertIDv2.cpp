#include "asn1/cms/ASN1ESSCertIDv2.h"

#include "asn1/ASN1OctetString.h"
#include "asn1/Der.h"
#include "asn1/cms/Coded.h"
#include "core/Catalogue.h"

namespace tavrpki {
namespace {

constexpr std::uint8_t kDirectoryName = 0xA4;

DerReader EnterSequence(DerReader& reader) {
  der::Header header;
  DerReader inner = reader.Enter(header);
  if (header.TagNumber() != 16) Raise(kMsgBadEssCertId);
  return inner;
}

}  // namespace

ASN1Primitive ASN1ESSCertIDv2::Sequence() const {
  ASN1Primitive issuerSerial(kUniversal, true, 16);
  if (m_generalNames) {
    ASN1Primitive directoryName(kContextSpecific, true, 4);
    directoryName.AppendChild(m_issuer);
    ASN1Primitive generalNames(kUniversal, true, 16);
    generalNames.AppendChild(directoryName);
    issuerSerial.AppendChild(generalNames);
  } else {
    issuerSerial.AppendChild(m_issuer);
  }
  issuerSerial.AppendChild(m_serialNumber);
  ASN1Primitive certId(kUniversal, true, 16);
  certId.AppendChild(m_hashAlgorithm);
  certId.AppendChild(ASN1OctetString(m_certHash.View()));
  certId.AppendChild(issuerSerial);
  ASN1Primitive certs(kUniversal, true, 16);
  certs.AppendChild(certId);
  ASN1Primitive value(kUniversal, true, 16);
  value.AppendChild(certs);
  return value;
}

void ASN1ESSCertIDv2::Encode(Blob& out) const { Sequence().Encode(out); }

std::uint32_t ASN1ESSCertIDv2::EncodedSize() const { return Sequence().EncodedSize(); }

void ASN1ESSCertIDv2::Decode(ByteView in) {
  cms::Coded(kMsgBadEssCertId, [&] {
    DerReader top(in);
    DerReader value = EnterSequence(top);
    DerReader certs = EnterSequence(value);
    DerReader certId = EnterSequence(certs);
    ASN1AttrTypeValue hashAlgorithm;
    certId.Read(hashAlgorithm);
    ASN1OctetString certHash;
    certId.Read(certHash);
    DerReader issuerSerial = certId.Enter();
    // A bare Name holds SETs; GeneralNames holds the [4] directoryName. Both are
    // SEQUENCEs, so the first octet inside tells them apart.
    ASN1Name issuer;
    bool generalNames = false;
    {
      const ByteView rest = issuerSerial.Rest();
      const der::Header names = der::ReadHeader(rest);
      const ByteView inside = der::Content(rest, names);
      if (!inside.empty() && inside[0] == kDirectoryName) {
        generalNames = true;
        DerReader list = issuerSerial.Enter();
        DerReader directoryName = list.Enter();
        directoryName.Read(issuer);
      } else {
        issuerSerial.Read(issuer);
      }
    }
    ASN1Integer serialNumber;
    issuerSerial.Read(serialNumber);
    m_hashAlgorithm = std::move(hashAlgorithm);
    m_certHash.Assign(certHash.Value());
    m_issuer = std::move(issuer);
    m_serialNumber = std::move(serialNumber);
    m_generalNames = generalNames;
  });
}

}  // namespace tavrpki
