// An X.509 version 2 certificate revocation list signed with DSTU 4145-2002.
//
// A certification authority makes an empty list, sets its number and dates,
// adds an entry per revoked certificate and signs it with its certificate and
// key pair (`Ensign`); a relying party loads one from DER, verifies it against
// the issuer's certificate and asks for entries.
//
// Conventions:
// - Dates are UTC `_SYSTEMTIME` values; the list writes them as UTCTime, so to
//   the second and within 1950-2049.
// - Numbers (the CRL number, the base number of a delta list, serials) are a
//   64-bit value or the content octets of the DER INTEGER (big-endian, as
//   encoded); the 64-bit forms throw 50022 for more than 8 octets.
// - Entries are numbered from 0 in list order; an index at or past the count
//   throws 100021.
// - Results that are bytes follow the caller-buffer rule: a null buffer asks for
//   the length, a short one gets the length and code 100000.
// - Every failure is a `Kernel::CKernelException` with the code of the catalogue;
//   a member that fails leaves the list as it was.
#pragma once

#include "kernel/CKernelCertificate.h"
#include "kernel/CKernelDoubleKeyPair.h"
#include "kernel/CKernelHandleWrapper.h"
#include "platform/CertContext.h"
#include "platform/Time.h"

namespace tavrpki {
class ASN1CRL;
}

namespace Kernel {

class CKernelCRL : public CKernelHandleWrapper {
 public:
  // An empty list (version 2, CRL number 0, no dates, no entries).
  explicit CKernelCRL(const CKernel& kernel);
  // A deep copy of the internal list at `handle`; null throws 100021.
  CKernelCRL(const CKernel& kernel, void* const handle);
  CKernelCRL(const CKernelCRL& other);
  virtual ~CKernelCRL();
  // Copies the list; the kernel stays.
  CKernelCRL& operator=(const CKernelCRL& other);

  // The owned internal list, lent out.
  void* GetHandle() const override;
  // Copies the internal list at `handle`; null throws 100021.
  void SetHandle(void* const handle) override;

  // ---- DER ----
  // Loads one list (50032-50035 when it does not decode). Its signature algorithm
  // must be "1.2.804.2.1.1.1.1.3.1.1", "…3.1.2" or their reversed-octet forms
  // "…3.1.1.1.1", "…3.1.2.1.1" (else 100019).
  void InitFromBuffer(const unsigned char* buffer, unsigned long length);
  // The list encoded afresh: the bytes loaded, unless something changed. A list
  // without thisUpdate cannot be written (50034).
  void GetCRLBuffer(unsigned char* out, unsigned long* outLength) const;
  // A context holding a copy of the DER; the caller owns it and frees it with
  // CertFreeCRLContext (platform/CertContext.h). 100032 when the platform refuses it.
  PCCRL_CONTEXT GetWinCRLContext() const;

  // ---- Number and dates ----
  void SetThisUpdate(const _SYSTEMTIME& time);
  void SetNextUpdate(const _SYSTEMTIME& time);
  // The CRL number (2.5.29.20). A number other than 0 is written as the extension
  // on the next encoding; setting one drops the extension the list carried.
  void SetSerialNo(__int64 number);
  __int64 GetSerialNo() const;
  void GetSerialNo(unsigned char* out, unsigned long* outLength) const;
  // Makes the list a delta list of the base list numbered `baseNumber`: a
  // critical delta CRL indicator (2.5.29.27) replaces any earlier one. The byte
  // form takes the INTEGER's content octets (null or empty: 100021).
  void SetDeltaIndicator(const __int64 baseNumber);
  void SetDeltaIndicator(const unsigned char* baseNumber, const unsigned long length);
  bool IsDeltaCRL() const;
  // The delta indicator's base number (100027 when the list is no delta list).
  __int64 GetBaseCRLNo() const;

  // ---- Entries ----
  // Appends an entry for `cert`'s serial number. Reasons 0-9 are RFC 5280's
  // CRLReason codes (8, removeFromCRL, lifts an earlier revocation in a delta
  // list); 10 and above write no reason code.
  void AddNewEntry(const CKernelCertificate& cert, unsigned char reason, const _SYSTEMTIME& date);
  unsigned long GetEntriesCount() const;
  void GetEntrySerialNo(unsigned long index, unsigned char* out, unsigned long* outLength) const;
  void GetEntrySerialNo(unsigned long index, __int64* serial) const;
  _SYSTEMTIME GetEntryRevokeDate(unsigned long index) const;
  // 255 for an entry without a reason code.
  unsigned char GetEntryReasonCode(unsigned long index) const;
  // The index of the entry for `cert`'s serial number with the latest revocation
  // date (the earlier entry on a tie; issuers are not compared), or 0xFFFFFFFF.
  // The first call after a change indexes the list; later calls are a search.
  unsigned long FindLastCertificate(const CKernelCertificate& cert) const;

  // ---- Signing and checks ----
  // Signs the list as the CA of `signerCert` with the signing key of
  // `signerKeys`, after seeding the generator with `randomSBox` (128 bytes). The
  // issuer becomes the certificate's subject and the authority key identifier
  // its key identifier and serial. The certificate must carry key usage (100017)
  // with cRLSign (100026) and a subject key identifier (100009).
  void Ensign(const CKernelCertificate& signerCert, const CKernelDoubleKeyPair& signerKeys,
              const unsigned char* const randomSBox);
  // True when the signature is valid under the signing public key of `keys`; a
  // signature that does not verify is false, not a failure.
  bool VerifySignature(const CKernelDoubleKeyPair& keys) const;
  // The same with the key of `cert`, which must carry key usage (100017) with
  // cRLSign (100022).
  bool VerifySignature(const CKernelCertificate& cert) const;
  // The certificate of the CA that signed the list, from the kernel's certificate
  // storage: by the authority key identifier when the list has one, else by the
  // issuer name (100020 without a storage, 100056 when it is not there).
  CKernelCertificate GetSignerCertificate() const;
  // Makes the list empty again, as newly constructed.
  void Clear();

 private:
  tavrpki::ASN1CRL* m_crl;  // owned, never null
};

}  // namespace Kernel
