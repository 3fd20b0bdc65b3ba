#include "kernel/pkix/Certificate.h"

#include <utility>

#include "core/Catalogue.h"
#include "ext/PKIAuthKeyId.h"
#include "ext/PKISubjKeyId.h"
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

void ReadExtension(const ASN1Certificate& cert, PKIEntityBase& handler, const Message& absent) {
  const String oid = handler.GetOID();
  const ASN1CertExtension* extension = cert.TBSCertificate().Extensions().Find(oid.CStr());
  if (extension == nullptr) Raise(absent);
  handler.FromExtension(*extension);
}

bool IsSelfSigned(const ASN1Certificate& cert) {
  PKISubjKeyId subjectKeyId;
  ReadExtension(cert, subjectKeyId, kMsgNoSubjectKeyIdExtension);
  PKIAuthKeyId authorityKeyId;
  ReadExtension(cert, authorityKeyId, kMsgNoAuthorityKeyIdExtension);
  const ASN1TBSCert& body = cert.TBSCertificate();
  if (!body.Issuer().Equals(body.Subject())) return false;
  if (!subjectKeyId.GetKeyId().Equals(authorityKeyId.GetKeyId())) return false;
  const ASN1Integer& serial = authorityKeyId.GetSerialNumber();
  return serial.IsEmpty() || serial == body.SerialNumber();
}

bool VerifyAgainstChain(const ASN1Certificate& cert, const std::vector<CertificateEntry>& chain) {
  if (chain.empty()) Raise(kMsgChainEmpty);
  const ASN1TBSCert& own = cert.TBSCertificate();
  const ASN1TBSCert& first = chain.front().certificate.TBSCertificate();
  if (!own.Subject().Equals(first.Subject()) || !own.Issuer().Equals(first.Issuer())) Raise(kMsgChainLacksCertificate);
  // From the root down: each certificate under the one above it, the root under itself.
  const ASN1Certificate* issuer = &chain.back().certificate;
  for (auto entry = chain.rbegin(); entry != chain.rend(); ++entry) {
    if (!VerifyCertificate(entry->certificate, CertificateSignKey(*issuer))) return false;
    issuer = &entry->certificate;
  }
  return true;
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
