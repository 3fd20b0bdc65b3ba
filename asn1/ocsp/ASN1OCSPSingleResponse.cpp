#include "asn1/ocsp/ASN1OCSPSingleResponse.h"

#include "asn1/ASN1Integer.h"
#include "asn1/ASN1UTCTime.h"
#include "asn1/Der.h"
#include "asn1/ocsp/OcspShapes.h"
#include "asn1/x509/Shapes.h"
#include "core/Catalogue.h"

namespace tavrpki {
namespace {

// CRLReason ::= ENUMERATED
ASN1Integer Enumerated() {
  ASN1Integer value;
  value.SetTagNumber(10);
  return value;
}

DateTime ReadGeneralizedTime(DerReader& reader) {
  ASN1GeneralizedTime time;
  reader.Read(time);
  return time.GetTime();
}

}  // namespace

ASN1OCSPSingleResponse::ASN1OCSPSingleResponse()
    : ASN1Primitive(kUniversal, true, 16), m_singleExtensions(ocsp::ExtensionsTagged(1)) {}

ASN1Primitive ASN1OCSPSingleResponse::Sequence() const {
  ASN1Primitive single(TagClass(), IsConstructed(), TagNumber());
  single.AppendChild(m_certId);
  if (m_certStatus == kOcspRevoked) {
    ASN1Primitive revoked(kContextSpecific, true, 1);
    // Without a time the content stays empty, as such a status reads.
    if (!m_revocationTime.IsEmpty()) revoked.AppendChild(ASN1GeneralizedTime(m_revocationTime));
    if (!m_revocationTime.IsEmpty() && m_revocationReason != kOcspNoReason) {
      ASN1Integer reason = Enumerated();
      reason.SetValue(m_revocationReason);
      ASN1Primitive tagged(kContextSpecific, true, 0);
      tagged.AppendChild(reason);
      revoked.AppendChild(tagged);
    }
    single.AppendChild(revoked);
  } else if (m_certStatus == kOcspGood || m_certStatus == kOcspUnknown) {
    single.AppendChild(ASN1Primitive(kContextSpecific, false, m_certStatus));  // [n] IMPLICIT NULL
  } else {
    Raise(kMsgBadOcspSingleResponse);
  }
  single.AppendChild(ASN1GeneralizedTime(m_thisUpdate));
  if (!m_nextUpdate.IsEmpty()) {
    ASN1Primitive tagged(kContextSpecific, true, 0);
    tagged.AppendChild(ASN1GeneralizedTime(m_nextUpdate));
    single.AppendChild(tagged);
  }
  if (m_singleExtensions.Count() != 0) single.AppendChild(m_singleExtensions);
  return single;
}

void ASN1OCSPSingleResponse::Encode(Blob& out) const { Sequence().Encode(out); }

std::uint32_t ASN1OCSPSingleResponse::EncodedSize() const { return Sequence().EncodedSize(); }

void ASN1OCSPSingleResponse::Decode(ByteView in) {
  if (in.empty() || in[0] != 0x30) Raise(kMsgBadOcspSingleRequest);
  ocsp::Coded(kMsgBadOcspSingleResponse, {kMsgBadOcspSingleRequest.code}, [&] {
    DerReader fields = x509::Open(in, 0x30, kMsgBadOcspSingleResponse);
    ASN1OCSPSingleResponse single;
    fields.Read(single.m_certId);

    // The status is told by the tag number alone; good and unknown carry nothing
    // that is read.
    if (!fields.HasMore()) Raise(kMsgBadOcspSingleResponse);
    der::Header header;
    DerReader status = fields.Enter(header);
    if (header.TagClass() != kContextSpecific || header.TagNumber() > kOcspUnknown)
      Raise(kMsgBadOcspSingleResponse);
    single.m_certStatus = static_cast<std::uint8_t>(header.TagNumber());
    if (single.m_certStatus == kOcspRevoked && status.HasMore()) {
      single.m_revocationTime = ReadGeneralizedTime(status);
      if (x509::NextIs(status, 0xA0)) {
        DerReader tagged = x509::Enter(status, 0xA0, kMsgBadOcspSingleResponse);
        ASN1Integer reason = Enumerated();
        tagged.Read(reason);
        const std::int64_t value = reason.GetValue();
        if (value < 0 || value > 0xFF) Raise(kMsgBadOcspSingleResponse);
        single.m_revocationReason = static_cast<std::uint32_t>(value);
      }
    }

    single.m_thisUpdate = ReadGeneralizedTime(fields);
    if (x509::NextIs(fields, 0xA0)) {
      DerReader tagged = x509::Enter(fields, 0xA0, kMsgBadOcspSingleResponse);
      single.m_nextUpdate = ReadGeneralizedTime(tagged);
    }
    if (x509::NextIs(fields, 0xA1))
      ocsp::ReadExtensions(x509::Enter(fields, 0xA1, kMsgBadOcspSingleResponse), single.m_singleExtensions,
                           kMsgBadOcspSingleResponse);
    *this = std::move(single);
  });
}

}  // namespace tavrpki
