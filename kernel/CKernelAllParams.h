// Everything the DSTU 4145 and GOST operations of a kernel need besides keys: the
// S-box that seeds the random generator, the S-box of the block cipher, and the
// parameter sets of the signing and the encryption key.
//
// The S-boxes are 128 bytes each (one 4-bit entry per byte). The all-parameters
// buffer is the item sequence: random S-box, cipher S-box, signing parameter buffer,
// encryption parameter buffer. Every failure is a `Kernel::CKernelException`; a
// failed call changes nothing.
#pragma once

#include "kernel/CKernelAsymmetricParams.h"

namespace Kernel {

class CKernelAllParams {
 public:
  // Both S-boxes DKE No. 1 and empty parameter sets, bound to `kernel`. An S-box
  // whose rows are not permutations of 0-15 is kept here but refused (40014) by
  // every operation that would hash, encrypt or draw with it.
  explicit CKernelAllParams(const CKernel& kernel);
  CKernelAllParams(const CKernelAllParams& other);
  virtual ~CKernelAllParams();
  CKernelAllParams& operator=(const CKernelAllParams& other);

  const CKernelAsymmetricParams& GetSignParams() const;
  void SetSignParams(const CKernelAsymmetricParams& params);
  const CKernelAsymmetricParams& GetCryptParams() const;
  void SetCryptParams(const CKernelAsymmetricParams& params);

  // 128 bytes in or out; a null pointer throws 100021.
  void GetRandomSBox(unsigned char* const sbox) const;
  void SetRandomSBox(const unsigned char* const sbox);
  void GetCryptSBox(unsigned char* const sbox) const;
  void SetCryptSBox(const unsigned char* const sbox);

  // A null pointer or zero length throws 100021; an S-box item shorter than 128
  // bytes or a malformed parameter buffer is refused with the reader's code.
  void InitFromBuffer(const unsigned char* buffer, unsigned long length);
  void GetParamsBuffer(unsigned char* buffer, unsigned long* length) const;

 private:
  unsigned char m_randomSBox[128];
  unsigned char m_cryptSBox[128];
  CKernelAsymmetricParams m_signParams;
  CKernelAsymmetricParams m_cryptParams;
};

}  // namespace Kernel
