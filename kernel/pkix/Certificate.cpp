#include "kernel/pkix/Certificate.h"

#include <utility>

#include "kernel/pkix/PublicKeyInfo.h"
#include "kernel/pkix/SignedBody.h"

namespace tavrpki::pkix {

CKeyPair CertificateSignKey(const ASN1Certificate& cert) {
  return PublicKeyPair(cert.TBSCertificate().PublicKeyInfo(), CKeyPair::kSigning);
}

bool VerifyCertificate(const ASN1Certificate& cert, const CKeyPair& signer) {
  const Blob signature = cert.GetSignature();
  return VerifyBody(cert.TBSCertificate(), cert.SignatureAlgorithm().TypeText().CStr(), signature.View(),
                    signer);
}

void ReplaceExtension(ExtensionsCollection& extensions, const ASN1CertExtension& extension) {
  // On a copy: a failure while appending must not leave the old one removed.
  ExtensionsCollection changed(extensions);
  const String oid = extension.OidText();
  changed.Remove(oid.CStr());
  changed.Append(extension);
  std::swap(extensions, changed);
}

}  // namespace tavrpki::pkix
