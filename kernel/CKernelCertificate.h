// An X.509 certificate with DSTU 4145-2002 keys and signatures.
//
// A certificate is never built field by field: it is loaded from a DER template
// (a request turned into a certificate, or a certificate of the same shape),
// changed with the members below (serial, dates, issuer, keys, extensions) and
// signed with `Ensign`. There are no setters for the subject name, the issuer
// name as such, or the version.
//
// Conventions:
// - Dates are UTC `_SYSTEMTIME` values.
// - Serial numbers are a signed 64-bit value or the content octets of the DER
//   INTEGER (big-endian two's complement, as encoded).
// - Results that are bytes or text follow the caller-buffer rule: a null buffer
//   asks for the length, a short one gets the length and code 100000.
// - Replacing an extension removes the first one with its OID, when present, and
//   appends the new one at the end of the list.
// - Every failure is a `Kernel::CKernelException` with the code of the catalogue;
//   a member that fails leaves the certificate as it was.
#pragma once

#include "kernel/CKernelAllParams.h"
#include "kernel/CKernelDoubleKeyPair.h"
#include "kernel/CKernelHandleWrapper.h"
#include "kernel/CKernelPermissions.h"
#include "platform/CertContext.h"
#include "platform/Time.h"

namespace tavrpki {
class ASN1Certificate;
}

namespace Kernel {

class CKernelCertificateChain;

class CKernelCertificate : public CKernelHandleWrapper {
 public:
  // An empty certificate (body version value 2, that is X.509 version 3).
  explicit CKernelCertificate(const CKernel& kernel);
  // A deep copy of the internal certificate at `handle`; null throws 100021.
  CKernelCertificate(const CKernel& kernel, void* const handle);
  CKernelCertificate(const CKernelCertificate& other);
  virtual ~CKernelCertificate();
  // Copies the certificate; the kernel stays.
  CKernelCertificate& operator=(const CKernelCertificate& other);

  // The owned internal certificate, lent out.
  void* GetHandle() const override;
  // Copies the internal certificate at `handle`; null throws 100021.
  void SetHandle(void* const handle) override;

  // ---- DER ----
  // Loads one certificate. Its signature algorithm must be one of
  // "1.2.804.2.1.1.1.1.3.1.1", "…3.1.2" and their reversed-octet forms
  // "…3.1.1.1.1", "…3.1.2.1.1", unless `acceptAnyAlgorithm` (else 100001).
  void InitFromBuffer(const unsigned char* buffer, unsigned long length, bool acceptAnyAlgorithm);
  // The certificate encoded afresh: the bytes loaded, unless something changed.
  void GetCertBuffer(unsigned char* out, unsigned long* outLength) const;
  // Equal complete DER encodings.
  bool operator==(const CKernelCertificate& other) const;
  bool operator!=(const CKernelCertificate& other) const;
  // A context holding a copy of the DER; the caller owns it and frees it with
  // CertFreeCertificateContext (platform/CertContext.h). 100031 when the
  // platform refuses it.
  PCCERT_CONTEXT GetWinCertContext() const;

  // ---- Serial number and dates ----
  // The serial as a number (50022 when it has more than 8 octets).
  __int64 GetSerialNo() const;
  // The INTEGER's content octets.
  void GetSerialNo(unsigned char* out, unsigned long* outLength) const;
  void SetSerialNo(__int64 serial);
  // The INTEGER's content octets as given (a certification authority's random
  // serials are longer than 8 octets); null or empty throws 100021.
  void SetSerialNo(const unsigned char* octets, unsigned long length);
  _SYSTEMTIME GetDateValidNotBefore() const;
  _SYSTEMTIME GetDateValidNotAfter() const;
  // notBefore := from; notAfter := from plus the period of the DateAfterBefore
  // extension (root.8), or `to` when that is earlier (100003 without the extension).
  void SetDatesFromExtension(const _SYSTEMTIME& from, const _SYSTEMTIME& to);
  // notBefore := from, notAfter := to, for certificates without the period
  // extension; `to` before `from` throws 100021.
  void SetValidity(const _SYSTEMTIME& from, const _SYSTEMTIME& to);

  // ---- Names ----
  void MakeIssuerEqualSubject();
  void SetIssuerFromCert(const CKernelCertificate& issuerCert);
  // Sets the subject's serialNumber attribute (2.5.4.5) as a PrintableString.
  void SetSubjectSerialNo(const char* text);

  // ---- Extensions ----
  // The complete DER of the first extension with that OID (100004 when absent).
  void GetExtension(const char* oid, unsigned char* out, unsigned long* outLength) const;
  // `buffer` is one complete extension (OID, critical flag, value); it replaces
  // the extension with its OID.
  void AddExtension(const unsigned char* buffer, unsigned long length);
  // Each call appends the URL to the one distribution point of 2.5.29.31 (resp.
  // 2.5.29.46), so repeated calls collect the URLs in call order.
  void AddCRLDistributionPoint(const char* url);
  void AddDeltaCRLDistribuinPoint(const char* url);
  void ClearCRLDitributionPoints();
  void ClearDeltaCRLDistribuinPoints();
  // Authority information access: `firstUrl` is the OCSP responder
  // (1.3.6.1.5.5.7.48.3), `secondUrl` the method 1.3.6.1.5.5.7.3.9.1; a null one
  // keeps what the extension had. Both null removes the extension.
  void SetAuthInformationAccess(const char* firstUrl, const char* secondUrl);
  // 2.5.29.14 := GOST 34.311-95 of the subject public key's OCTET STRING, under
  // the S-box of its parameters.
  void AddSubjectKeyIdentifier();
  // 2.5.29.35 := the issuer's subject key identifier (100009 when it has none) and
  // the issuer's serial number. The form without an argument uses this certificate.
  void AddAuthorityKeyIdentifier(const CKernelCertificate& issuerCert);
  void AddAuthorityKeyIdentifier();
  void GetSubjectKeyId(unsigned char* out, unsigned long* outLength) const;    // 100009 when absent
  void GetAuthorityKeyId(unsigned char* out, unsigned long* outLength) const;  // 100010 when absent
  void SetKeyContainerName(char* name);
  void GetKeyContainerName(char* out, unsigned long* outLength) const;  // 100004 when absent
  void GetTemplateName(char* out, unsigned long* outLength) const;      // 100060 when absent
  // The entries of the permissions extension `oid` (root.3 when null), each
  // string of its list added in text form, in list order. Without the extension
  // the object is empty; a string that is no entry fails with 100007.
  CKernelPermissions GetPermissions(const char* oid) const;

  // ---- Keys and parameters ----
  // subjectPublicKeyInfo := the signing public key of `keys` with its parameters.
  void SetCertSignKeys(const CKernelDoubleKeyPair& keys);
  // The same, and the key-agreement key into the CryptPublicKey extension (root.1).
  void SetCertKeys(const CKernelDoubleKeyPair& keys);
  // A non-exportable pair holding only the signing public key of the certificate.
  CKernelDoubleKeyPair GetCertSignKey() const;
  // The same plus the key-agreement public key of root.1 (100005 when absent).
  CKernelDoubleKeyPair GetCertKeys() const;
  // The pair stored under the key container name of the certificate (100004 when
  // the certificate names none), loaded from the key storage.
  CKernelDoubleKeyPair LoadKeyPairs(HWND__* const window) const;
  CKernelDoubleKeyPair LoadKeyPairs(const char* second, HWND__* const window) const;
  // Signing parameters from subjectPublicKeyInfo, key-agreement parameters from
  // root.1 (100005), the random and cipher S-boxes from root.6 (100006).
  CKernelAllParams GetParams() const;
  // root.6 := the random and cipher S-boxes of `params`.
  void SetAdditionalParams(const CKernelAllParams& params);

  // ---- Signing and checks ----
  // Signs the body with the signing key of `issuerKeys`, after seeding the
  // generator with `randomSBox` (128 bytes) and the signer's S-box. Both algorithm
  // fields get "…3.1.2" for a normal-basis signer, "…3.1.1" otherwise.
  void Ensign(const CKernelDoubleKeyPair& issuerKeys, const unsigned char* const randomSBox);
  // True when the signature is valid under the signing public key of
  // `issuerKeys`; a signature that does not verify is false, not a failure.
  bool VerifySignature(const CKernelDoubleKeyPair& issuerKeys) const;
  // Index 0 of the chain must be this certificate (same subject and issuer names,
  // else 100052; an empty chain is 100012); each certificate of the chain must
  // verify under the next one, and the last under itself.
  bool VerifySignature(const CKernelCertificateChain& chain) const;
  // Subject equals issuer, the two key identifiers are equal, and the authority
  // serial is absent or this certificate's own (100009 / 100010 without them).
  bool IsSelfSigned() const;

 private:
  tavrpki::ASN1Certificate* m_certificate;  // owned, never null
};

}  // namespace Kernel
