#include "kernel/pkix/RevocationList.h"

#include "core/Catalogue.h"
#include "ext/ExtensionOids.h"
#include "ext/PKIAuthKeyId.h"
#include "ext/PKIKeyUsage.h"
#include "ext/PKISubjKeyId.h"
#include "kernel/pkix/Certificate.h"
#include "kernel/pkix/SignedBody.h"

namespace tavrpki::pkix {
namespace {

constexpr std::uint8_t kCrlSign = 0x02;  // cRLSign, bit 6 of KeyUsage in the first octet

}  // namespace

void RequireCrlSignUsage(const ASN1Certificate& cert, const Message& lacking) {
  const ExtensionsCollection& extensions = cert.TBSCertificate().Extensions();
  const ASN1CertExtension* usage = extensions.Find(kOidKeyUsage);
  if (usage == nullptr) Raise(kMsgNoKeyUsageExtension, cert.TBSCertificate().Subject().ToText().CStr());
  PKIKeyUsage handler;
  handler.FromExtension(*usage);
  if ((handler.GetKeyUsage() & kCrlSign) == 0) Raise(lacking);
}

void PrepareForSigning(ASN1CRL& list, const ASN1Certificate& signerCert, const CKeyPair& signer) {
  const char* algorithm = SignatureAlgorithmOid(signer.GetParams());
  ASN1TBSCertList& body = list.TBSCertList();
  list.SignatureAlgorithm().SetType(algorithm);
  body.Signature().SetType(algorithm);
  body.Issuer() = signerCert.TBSCertificate().Subject();

  RequireCrlSignUsage(signerCert, kMsgCertificateCannotSignCrl);
  const ASN1CertExtension* keyId = signerCert.TBSCertificate().Extensions().Find(kOidSubjectKeyIdentifier);
  if (keyId == nullptr) Raise(kMsgNoSubjectKeyIdExtension);
  PKISubjKeyId subjectKeyId;
  subjectKeyId.FromExtension(*keyId);
  PKIAuthKeyId authorityKeyId;
  authorityKeyId.SetKeyId(subjectKeyId.GetKeyId());
  authorityKeyId.SetSerialNumber(signerCert.TBSCertificate().SerialNumber());
  ReplaceExtension(body.CrlExtensions(), authorityKeyId.ToExtension());

  Blob der;
  body.Encode(der);  // refreshes the signed bytes (and appends the CRL number when due)
}

void SignPrepared(ASN1CRL& list, const CKeyPair& signer, const dstu::RandomSource& random) {
  const Blob signature = SignBody(list.TBSCertList(), signer, random);
  list.SetSignature(signature.View());
}

bool VerifyRevocationList(const ASN1CRL& list, const CKeyPair& signer) {
  const String algorithm = list.SignatureAlgorithm().TypeText();
  const Blob signature = list.GetSignature();
  return VerifyBody(list.TBSCertList(), algorithm.CStr(), signature.View(), signer);
}

}  // namespace tavrpki::pkix
