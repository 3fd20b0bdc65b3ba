// CKernelCRL::GetSignerCertificate: the one member of the list that asks the
// caller's certificate storage.
#include "asn1/crl/ASN1CRL.h"
#include "ext/ExtensionOids.h"
#include "ext/PKIAuthKeyId.h"
#include "kernel/Boundary.h"
#include "kernel/CKernelCRL.h"

namespace Kernel {

CKernelCertificate CKernelCRL::GetSignerCertificate() const {
  return Boundary([&] {
    const tavrpki::ASN1TBSCertList& body = m_crl->TBSCertList();
    CKernelCertificate signer(m_kernel);
    bool found = false;
    if (const tavrpki::ASN1CertExtension* extension =
            body.CrlExtensions().Find(tavrpki::kOidAuthorityKeyIdentifier)) {
      tavrpki::PKIAuthKeyId authorityKeyId;
      authorityKeyId.FromExtension(*extension);
      const tavrpki::Blob& keyId = authorityKeyId.GetKeyId();
      const tavrpki::ASN1Integer& serial = authorityKeyId.GetSerialNumber();
      found = m_kernel.FindCertificateByKeyId(keyId.Data(), keyId.Size(), serial.IsEmpty() ? nullptr : serial.Data(),
                                              serial.Size(), signer);
    } else {
      tavrpki::Blob issuer;
      body.Issuer().Encode(issuer);
      found = m_kernel.FindCertificateBySubject(issuer.Data(), issuer.Size(), signer);
    }
    if (!found) tavrpki::Raise(tavrpki::kMsgCrlIssuerCertificateNotFound);
    return signer;
  });
}

}  // namespace Kernel
