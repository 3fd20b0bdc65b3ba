// The DSTU 4145-2002 members of the kernel (key-pair forms): argument checks,
// reseeding, the audit line; the work is done by the adapters in crypto/dstu/.
#include <array>

#include "core/CKernelUtils.h"
#include "gostcrypto/Wipe.h"
#include "crypto/dstu/Dstu4145Ops.h"
#include "crypto/dstu/GeneratorOps.h"
#include "crypto/objects/CKeyPair.h"
#include "crypto/params/DstuParams.h"
#include "gostcrypto/HashEngine.h"
#include "kernel/Boundary.h"
#include "kernel/CKernel.h"
#include "kernel/CKernelAllParams.h"
#include "kernel/CKernelDoubleKeyPair.h"
#include "crypto/symmetric/SymmetricOps.h"
#include "kernel/HandleCast.h"
#include "kernel/KernelRandom.h"
#include "kernel/KeyStorageAccess.h"

namespace Kernel {
namespace {

using tavrpki::Blob;
using tavrpki::CDoubleKeyPair;
using tavrpki::CKernelUtils;
using HashBytes = std::array<std::uint8_t, tavrpki::dstu::kHashSize>;
using SBox = std::array<unsigned char, 128>;

// Signing and key generation reseed first, from the parameters' random S-box
// and the signing parameter set's S-box.
void Reseed(tavrpki::CProvider& provider, const CKernelAllParams& params) {
  SBox randomSBox{};
  SBox signSBox{};
  params.GetRandomSBox(randomSBox.data());
  params.GetSignParams().GetAsymmetric_dke(signSBox.data());
  ReseedForSigning(provider, randomSBox.data(), signSBox.data());
}

// GOST 34.311-95 of the data with the S-box of the signing key's own parameters.
HashBytes HashForSignature(const CKernelDoubleKeyPair& keys, const unsigned char* data,
                           unsigned long length) {
  tavrpki::symmetric::RequireSBox(keys.GetHashSBox());
  gostcrypto::HashEngine engine(keys.GetHashSBox(), nullptr);
  engine.CalculateHash(data, length);
  HashBytes hash{};
  engine.Done(hash.data());
  return hash;
}

std::span<const std::uint8_t, tavrpki::dstu::kHashSize> HashSpan(const unsigned char* hash) {
  return std::span<const std::uint8_t, tavrpki::dstu::kHashSize>(hash, tavrpki::dstu::kHashSize);
}

}  // namespace

void CKernel::EnsignHash(const unsigned char* hash, unsigned char* signature,
                         unsigned long* signatureLength, const CKernelDoubleKeyPair& keys,
                         const CKernelAllParams& params) const {
  Boundary([&] {
    RequireArgument(hash != nullptr && signatureLength != nullptr);
    tavrpki::CProvider& provider = ProviderOf(*this);
    Reseed(provider, params);
    const Blob value = tavrpki::dstu::Sign(KeysOf(keys).GetSignPair(), HashSpan(hash), DrawFrom(provider));
    // Signed before the buffer is looked at: a size query signs too.
    CKernelUtils::CopyResult(value.View(), signature, signatureLength);
    AuditKeyUse(*this, kAuditSigned);
  });
}

void CKernel::EnsignBuffer(const unsigned char* data, unsigned long length, unsigned char* signature,
                           unsigned long* signatureLength, const CKernelDoubleKeyPair& keys,
                           const CKernelAllParams& params) const {
  Boundary([&] {
    RequireArgument(data != nullptr && length != 0 && signatureLength != nullptr);
    const HashBytes hash = HashForSignature(keys, data, length);
    EnsignHash(hash.data(), signature, signatureLength, keys, params);
  });
}

bool CKernel::VerifyHashSignature(const unsigned char* hash, const unsigned char* signature,
                                  unsigned long signatureLength,
                                  const CKernelDoubleKeyPair& keys) const {
  return Boundary([&] {
    RequireArgument(hash != nullptr && signature != nullptr && signatureLength != 0);
    return tavrpki::dstu::Verify(KeysOf(keys).GetSignPair(), HashSpan(hash),
                                 tavrpki::ByteView(signature, signatureLength));
  });
}

bool CKernel::VerifyBufferSignature(const unsigned char* data, unsigned long length,
                                    const unsigned char* signature, unsigned long signatureLength,
                                    const CKernelDoubleKeyPair& keys) const {
  return Boundary([&] {
    RequireArgument(data != nullptr && length != 0 && signature != nullptr && signatureLength != 0);
    const HashBytes hash = HashForSignature(keys, data, length);
    return VerifyHashSignature(hash.data(), signature, signatureLength, keys);
  });
}

void CKernel::EncryptAsymmetric(const CKernelDoubleKeyPair& keys, const unsigned char* data,
                                unsigned long length, unsigned char* out,
                                unsigned long* outLength) const {
  Boundary([&] {
    RequireArgument(data != nullptr && length != 0 && outLength != nullptr);
    // The generator must have been seeded (else 40013). The ephemeral values are
    // secrets: fresh entropy goes in first, so a kernel copy that duplicated this
    // generator never encrypts with the same ones.
    tavrpki::CProvider& provider = ProviderOf(*this);
    provider.WithGenerator([](tavrpki::dstu::GeneratorSlot& slot) { tavrpki::dstu::RefreshGenerator(slot); });
    const Blob ciphertext = tavrpki::dstu::Encrypt(KeysOf(keys).GetCryptPair(),
                                                   tavrpki::ByteView(data, length), DrawFrom(provider));
    CKernelUtils::CopyResult(ciphertext.View(), out, outLength);
  });
}

void CKernel::DecryptAsymmetric(const CKernelDoubleKeyPair& keys, const unsigned char* data,
                                unsigned long length, unsigned char* out,
                                unsigned long* outLength) const {
  Boundary([&] {
    RequireArgument(data != nullptr && length != 0 && outLength != nullptr);
    Blob plaintext = tavrpki::dstu::Decrypt(KeysOf(keys).GetCryptPair(), tavrpki::ByteView(data, length));
    tavrpki::WipeOnExit guard(plaintext.Data(), plaintext.Size());
    CKernelUtils::CopyResult(plaintext.View(), out, outLength);
  });
}

CKernelDoubleKeyPair CKernel::Generate4145DoubleKeyPair(const CKernelAllParams& params,
                                                        bool exportable) const {
  return Boundary([&] {
    tavrpki::CProvider& provider = ProviderOf(*this);
    Reseed(provider, params);
    const auto random = DrawFrom(provider);
    const CDoubleKeyPair keys(
        tavrpki::dstu::GenerateKeyPair(ParamsOf(params.GetSignParams()), tavrpki::CKeyPair::kSigning, random),
        tavrpki::dstu::GenerateKeyPair(ParamsOf(params.GetCryptParams()), tavrpki::CKeyPair::kEncryption,
                                       random));
    return CKernelDoubleKeyPair(*this, const_cast<CDoubleKeyPair*>(&keys), exportable);
  });
}

CKernelAsymmetricParams CKernel::GenerateAsymmetric4145Params(const char* curveOid,
                                                              unsigned char* const sbox) const {
  return Boundary([&] {
    RequireArgument(curveOid != nullptr && sbox != nullptr);
    const SBox dke = [&] {
      SBox copy{};
      std::copy_n(sbox, copy.size(), copy.begin());
      return copy;
    }();
    tavrpki::CAsymmetric4145Params params = tavrpki::NamedCurveParams(curveOid, dke);
    return CKernelAsymmetricParams(*this, &params);
  });
}

}  // namespace Kernel
