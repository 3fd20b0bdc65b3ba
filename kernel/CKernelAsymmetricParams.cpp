#include "kernel/CKernelAsymmetricParams.h"

#include <algorithm>
#include <cstring>

#include "core/CKernelUtils.h"
#include "crypto/objects/CAsymmetric4145Params.h"
#include "kernel/Boundary.h"

namespace Kernel {
namespace {

using tavrpki::CAsymmetric4145Params;
using tavrpki::CBitBlob;

constexpr std::size_t kDkeSize = 128;

const CAsymmetric4145Params& Params(void* handle) {
  RequireArgument(handle != nullptr);
  return *static_cast<const CAsymmetric4145Params*>(handle);
}

void GetNumber(const CBitBlob& value, unsigned char* buffer, unsigned long* length,
               unsigned long* bitLength) {
  RequireArgument(length != nullptr && bitLength != nullptr);
  tavrpki::CKernelUtils::CopyResult(value.Data(), value.Size(), buffer, length);
  *bitLength = value.GetBitLength();
}

// The bit length first (storage sized for it), then the bytes from offset 0.
CBitBlob NumberOf(const unsigned char* buffer, unsigned long length, unsigned long bitLength) {
  RequireArgument(buffer != nullptr && length != 0 && bitLength != 0 && bitLength <= 0xFFFFFFFFu);
  RequireArgument(length <= (std::uint64_t{bitLength} + 7) / 8);
  return CBitBlob(tavrpki::ByteView(buffer, length), static_cast<std::uint32_t>(bitLength));
}

}  // namespace

CKernelAsymmetricParams::CKernelAsymmetricParams(const CKernel& kernel)
    : CKernelHandleWrapper(kernel), m_params(new CAsymmetric4145Params) {}

CKernelAsymmetricParams::CKernelAsymmetricParams(const CKernel& kernel, void* const handle)
    : CKernelHandleWrapper(kernel),
      m_params(Boundary([&] { return new CAsymmetric4145Params(Params(handle)); })) {}

CKernelAsymmetricParams::CKernelAsymmetricParams(const CKernelAsymmetricParams& other)
    : CKernelHandleWrapper(other), m_params(new CAsymmetric4145Params(*other.m_params)) {}

CKernelAsymmetricParams::~CKernelAsymmetricParams() { delete m_params; }

CKernelAsymmetricParams& CKernelAsymmetricParams::operator=(const CKernelAsymmetricParams& other) {
  if (this != &other) {
    *m_params = *other.m_params;
    CKernelHandleWrapper::operator=(other);
  }
  return *this;
}

void* CKernelAsymmetricParams::GetHandle() const { return m_params; }

void CKernelAsymmetricParams::SetHandle(void* const handle) {
  Boundary([&] {
    if (handle != m_params) *m_params = Params(handle);
  });
}

void CKernelAsymmetricParams::InitFromBuffer(const unsigned char* buffer, unsigned long length) {
  Boundary([&] {
    RequireArgument(buffer != nullptr && length != 0 && length <= 0xFFFFFFFFu);
    m_params->FromBinary(tavrpki::Blob(buffer, static_cast<std::uint32_t>(length)));
  });
}

void CKernelAsymmetricParams::GetParamsBuffer(unsigned char* buffer, unsigned long* length) const {
  Boundary([&] {
    tavrpki::Blob out;
    m_params->ToBinary(out);
    tavrpki::CKernelUtils::CopyResult(out.View(), buffer, length);
  });
}

unsigned long CKernelAsymmetricParams::GetAsymmetric_CurrentLength() const { return m_params->m; }
void CKernelAsymmetricParams::SetAsymmetric_CurrentLength(unsigned long m) {
  m_params->m = static_cast<std::uint32_t>(m);
}
unsigned long CKernelAsymmetricParams::GetAsymmetric_k() const { return m_params->k; }
void CKernelAsymmetricParams::SetAsymmetric_k(unsigned long k) {
  m_params->k = static_cast<std::uint32_t>(k);
}
unsigned long CKernelAsymmetricParams::GetAsymmetric_j() const { return m_params->j; }
void CKernelAsymmetricParams::SetAsymmetric_j(unsigned long j) {
  m_params->j = static_cast<std::uint32_t>(j);
}
unsigned long CKernelAsymmetricParams::GetAsymmetric_l() const { return m_params->l; }
void CKernelAsymmetricParams::SetAsymmetric_l(unsigned long l) {
  m_params->l = static_cast<std::uint32_t>(l);
}
unsigned long CKernelAsymmetricParams::GetAsymmetric_Curve_A() const { return m_params->a; }
void CKernelAsymmetricParams::SetAsymmetric_Curve_A(unsigned long a) {
  m_params->a = static_cast<std::uint32_t>(a);
}

void CKernelAsymmetricParams::GetAsymmetric_Curve_B(unsigned char* buffer, unsigned long* length,
                                                    unsigned long* bitLength) const {
  Boundary([&] { GetNumber(m_params->b, buffer, length, bitLength); });
}
void CKernelAsymmetricParams::GetAsymmetric_Curve_n(unsigned char* buffer, unsigned long* length,
                                                    unsigned long* bitLength) const {
  Boundary([&] { GetNumber(m_params->n, buffer, length, bitLength); });
}
void CKernelAsymmetricParams::GetAsymmetric_BasePointX(unsigned char* buffer, unsigned long* length,
                                                       unsigned long* bitLength) const {
  Boundary([&] { GetNumber(m_params->p.GetX(), buffer, length, bitLength); });
}
void CKernelAsymmetricParams::GetAsymmetric_BasePointY(unsigned char* buffer, unsigned long* length,
                                                       unsigned long* bitLength) const {
  Boundary([&] { GetNumber(m_params->p.GetY(), buffer, length, bitLength); });
}

void CKernelAsymmetricParams::SetAsymmetric_Curve_B(const unsigned char* buffer, unsigned long length,
                                                    unsigned long bitLength) {
  Boundary([&] { m_params->b = NumberOf(buffer, length, bitLength); });
}
void CKernelAsymmetricParams::SetAsymmetric_Curve_n(const unsigned char* buffer, unsigned long length,
                                                    unsigned long bitLength) {
  Boundary([&] { m_params->n = NumberOf(buffer, length, bitLength); });
}
void CKernelAsymmetricParams::SetAsymmetric_BasePointX(const unsigned char* buffer,
                                                       unsigned long length, unsigned long bitLength) {
  Boundary([&] { m_params->p.X() = NumberOf(buffer, length, bitLength); });
}
void CKernelAsymmetricParams::SetAsymmetric_BasePointY(const unsigned char* buffer,
                                                       unsigned long length, unsigned long bitLength) {
  Boundary([&] { m_params->p.Y() = NumberOf(buffer, length, bitLength); });
}

// Parameters that never had an S-box give zero entries.
void CKernelAsymmetricParams::GetAsymmetric_dke(unsigned char* const dke) const {
  Boundary([&] {
    RequireArgument(dke != nullptr);
    const tavrpki::Blob& table = m_params->dke;
    const std::size_t size = std::min<std::size_t>(table.Size(), kDkeSize);
    if (size != 0) std::memcpy(dke, table.Data(), size);
    std::memset(dke + size, 0, kDkeSize - size);
  });
}

void CKernelAsymmetricParams::SetAsymmetric_dke(const unsigned char* const dke) {
  Boundary([&] {
    RequireArgument(dke != nullptr);
    m_params->dke.Assign(tavrpki::ByteView(dke, kDkeSize));
  });
}

void CKernelAsymmetricParams::GetAsymmetric_CurveOID(char* text, unsigned long* length) const {
  Boundary([&] {
    const char* oid = m_params->curveOid.CStr();
    tavrpki::CKernelUtils::CopyResult(oid, static_cast<unsigned long>(std::strlen(oid) + 1), text, length);
  });
}

void CKernelAsymmetricParams::SetAsymmetric_CurveOID(const char* oid) {
  Boundary([&] {
    RequireArgument(oid != nullptr);
    m_params->curveOid.Assign(oid);
  });
}

}  // namespace Kernel
