// Data encrypted for one or more certificate holders, and decrypted again.
//
// The data is encrypted with GOST 28147-89 under a random content key; the content
// key with the cipher S-box (160 bytes of key material) is encrypted to each
// recipient's key-agreement key (DSTU 4145, the CryptPublicKey extension root.1 of
// its certificate). This object hands out and takes back only that key-transport
// part, the envelope data; the caller moves the encrypted data itself.
//
// Envelope data: one record per recipient, in order, nothing before or after;
// integers little-endian:
//   2 bytes header length H (10 when written), 4 bytes E, 4 bytes C,
//   at H: E bytes of encrypted key material, then C bytes of certificate DER.
//
// Encrypting:  AddCertificate (one or more), CryptInit, CryptSingleBlock (pieces
//              of the data; one whose length is not a multiple of 8 ends it),
//              CryptFinalize, GetEnvelopeData.
// Decrypting:  SetEnvelopeData, DecryptInit (key pair, or certificate and key
//              storage), CryptSingleBlock, CryptFinalize.
// After CryptFinalize DecryptInit is allowed again, so one object can decrypt
// what it encrypted.
//
// States: 0 new, 1 cipher ready, 2 finalized. A call out of its states fails with
// 100058 "Метод не може бути виконаний в поточному стані об'єкта шифрованих
// даних". Other codes: 100021 bad argument or envelope data that runs past its
// end, 100059 nothing to initialise from, 100061 no block for the key, 100062 a
// recipient that could not be added, 100063 an unexpected failure, 100064 a bad
// index. A failure leaves the state as it was; a failed SetEnvelopeData keeps the
// records read before the bad one. Content keys and key material are wiped.
//
// The object hands out no handle (GetHandle is null, SetHandle does nothing) and
// cannot be copied: a running cipher has one owner.
#pragma once

#include <memory>

#include "kernel/CKernelCertificate.h"
#include "kernel/CKernelDoubleKeyPair.h"
#include "kernel/CKernelHandleWrapper.h"

namespace tavrpki::pkix {
class CryptEnvelope;
}

namespace Kernel {

class CKernelCryptEnvelope : public CKernelHandleWrapper {
 public:
  // State 0, no recipients.
  explicit CKernelCryptEnvelope(const CKernel& kernel);
  CKernelCryptEnvelope(const CKernelCryptEnvelope&) = delete;
  CKernelCryptEnvelope& operator=(const CKernelCryptEnvelope&) = delete;
  virtual ~CKernelCryptEnvelope();

  void* GetHandle() const override;
  void SetHandle(void* const handle) override;

  // State 0: appends a copy of `cert` to the recipients (any failure: 100062).
  void AddCertificate(const CKernelCertificate& cert);
  unsigned long GetCryptCertCount() const;
  // A copy of recipient `index` (100064 past the last).
  CKernelCertificate GetCryptCert(unsigned long index) const;

  // State 0 -> 1: seeds the generator from the first recipient's parameters,
  // draws the content key and builds the encrypting cipher (100059 without
  // recipients; 100005 / 100006 when the first lacks root.1 / root.6).
  void CryptInit();
  // State 1: `length` bytes from `in` through the cipher into `out`.
  void CryptSingleBlock(const unsigned char* in, unsigned long length, unsigned char* out);
  // State 1: a whole message in one call, with a cipher of its own under the
  // content key and the envelope's S-box.
  void EncryptDecryptData(const unsigned char* in, unsigned long length, unsigned char* out, bool encrypt);
  // Any state -> 2: the cipher is destroyed.
  void CryptFinalize();

  // State 2: the envelope data for all recipients (caller-buffer rule).
  void GetEnvelopeData(unsigned char* buffer, unsigned long* length) const;
  // State 0: reads the recipients and their blocks (100021 below 10 bytes or for a
  // record that runs past the end).
  void SetEnvelopeData(const unsigned char* data, unsigned long length);

  // State 0 or 2 -> 1: the block of the first recipient whose key-agreement key
  // is that of `keyPair` (100059 without records, 100061 when none matches).
  void DecryptInit(const CKernelDoubleKeyPair& keyPair);
  // The same with the key pairs `cert` names in the key storage (LoadKeyPairs,
  // with `password` when it is not null); `cert` must be one of the recipients,
  // byte for byte (else 100061).
  void DecryptInit(const CKernelCertificate& cert, const char* password, HWND__* const window);

 private:
  std::unique_ptr<tavrpki::pkix::CryptEnvelope> m_envelope;
};

}  // namespace Kernel
