// A DSTU 4145 domain-parameter set: field degree m, reduction exponents k, j, l
// (all zero for a normal basis), coefficients A and B, base point, its order n, the
// GOST 28147-89 S-box (dke) that travels with them and, for a named curve, its OID.
//
// Numbers (B, n, base point) cross this interface least significant byte first,
// together with their length in bits. Results come back through the caller-buffer
// rule: a null buffer asks for the length, a short buffer gets the required length
// and code 100000. Every failure is a `Kernel::CKernelException`; a failed call
// leaves the parameters unchanged.
#pragma once

#include "kernel/CKernelHandleWrapper.h"

namespace tavrpki {
class CAsymmetric4145Params;
}

namespace Kernel {

class CKernelAsymmetricParams : public CKernelHandleWrapper {
 public:
  // Empty parameters (all numbers zero, no S-box, no OID).
  explicit CKernelAsymmetricParams(const CKernel& kernel);
  // A copy of the internal parameter object `handle` (a `CAsymmetric4145Params`).
  CKernelAsymmetricParams(const CKernel& kernel, void* const handle);
  CKernelAsymmetricParams(const CKernelAsymmetricParams& other);
  virtual ~CKernelAsymmetricParams();
  CKernelAsymmetricParams& operator=(const CKernelAsymmetricParams& other);

  void* GetHandle() const override;
  void SetHandle(void* const handle) override;

  // The parameter buffer (items m, k, j, l, A, B, base point, n, dke); the curve OID
  // is not part of it. A null pointer or zero length throws 100021; a malformed
  // buffer throws the reader's code (70000, 70001, ...).
  void InitFromBuffer(const unsigned char* buffer, unsigned long length);
  void GetParamsBuffer(unsigned char* buffer, unsigned long* length) const;

  unsigned long GetAsymmetric_CurrentLength() const;  // m
  void SetAsymmetric_CurrentLength(unsigned long m);
  unsigned long GetAsymmetric_k() const;
  void SetAsymmetric_k(unsigned long k);
  unsigned long GetAsymmetric_j() const;
  void SetAsymmetric_j(unsigned long j);
  unsigned long GetAsymmetric_l() const;
  void SetAsymmetric_l(unsigned long l);
  unsigned long GetAsymmetric_Curve_A() const;
  void SetAsymmetric_Curve_A(unsigned long a);

  // Bytes least significant first and the length in bits; a null `length` or
  // `bitLength` throws 100021.
  void GetAsymmetric_Curve_B(unsigned char* buffer, unsigned long* length,
                             unsigned long* bitLength) const;
  void GetAsymmetric_Curve_n(unsigned char* buffer, unsigned long* length,
                             unsigned long* bitLength) const;
  void GetAsymmetric_BasePointX(unsigned char* buffer, unsigned long* length,
                                unsigned long* bitLength) const;
  void GetAsymmetric_BasePointY(unsigned char* buffer, unsigned long* length,
                                unsigned long* bitLength) const;

  // The value becomes (bitLength + 7) / 8 bytes: the first `length` come from
  // `buffer`, the rest are zero. A null buffer, a zero length, a zero bit length or
  // more bytes than the bit length holds throws 100021.
  void SetAsymmetric_Curve_B(const unsigned char* buffer, unsigned long length,
                             unsigned long bitLength);
  void SetAsymmetric_Curve_n(const unsigned char* buffer, unsigned long length,
                             unsigned long bitLength);
  void SetAsymmetric_BasePointX(const unsigned char* buffer, unsigned long length,
                                unsigned long bitLength);
  void SetAsymmetric_BasePointY(const unsigned char* buffer, unsigned long length,
                                unsigned long bitLength);

  // The 128-byte S-box (one 4-bit entry per byte). A null pointer throws 100021.
  void GetAsymmetric_dke(unsigned char* const dke) const;
  void SetAsymmetric_dke(const unsigned char* const dke);

  // The named curve's OID as NUL-terminated text (empty for explicit parameters);
  // the length counts the NUL.
  void GetAsymmetric_CurveOID(char* text, unsigned long* length) const;
  // A null text throws 100021; the empty text marks the parameters explicit.
  void SetAsymmetric_CurveOID(const char* oid);

 private:
  tavrpki::CAsymmetric4145Params* m_params;  // owned
};

}  // namespace Kernel
