#include "asn1/crl/ASN1CRL.h"

#include "asn1/Der.h"
#include "asn1/x509/Shapes.h"
#include "core/Catalogue.h"

namespace tavrpki {

// CertificateList ::= SEQUENCE { tbsCertList TBSCertList,
//   signatureAlgorithm AlgorithmIdentifier, signatureValue BIT STRING }
void ASN1CRL::Decode(ByteView in) { DecodeCoded(in, true); }

void ASN1CRL::DecodeHeader(ByteView in) { DecodeCoded(in, false); }

void ASN1CRL::DecodeCoded(ByteView in, bool entries) {
  ASN1CRL list;
  try {
    DerReader fields = x509::Open(in, 0x30, kMsgBadCrl);
    if (entries) {
      fields.Read(list.m_body);
    } else {
      list.m_body.DecodeHeader(fields.Next());
    }
    fields.Read(list.m_signatureAlgorithm);
    fields.Read(list.m_signatureValue);
  } catch (const Exception& e) {
    // A list arrives from storages and the network: whatever is wrong with it,
    // the caller gets the list's code (an entry's own codes pass through).
    const auto code = e.GetErrorCode();
    if (code == kMsgBadCrlEntry.code || code == kMsgUnknownCrlExtension.code || code == kMsgBadCrl.code) throw;
    Raise(kMsgBadCrl);
  }
  *this = std::move(list);
}

}  // namespace tavrpki
