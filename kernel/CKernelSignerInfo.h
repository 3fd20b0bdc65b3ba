// One signer of a CMS signed message: its signed attributes, its signature and
// the certificate it is bound to.
//
// Made from the signer's certificate it holds everything but the message digest
// and the signature; the caller adds the digest of the data (CKernel::CalcHash
// with the certificate's S-box), optionally a time stamp, and signs. Taken out of
// a signature envelope it is bound to the signer certificate found there, ready
// for VerifySignatureOnData or VerifyHashSignature.
//
// The bytes signed are the DER of the signed attributes. By default they are
// signed with their [0] identifier, this system's own form; RFC 5652 and real
// signers re-tag them as SET OF. SetStandardSignedAttrs(true), or the dword
// configuration value "StandardSignedAttrs" = 1 for objects where it was never
// called, signs the SET OF form instead and writes the digest algorithm and the
// signing-certificate-v2 value as RFC 5652 verifiers expect. Verification accepts
// either form and records which one verified.
//
// A certificate without the key-agreement key extension or the S-box extension
// (no real CA writes them) gives the S-box of its own signing parameters (their
// dke, else the default table), and is verified with GetCertSignKey().
//
// Every failure is a `Kernel::CKernelException` with the code of the catalogue.
#pragma once

#include "kernel/CKernelCertificate.h"
#include "kernel/CKernelDoubleKeyPair.h"
#include "platform/Time.h"

namespace tavrpki {
class ASN1SignerInfo;
}

namespace Kernel {

class CKernelSignerInfo {
 public:
  // No structure yet, an empty certificate of the kernel of GetKernelInstance().
  CKernelSignerInfo();
  // From the signer certificate (100044 when it cannot be used).
  explicit CKernelSignerInfo(const CKernelCertificate& cert);
  CKernelSignerInfo(const CKernelSignerInfo& other);
  virtual ~CKernelSignerInfo();
  virtual CKernelSignerInfo& operator=(const CKernelSignerInfo& other);
  virtual void* GetHandle() const;
  // Copies the signer info at `handle` (null: 100021).
  virtual void SetHandle(void* const handle);

  // One DER SignerInfo; its signature algorithm must be a DSTU 4145 one (100019).
  // The bound certificate stays.
  void InitFromBuffer(const unsigned char* buffer, unsigned long length);
  void GetSignerInfoBuffer(unsigned char* out, unsigned long* outLength) const;
  void GetSignerCertBuffer(unsigned char* out, unsigned long* outLength);

  // Each appends a signed attribute (an earlier one of the type stays and wins).
  void SetContentType(const char* oid);
  // Gives the first content-type attribute the value `oid` (one is appended when
  // there is none): a signer made from a certificate starts with "data", and a
  // message of another content, such as a time-stamp token, must say its own.
  void ReplaceContentType(const char* oid);
  void SetMessageDigest(const unsigned char* digest, unsigned long length);
  // `token`: one DER element, the time-stamp token.
  void SetTimeStamp(unsigned char* token, unsigned long length);
  // The dotted OID with its terminating zero (counted in the length).
  void GetContentType(char* out, unsigned long* outLength) const;
  void GetMessageDigest(unsigned char* out, unsigned long* outLength) const;
  void GetTimeStamp(unsigned char* out, unsigned long* outLength) const;
  bool TimeStampExists();
  // Appends a signing-time attribute (UTCTime: years 1950 to 2049, else 100021).
  void SetSigningTime(const _SYSTEMTIME& time);

  // Signs with `keys` (the certificate gives the parameters); 100050 without the
  // message-digest, content-type and signing-certificate-v2 attributes.
  void CalculateSignature(const CKernelCertificate& cert, const CKernelDoubleKeyPair& keys);
  // Signs with the key pair the bound certificate names in the key storage.
  void CalculateSignature();
  // False when the 32 bytes at `hash` differ from the message-digest attribute;
  // otherwise whether the signature over the signed attributes verifies under the
  // signing key of `keys`.
  bool VerifyHashSignature(unsigned char* hash, const CKernelDoubleKeyPair& keys);
  // Hashes the data with the bound certificate's S-box and verifies with its key.
  bool VerifySignatureOnData(const unsigned char* data, unsigned long length);

  // The form CalculateSignature signs (true: SET OF, as RFC 5652).
  void SetStandardSignedAttrs(bool standard);
  // The form that verified last, or else the form set for signing.
  bool IsStandardSignedAttrs() const;

 private:
  void PreSignValidate();
  void Sign(const CKernelDoubleKeyPair& keys, const CKernelCertificate& cert);
  tavrpki::ASN1SignerInfo& Info() const;

  tavrpki::ASN1SignerInfo* m_signerInfo;  // owned; null until first needed
  CKernelCertificate m_certificate;
  int m_standard;  // -1: from the configuration, 0: own form, 1: SET OF
  int m_verified;  // -1: not verified yet, else as m_standard
};

}  // namespace Kernel
