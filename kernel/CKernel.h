// The context object of the library.
//
// A caller obtains a `CKernel` from `GetKernelInstance()` and hands it (by const
// reference) to every other exported class, which keeps a copy. A kernel carries
// its provider (the lock, the random generator and the key storage manager link),
// the caller's certificate storage pointer and the logging switch.
//
// Copies never share a provider: a copy gets its own lock, its own key storage
// manager link (loaded at the copy's first key storage operation) and duplicates
// the generator's whole state, so the copy continues the sequence of its source.
// Copies share only the process-wide audit log, the object-identifier table and
// the caller's certificate storage. Copying is cheap (no file is read: a copy
// logs when its source does): every exported object keeps a kernel copy.
//
// Every failure reaches the caller as `Kernel::CKernelException`.
#pragma once

#include "platform/WinTypes.h"

namespace tavrpki {
class CProvider;
}

namespace Kernel {

class CKernelAllParams;
class CKernelAsymmetricParams;
class CKernelCertificate;
class CKernelCRL;
class CKernelDoubleKeyPair;

class CKernel {
 public:
  // A fresh provider, no certificate storage; reads "UseLog" and "APILogFile" and
  // opens the process-wide log when logging is on (failures leave logging off).
  CKernel();
  // A fresh provider with a duplicate of `other`'s generator (if it has one), the
  // same certificate storage and `other`'s log switch (the configuration is read
  // again only when `other` logs and the log was closed meanwhile).
  CKernel(const CKernel& other);
  // Releases the process-wide log when this kernel logs: the last kernel that
  // holds it closes it.
  virtual ~CKernel();
  // Replaces the generator by a duplicate of `other`'s (or by none) and copies the
  // certificate storage; the key storage link and the log switch stay as they are.
  virtual const CKernel& operator=(const CKernel& other);

  bool GetUseLog() const;
  // The provider object, for the library's own classes.
  void* GetProvider() const;

  // ---- Certificate storage (the caller's object, never owned) ----
  // Throws 100021 for a null storage. The storage must outlive every kernel and
  // copy that holds it.
  void SetCertStorage(void* storage);
  void* GetCertStorage() const;
  // Without a storage each of these throws 100020.
  bool FindCertificateBySubject(const unsigned char* subjectDer, unsigned long length,
                                CKernelCertificate& out) const;
  bool FindCertificateByKeyId(const unsigned char* keyId, unsigned long keyIdLength,
                              const unsigned char* serial, unsigned long serialLength,
                              CKernelCertificate& out) const;
  bool IsTrustedCert(const CKernelCertificate& cert) const;
  void FindCRL(const CKernelCertificate& cert, CKernelCRL& baseCrl, bool& baseFound,
               CKernelCRL& deltaCrl, bool& deltaFound) const;

  // ---- GOST 34.311-95 hash ----
  void CalcHash(const unsigned char* data, unsigned long length, unsigned char* const hash,
                const unsigned char* const sbox) const;
  void* CreateHashObject(const unsigned char* const sbox, const unsigned char* second) const;
  void HashData(void* const handle, const unsigned char* data, unsigned long length) const;
  void GetDestroyHash(void* handle, unsigned char* const hash) const;

  // ---- Random numbers (serialised by the provider's lock) ----
  void InitRandom(const unsigned char* const a, const unsigned char* const b,
                  const unsigned char* const c);
  void InitRandom(const unsigned char* const a, const unsigned char* const b,
                  const unsigned char* const c, const unsigned char* const d);
  void GenerateRandom(unsigned long count, unsigned char* out) const;
  void GenSymmetricKey(unsigned char* const key) const;

  // ---- GOST 28147-89 cipher ----
  void* CreateCryptObject(const unsigned char* const key, const unsigned char* const sbox,
                          unsigned char* const iv, bool encrypt) const;
  void* CreateCryptObject(const unsigned char* const key, const CKernelAllParams& params,
                          unsigned char* const iv, bool encrypt) const;
  void CryptSingleBlock(void* const handle, const unsigned char* data, unsigned long length,
                        unsigned char* out) const;
  void EncryptDecrypt(const unsigned char* const key, const CKernelAllParams& params,
                      unsigned char* const iv, const unsigned char* data, unsigned long length,
                      unsigned char* out, bool encrypt) const;
  void DestroyCrypt(void* handle) const;

  // ---- DSTU 4145-2002 ----
  void EnsignHash(const unsigned char* hash, unsigned char* signature,
                  unsigned long* signatureLength, const CKernelDoubleKeyPair& keys,
                  const CKernelAllParams& params) const;
  void EnsignBuffer(const unsigned char* data, unsigned long length, unsigned char* signature,
                    unsigned long* signatureLength, const CKernelDoubleKeyPair& keys,
                    const CKernelAllParams& params) const;
  bool VerifyHashSignature(const unsigned char* hash, const unsigned char* signature,
                           unsigned long signatureLength, const CKernelDoubleKeyPair& keys) const;
  bool VerifyBufferSignature(const unsigned char* data, unsigned long length,
                             const unsigned char* signature, unsigned long signatureLength,
                             const CKernelDoubleKeyPair& keys) const;
  void EncryptAsymmetric(const CKernelDoubleKeyPair& keys, const unsigned char* data,
                         unsigned long length, unsigned char* out, unsigned long* outLength) const;
  // The certificate forms: verification with the certificate's signing key,
  // encryption for its key-agreement key (100005 when it carries none).
  bool VerifyHashSignature(const unsigned char* hash, const unsigned char* signature,
                           unsigned long signatureLength, const CKernelCertificate& cert) const;
  bool VerifyBufferSignature(const unsigned char* data, unsigned long length,
                             const unsigned char* signature, unsigned long signatureLength,
                             const CKernelCertificate& cert) const;
  void EncryptAsymmetric(const CKernelCertificate& cert, const unsigned char* data,
                         unsigned long length, unsigned char* out, unsigned long* outLength) const;
  void DecryptAsymmetric(const CKernelDoubleKeyPair& keys, const unsigned char* data,
                         unsigned long length, unsigned char* out, unsigned long* outLength) const;
  CKernelDoubleKeyPair Generate4145DoubleKeyPair(const CKernelAllParams& params,
                                                 bool exportable) const;
  CKernelAsymmetricParams GenerateAsymmetric4145Params(const char* curveOid,
                                                       unsigned char* const sbox) const;

  // ---- Key storage, through the key storage manager library ----
  // Without a loaded manager library each of these throws 30002.
  void LoadStorage(const char* storage) const;
  void GetKeyDescription(const char* keyName, char* text, unsigned long* length);
  bool IsKeyExists(const char* keyName) const;
  void DeleteKey(const char* keyName) const;
  void ChangeKeyPassword(HWND__* const window, const char* keyName, const char* oldPassword,
                         const char* newPassword) const;
  void ChangeKeyPassword(HWND__* const window, const char* keyName) const;
  void SelectDefaultKeyStorage(char* name, unsigned long* length, HWND__* const window) const;
  void SelectDefaultKeyStorage(HWND__* const window) const;
  void ConfigureKeyStorage(HWND__* const window) const;
  // Calls `callback(context, keyName)` once per key of the storage.
  void EnumerateKeys(void* context, int(__stdcall* callback)(void*, const char*));

 private:
  void LogInit();

  tavrpki::CProvider* m_provider;  // owned; never shared between two kernels
  void* m_certStorage;             // the caller's, not owned; null until set
  bool m_useLog;
};

}  // namespace Kernel
