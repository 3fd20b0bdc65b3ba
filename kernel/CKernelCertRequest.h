// A certification request (PKCS#10) signed with DSTU 4145-2002.
//
// A subject builds one (name, attributes naming the extensions it wants, its own
// signing public key), signs it with `Ensign` and hands the DER to a
// certification authority. The authority loads it, checks the signature with the
// request's own key (`VerifySignature`) and turns it into an unsigned certificate
// (`ConvertToCertificate`), which it completes and signs with the certificate
// members.
//
// Conventions:
// - Results that are bytes or text follow the caller-buffer rule: a null buffer
//   asks for the length, a short one gets the length and code 100000; texts
//   count their terminating NUL.
// - Every failure is a `Kernel::CKernelException` with the code of the catalogue;
//   a member that fails leaves the request as it was.
#pragma once

#include "kernel/CKernelCertificate.h"
#include "kernel/CKernelDoubleKeyPair.h"
#include "kernel/CKernelHandleWrapper.h"

namespace tavrpki {
class ASN1CertRequest;
}

namespace Kernel {

class CKernelCertRequest : public CKernelHandleWrapper {
 public:
  // An empty request (version 0, no name, key or attributes).
  explicit CKernelCertRequest(const CKernel& kernel);
  // A deep copy of the internal request at `handle`; null throws 100021.
  CKernelCertRequest(const CKernel& kernel, void* const handle);
  CKernelCertRequest(const CKernelCertRequest& other);
  virtual ~CKernelCertRequest();
  // Copies the request; the kernel stays.
  CKernelCertRequest& operator=(const CKernelCertRequest& other);

  // The owned internal request, lent out.
  void* GetHandle() const override;
  // Copies the internal request at `handle`; null throws 100021.
  void SetHandle(void* const handle) override;

  // Loads one request. Its signature algorithm must be "1.2.804.2.1.1.1.1.3.1.1",
  // "…3.1.2" or their reversed-octet forms "…3.1.1.1.1", "…3.1.2.1.1" (else
  // 100002). The signature is not checked here (VerifySignature).
  void InitFromBuffer(const unsigned char* buffer, unsigned long length);
  // The request encoded afresh: the bytes loaded, unless something changed.
  void GetRequestBuffer(unsigned char* out, unsigned long* outLength) const;

  // Appends one attribute (its complete DER); an attribute of a type already
  // present is kept beside it.
  void AddAttribute(const unsigned char* buffer, unsigned long length);
  // Appends the key-agreement public key of `keys` as the attribute root.1.
  void AddCryptPublicKeyAttribute(const CKernelDoubleKeyPair& keys);
  // The first value of the first attribute of type `oid`, read as a UTF8String
  // (Windows-1251 text). 50015 when the request has no attributes, 50016 when
  // none is of that type.
  void GetAttributeAsString(const char* oid, char* out, unsigned long* outLength) const;

  // subjectPublicKeyInfo := the signing public key of `keys` with its parameters,
  // the signature algorithm := that key's algorithm identifier, and the body is
  // signed with the signing private key after seeding the generator with
  // `randomSBox` (128 bytes).
  void Ensign(const CKernelDoubleKeyPair& keys, const unsigned char* const randomSBox) const;
  // True when the signature verifies over the body as read with the request's own
  // public key; a signature that does not verify is false, not a failure.
  bool VerifySignature() const;

  // A new unsigned certificate: the request's subject, public key and signature
  // algorithm, and one extension per attribute. When the configuration names an
  // external extension module ("ExtHandler") that loads, the module converts
  // every attribute (its failures, 280000-280003, end the conversion); otherwise
  // the library's own handlers do, and the all-parameters attribute (root.9) is
  // left out. Issuer, serial number and validity are left for the caller.
  CKernelCertificate ConvertToCertificate() const;

 private:
  tavrpki::ASN1CertRequest* m_request;  // owned, never null
};

}  // namespace Kernel
