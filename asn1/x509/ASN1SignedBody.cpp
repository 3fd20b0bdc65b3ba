#include "asn1/x509/ASN1SignedBody.h"

#include "core/Catalogue.h"

namespace tavrpki {

void ASN1SignedBody::GetSignedBytes(Blob& out) const {
  if (m_signedBytes.IsEmpty()) Raise(kMsgNothingToSign);
  out.Assign(m_signedBytes);
}

}  // namespace tavrpki
