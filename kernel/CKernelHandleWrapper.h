// The common base of the exported handle classes (certificates, CRLs, requests,
// chains, envelopes, key pairs, parameter sets).
//
// Each handle class owns exactly one internal object, lent out by `GetHandle()`;
// `SetHandle` copies from the object it is given, so ownership never crosses the
// boundary. The base keeps its own `CKernel` by value: assigning a kernel to it
// takes the other kernel's generator state and certificate storage, while the
// embedded kernel keeps its own provider.
#pragma once

#include "kernel/CKernel.h"

namespace Kernel {

class CKernelHandleWrapper {
 public:
  // The embedded kernel is a copy of `kernel` (a provider of its own).
  explicit CKernelHandleWrapper(const CKernel& kernel);
  CKernelHandleWrapper(const CKernelHandleWrapper& other);
  CKernelHandleWrapper& operator=(const CKernelHandleWrapper& other);

  // The internal object this handle owns.
  virtual void* GetHandle() const = 0;
  // Replaces the internal object by a copy of `handle`.
  virtual void SetHandle(void* const handle) = 0;

  // A copy of the embedded kernel (with a provider of its own).
  CKernel GetKernel() const;
  void SetKernel(const CKernel& kernel);

 protected:
  // Handles are destroyed through their own class, whose destructor is virtual.
  ~CKernelHandleWrapper();

  CKernel m_kernel;
};

}  // namespace Kernel
