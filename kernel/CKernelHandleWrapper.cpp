#include "kernel/CKernelHandleWrapper.h"

namespace Kernel {

// A copy is what a fresh kernel with `kernel` assigned to it would be (a
// provider of its own, `kernel`'s generator state and storage), without reading
// the configuration for the fresh one first.
CKernelHandleWrapper::CKernelHandleWrapper(const CKernel& kernel) : m_kernel(kernel) {}

CKernelHandleWrapper::CKernelHandleWrapper(const CKernelHandleWrapper& other)
    : m_kernel(other.m_kernel) {}

CKernelHandleWrapper& CKernelHandleWrapper::operator=(const CKernelHandleWrapper& other) {
  m_kernel = other.m_kernel;
  return *this;
}

CKernelHandleWrapper::~CKernelHandleWrapper() = default;

CKernel CKernelHandleWrapper::GetKernel() const { return m_kernel; }

void CKernelHandleWrapper::SetKernel(const CKernel& kernel) { m_kernel = kernel; }

}  // namespace Kernel
