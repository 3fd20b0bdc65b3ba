// A user's keys: a signing key pair and an encryption key pair, each with its
// DSTU 4145 parameter set.
//
// The exportable flag, fixed at construction, keeps two ways of holding keys
// apart. Exportable objects are filled from and exported to caller buffers and
// can never be saved; non-exportable objects come from key generation, the key
// storage or `SetHandle`, never give out or take private keys, and are saved to
// and loaded from the key storage. The exportable test comes before the argument
// test. Every refusal and every failed call leaves the keys as they were.
//
// Key material crosses this interface in the item-based binary forms of the
// internal key objects; results follow the caller-buffer rule (a null buffer asks
// for the length, a short one gets it and code 100000). Every failure is a
// `Kernel::CKernelException`.
#pragma once

#include "kernel/CKernelAsymmetricParams.h"
#include "kernel/CKernelHandleWrapper.h"

namespace tavrpki {
class CDoubleKeyPair;
}

namespace Kernel {

class CKernelDoubleKeyPair : public CKernelHandleWrapper {
 public:
  // Empty key pairs (usage 0 and 1).
  CKernelDoubleKeyPair(const CKernel& kernel, bool exportable);
  // A copy of the internal double key pair `keys` (a `CDoubleKeyPair`); the
  // caller keeps its object.
  CKernelDoubleKeyPair(const CKernel& kernel, void* const keys, bool exportable);
  CKernelDoubleKeyPair(const CKernelDoubleKeyPair& other);
  virtual ~CKernelDoubleKeyPair();
  // Copies keys and flag; the kernel stays.
  CKernelDoubleKeyPair& operator=(const CKernelDoubleKeyPair& other);

  void* GetHandle() const override;
  // Copies `keys` into this object and makes it non-exportable; null throws 100021.
  void SetHandle(void* const keys) override;

  // Public keys (binary form of the point); any object.
  void GetSignPublicKey(unsigned char* key, unsigned long* length) const;
  void GetCryptPublicKey(unsigned char* key, unsigned long* length) const;
  // Private keys and the whole encoded double key pair; exportable objects only
  // (else 100029).
  void GetSignPrivateKey(unsigned char* key, unsigned long* length) const;
  void GetCryptPrivateKey(unsigned char* key, unsigned long* length) const;
  void GetKeysBuffer(unsigned char* buffer, unsigned long* length) const;

  // Exportable objects only (else 100030); null data or zero length throws 100021;
  // a malformed buffer throws the reader's code.
  void InitFromBuffer(const unsigned char* buffer, unsigned long length);
  void SetSignPublicKey(const unsigned char* key, unsigned long length);
  void SetSignPrivateKey(const unsigned char* key, unsigned long length);
  void SetCryptPublicKey(const unsigned char* key, unsigned long length);
  void SetCryptPrivateKey(const unsigned char* key, unsigned long length);
  void SetSignParams(const CKernelAsymmetricParams& params);
  void SetCryptParams(const CKernelAsymmetricParams& params);

  CKernelAsymmetricParams GetSignParams() const;
  CKernelAsymmetricParams GetCryptParams() const;
  // The 128-byte hash S-box of the signing parameter set; valid while this object
  // lives unchanged. Null when the parameters carry none.
  const unsigned char* GetHashSBox() const;

  // Hands the encoded keys to the key storage manager under `keyName`. The
  // meaning of the strings is the manager's (the library's file storage: `second`
  // the password, `third` the description). Exportable objects are refused (100028).
  void Save(const char* keyName, const char* second, const char* third,
            HWND__* const window) const;
  void Save(const char* keyName, const char* second, HWND__* const window) const;

  // Replaces the keys by those the manager stores under `keyName`. Exportable
  // objects are refused (100030); a null or empty `keyName` (or `second`) throws
  // 100021. The one-string form lets the manager ask the user for the rest.
  void Load(const char* keyName, const char* second, HWND__* const window);
  void Load(const char* keyName, HWND__* const window);

 private:
  tavrpki::CDoubleKeyPair* m_keys;  // owned, never null
  bool m_exportable;
};

}  // namespace Kernel
