#include "kernel/CKernelAllParams.h"

#include <cstring>

#include "asn1/CodecMessages.h"
#include "core/CKernelUtils.h"
#include "crypto/objects/CAsymmetric4145Params.h"
#include "crypto/objects/CBinaryDataBuilder.h"
#include "gostcrypto/DkeNo1.h"
#include "kernel/Boundary.h"
#include "kernel/HandleCast.h"

namespace Kernel {
namespace {

using tavrpki::CAsymmetric4145Params;

constexpr std::size_t kSBoxSize = 128;

// Only the first 128 bytes of an S-box item are ever used; a shorter one would
// leave entries undefined and is refused.
tavrpki::ByteView SBoxItem(const tavrpki::BinaryItems& items, std::uint32_t index) {
  const tavrpki::ByteView item = items.Item(index);
  if (item.size() < kSBoxSize) tavrpki::Raise(tavrpki::kMsgBlobOutOfBuffer);
  return item.first(kSBoxSize);
}

// The S-box accessors: 128 bytes from `from` to `to`, one of them the caller's
// (ours are never null).
void CopySBox(unsigned char* to, const unsigned char* from) {
  Boundary([&] {
    RequireArgument(to != nullptr && from != nullptr);
    std::memcpy(to, from, kSBoxSize);
  });
}

}  // namespace

// Both S-boxes start as DKE No. 1: an all-zero table would make the cipher and the
// generator ignore their keys, so a caller who never sets one must still get a
// sound table.
CKernelAllParams::CKernelAllParams(const CKernel& kernel) : m_signParams(kernel), m_cryptParams(kernel) {
  static_assert(sizeof m_randomSBox == gostcrypto::kDkeNo1.size());
  std::memcpy(m_randomSBox, gostcrypto::kDkeNo1.data(), kSBoxSize);
  std::memcpy(m_cryptSBox, gostcrypto::kDkeNo1.data(), kSBoxSize);
}

CKernelAllParams::CKernelAllParams(const CKernelAllParams& other)
    : m_signParams(other.m_signParams), m_cryptParams(other.m_cryptParams) {
  std::memcpy(m_randomSBox, other.m_randomSBox, kSBoxSize);
  std::memcpy(m_cryptSBox, other.m_cryptSBox, kSBoxSize);
}

CKernelAllParams::~CKernelAllParams() = default;

CKernelAllParams& CKernelAllParams::operator=(const CKernelAllParams& other) {
  if (this != &other) {
    std::memcpy(m_randomSBox, other.m_randomSBox, kSBoxSize);
    std::memcpy(m_cryptSBox, other.m_cryptSBox, kSBoxSize);
    m_signParams = other.m_signParams;
    m_cryptParams = other.m_cryptParams;
  }
  return *this;
}

const CKernelAsymmetricParams& CKernelAllParams::GetSignParams() const { return m_signParams; }
void CKernelAllParams::SetSignParams(const CKernelAsymmetricParams& params) { m_signParams = params; }
const CKernelAsymmetricParams& CKernelAllParams::GetCryptParams() const { return m_cryptParams; }
void CKernelAllParams::SetCryptParams(const CKernelAsymmetricParams& params) { m_cryptParams = params; }

void CKernelAllParams::GetRandomSBox(unsigned char* const sbox) const { CopySBox(sbox, m_randomSBox); }
void CKernelAllParams::SetRandomSBox(const unsigned char* const sbox) { CopySBox(m_randomSBox, sbox); }
void CKernelAllParams::GetCryptSBox(unsigned char* const sbox) const { CopySBox(sbox, m_cryptSBox); }
void CKernelAllParams::SetCryptSBox(const unsigned char* const sbox) { CopySBox(m_cryptSBox, sbox); }

void CKernelAllParams::InitFromBuffer(const unsigned char* buffer, unsigned long length) {
  Boundary([&] {
    RequireArgument(buffer != nullptr && length != 0);
    const tavrpki::BinaryItems items(tavrpki::ByteView(buffer, length));
    const tavrpki::ByteView random = SBoxItem(items, 0);
    const tavrpki::ByteView crypt = SBoxItem(items, 1);
    CAsymmetric4145Params sign;
    CAsymmetric4145Params encryption;
    sign.FromItems(items.Item(2));
    encryption.FromItems(items.Item(3));
    // Everything read: only now does the object change.
    std::memcpy(m_randomSBox, random.data(), kSBoxSize);
    std::memcpy(m_cryptSBox, crypt.data(), kSBoxSize);
    ParamsOf(m_signParams) = std::move(sign);
    ParamsOf(m_cryptParams) = std::move(encryption);
  });
}

void CKernelAllParams::GetParamsBuffer(unsigned char* buffer, unsigned long* length) const {
  Boundary([&] {
    tavrpki::Blob sign;
    tavrpki::Blob crypt;
    ParamsOf(m_signParams).ToBinary(sign);
    ParamsOf(m_cryptParams).ToBinary(crypt);
    tavrpki::CBinaryDataBuilder items;
    items.AddItem(tavrpki::ByteView(m_randomSBox, kSBoxSize));
    items.AddItem(tavrpki::ByteView(m_cryptSBox, kSBoxSize));
    items.AddItem(sign);
    items.AddItem(crypt);
    tavrpki::Blob out;
    items.ToBinary(out);
    tavrpki::CKernelUtils::CopyResult(out.View(), buffer, length);
  });
}

}  // namespace Kernel
