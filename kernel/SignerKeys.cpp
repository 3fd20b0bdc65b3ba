#include "kernel/SignerKeys.h"

#include <algorithm>

#include "asn1/x509/ASN1Certificate.h"
#include "ext/PKICryptPublicKey.h"
#include "ext/PKIRndCryptDKE.h"
#include "kernel/HandleCast.h"
#include "kernel/pkix/PublicKeyInfo.h"

namespace Kernel {
namespace {

bool HasExtension(const tavrpki::ASN1Certificate& cert, const tavrpki::PKIEntityBase& handler) {
  return cert.TBSCertificate().Extensions().Find(handler.GetOID().CStr()) != nullptr;
}

}  // namespace

SigningSBoxes SigningSBoxesOf(const CKernelCertificate& cert) {
  const tavrpki::ASN1Certificate& der = CertificateOf(cert);
  SigningSBoxes sboxes;
  sboxes.sign = tavrpki::pkix::ExpandedSBox(tavrpki::pkix::KeyParams(der.TBSCertificate().PublicKeyInfo()));
  sboxes.random = sboxes.sign;
  tavrpki::PKIRndCryptDKE own;
  if (HasExtension(der, tavrpki::PKICryptPublicKey()) && HasExtension(der, own)) {
    own.FromExtension(*der.TBSCertificate().Extensions().Find(own.GetOID().CStr()));
    const auto& random = own.GetRandomSBox();
    std::copy(random.begin(), random.end(), sboxes.random.begin());
  }
  return sboxes;
}

}  // namespace Kernel
