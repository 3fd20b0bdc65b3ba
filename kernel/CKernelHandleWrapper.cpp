#include "kernel/CKernelHandleWrapper.h"

namespace Kernel {

// The embedded kernel is built with a provider of its own before `kernel` is
// assigned, so a handle never shares a provider with the kernel it was made with.
CKernelHandleWrapper::CKernelHandleWrapper(const CKernel& kernel) { m_kernel = kernel; }

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
