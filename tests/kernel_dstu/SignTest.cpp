// Signing, verification, asymmetric encryption and key generation through the
// whole kernel path, on polynomial- and normal-basis curves.
#include <gtest/gtest.h>

#include <array>

#include "asn1/Blob.h"
#include "crypto/dstu/Dstu4145Ops.h"
#include "crypto/objects/CKeyPair.h"
#include "crypto/params/NamedCurves.h"
#include "gostcrypto/HashEngine.h"
#include "kernel/HandleCast.h"
#include "kernel_dstu/Fixtures.h"
#include "support/VectorFile.h"

namespace tavrpki::test {
namespace {

using Kernel::CKernel;
using Kernel::CKernelDoubleKeyPair;

class EveryCurve : public ::testing::TestWithParam<const char*> {
 protected:
  ConfigSandbox m_sandbox;
};

TEST_P(EveryCurve, SignaturesVerifyAndFailAfterAnyChange) {
  CKernel kernel;
  const auto params = MakeParams(kernel, GetParam(), GetParam());
  const CKernelDoubleKeyPair keys = kernel.Generate4145DoubleKeyPair(params, false);
  const auto hash = SomeHash(1);
  const auto signature = Sign(kernel, hash.data(), keys, params);
  const auto* curve = params::FindNamedCurve(GetParam());
  ASSERT_NE(curve, nullptr);
  EXPECT_EQ(signature.size() % 2, 0u);
  EXPECT_LE(signature.size(), 2 * curve->ByteLength());
  EXPECT_TRUE(Verifies(kernel, hash.data(), signature, keys));
  // The hash enters as a field element: only its low m bits count (m >= 163).
  for (std::size_t bit : {0u, 9u, 100u, 162u}) {
    auto changed = hash;
    changed[bit / 8] ^= static_cast<unsigned char>(1u << (bit % 8));
    EXPECT_FALSE(Verifies(kernel, changed.data(), signature, keys)) << "hash bit " << bit;
  }
  for (std::size_t at : {std::size_t{0}, signature.size() / 2, signature.size() - 1}) {
    auto changed = signature;
    changed[at] ^= 0x10;
    EXPECT_FALSE(Verifies(kernel, hash.data(), changed, keys)) << "signature byte " << at;
  }
  // Another key pair of the same curve does not accept it.
  EXPECT_FALSE(Verifies(kernel, hash.data(), signature, kernel.Generate4145DoubleKeyPair(params, false)));

  // A buffer signature is the signature of the buffer's hash under the keys' own table.
  const std::string data = "a message to sign";
  const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
  const auto size = static_cast<unsigned long>(data.size());
  const auto onBuffer = Fetch([&](auto* b, auto* l) { kernel.EnsignBuffer(bytes, size, b, l, keys, params); });
  std::array<unsigned char, 32> bufferHash{};
  gostcrypto::HashEngine engine(params::kDke1.data(), nullptr);
  engine.CalculateHash(bytes, size);
  engine.Done(bufferHash.data());
  EXPECT_TRUE(Verifies(kernel, bufferHash.data(), onBuffer, keys));
  const auto length = static_cast<unsigned long>(onBuffer.size());
  EXPECT_TRUE(kernel.VerifyBufferSignature(bytes, size, onBuffer.data(), length, keys));
  EXPECT_FALSE(kernel.VerifyBufferSignature(bytes, size - 1, onBuffer.data(), length, keys));
}

TEST_P(EveryCurve, AsymmetricEncryptionRoundTrips) {
  CKernel kernel;
  const auto params = MakeParams(kernel, kCurve257, GetParam());
  const CKernelDoubleKeyPair keys = kernel.Generate4145DoubleKeyPair(params, false);
  for (std::size_t size : {1u, 32u, 33u, 100u}) {
    const std::vector<unsigned char> data(size, static_cast<unsigned char>(size * 13 + 5));
    const auto ciphertext = Fetch([&](auto* b, auto* l) {
      kernel.EncryptAsymmetric(keys, data.data(), static_cast<unsigned long>(size), b, l);
    });
    const auto plaintext = Fetch([&](auto* b, auto* l) {
      kernel.DecryptAsymmetric(keys, ciphertext.data(), static_cast<unsigned long>(ciphertext.size()), b, l);
    });
    // Whole pieces come back: the data, then zero bits up to the piece boundary.
    ASSERT_GE(plaintext.size(), size);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), plaintext.begin())) << size;
    EXPECT_TRUE(std::all_of(plaintext.begin() + static_cast<long>(size), plaintext.end(),
                            [](unsigned char b) { return b == 0; }));
  }
}

INSTANTIATE_TEST_SUITE_P(Curves, EveryCurve, ::testing::Values(kCurve163, kCurve257, kCurve431, kCurve233Onb));

TEST(KernelDstu, RefusalsCarryTheirCodes) {
  ConfigSandbox sandbox;
  CKernel fresh;  // never seeded
  const auto params = MakeParams(fresh, kCurve257, kCurve257);
  CKernel other;
  const CKernelDoubleKeyPair keys = other.Generate4145DoubleKeyPair(params, false);
  const auto hash = SomeHash(5);
  unsigned char out[200];
  unsigned long length = sizeof out;
  const CodeCase cases[] = {
      {"encrypt before any seeding", 40013, [&] { fresh.EncryptAsymmetric(keys, hash.data(), 32, out, &length); }},
      {"null S-box", 100021, [&] { fresh.GenerateAsymmetric4145Params(kCurve257, nullptr); }},
      {"null curve", 100021, [&] { fresh.GenerateAsymmetric4145Params(nullptr, out); }},
      {"null hash", 100021, [&] { fresh.EnsignHash(nullptr, out, &length, keys, params); }},
      {"null length", 100021, [&] { fresh.EnsignHash(hash.data(), out, nullptr, keys, params); }},
      {"empty signature", 100021, [&] { fresh.VerifyHashSignature(hash.data(), out, 0, keys); }},
      {"empty data", 100021, [&] { fresh.EnsignBuffer(hash.data(), 0, out, &length, keys, params); }},
      {"decrypt without length", 100021, [&] { fresh.DecryptAsymmetric(keys, hash.data(), 32, out, nullptr); }},
  };
  for (const auto& c : cases) EXPECT_EQ(CodeOf(c.call), c.code) << c.what;
  // Signing seeds the generator itself (a size query signs too); afterwards
  // encryption has one to draw from.
  length = 0;
  fresh.EnsignHash(hash.data(), nullptr, &length, keys, params);
  EXPECT_EQ(length, 64u);
  length = sizeof out;
  EXPECT_EQ(CodeOf([&] { fresh.EncryptAsymmetric(keys, hash.data(), 32, out, &length); }), 0u);
  // A short buffer gets the length and not a byte.
  std::vector<unsigned char> small(10, 0xAB);
  length = static_cast<unsigned long>(small.size());
  EXPECT_EQ(CodeOf([&] { fresh.EnsignHash(hash.data(), small.data(), &length, keys, params); }), 100000u);
  EXPECT_EQ(length, 64u);
  EXPECT_EQ(small, std::vector<unsigned char>(10, 0xAB));
}

// A kernel copy duplicates the generator, but the ephemeral values of asymmetric
// encryption are secrets: each call mixes fresh entropy in, so the original and the
// copy never encrypt one message alike (equal ephemerals would give c1 ^ c2 =
// p1 ^ p2), and both still decrypt.
TEST_F(KernelDstuTest, CopiesNeverShareAnEphemeralValue) {
  const auto params = MakeParams(m_kernel, kCurve257, kCurve257);
  const CKernelDoubleKeyPair keys = m_kernel.Generate4145DoubleKeyPair(params, false);
  m_kernel.InitRandom(nullptr, SomeHash(1).data(), SomeHash(2).data(), nullptr);
  const CKernel copy(m_kernel);
  const auto message = SomeHash(3);
  auto encrypt = [&](const CKernel& kernel) {
    return Fetch([&](auto* b, auto* l) { kernel.EncryptAsymmetric(keys, message.data(), 32, b, l); });
  };
  const auto original = encrypt(m_kernel), copied = encrypt(copy);
  EXPECT_NE(original, copied);
  for (const auto* ciphertext : {&original, &copied}) {
    const auto plain = Fetch([&](auto* b, auto* l) {
      m_kernel.DecryptAsymmetric(keys, ciphertext->data(), static_cast<unsigned long>(ciphertext->size()), b, l);
    });
    ASSERT_GE(plain.size(), message.size());
    EXPECT_TRUE(std::equal(message.begin(), message.end(), plain.begin()));
  }
}

TEST_F(KernelDstuTest, AdaptersRefuseTheWrongKeyUsage) {
  const auto params = MakeParams(m_kernel, kCurve163, kCurve163);
  const CKernelDoubleKeyPair keys = m_kernel.Generate4145DoubleKeyPair(params, true);
  const CDoubleKeyPair& pairs = Kernel::KeysOf(keys);
  const auto hash = SomeHash(7);
  const std::span<const std::uint8_t, 32> hashSpan(hash);
  const dstu::RandomSource zeros = [](std::span<std::uint8_t> out) { std::fill(out.begin(), out.end(), 1); };
  EXPECT_EQ(CodeOf([&] { dstu::Sign(pairs.GetCryptPair(), hashSpan, zeros); }), 40006u);
  EXPECT_EQ(CodeOf([&] { dstu::Verify(pairs.GetCryptPair(), hashSpan, Blob(hash.data(), 32)); }), 40006u);
  EXPECT_EQ(CodeOf([&] { dstu::Encrypt(pairs.GetSignPair(), Blob(hash.data(), 32), zeros); }), 40006u);
  EXPECT_EQ(CodeOf([&] { dstu::Decrypt(pairs.GetSignPair(), Blob(hash.data(), 32)); }), 40006u);
  // A source whose every value the core rejects exhausts the attempts.
  const dstu::RandomSource useless = [](std::span<std::uint8_t> out) { std::fill(out.begin(), out.end(), 0); };
  EXPECT_EQ(CodeOf([&] { dstu::Sign(pairs.GetSignPair(), hashSpan, useless); }), 40012u);
}

// Published signatures verify through the kernel: the byte order of hash,
// signature and public key is the one the rest of the world uses.
TEST_F(KernelDstuTest, VerifiesKnownAnswerSignatures) {
  int checked = 0;
  for (const Vector& v : ReadVectorFile("dstu4145.txt")) {
    if (!v.Has("curve_oid") || !v.Has("sig_le") || !v.Has("Qx")) continue;
    SCOPED_TRACE(v.Where());
    const auto* curve = params::FindNamedCurve(v.Get("curve_oid"));
    ASSERT_NE(curve, nullptr);
    const std::uint32_t m = curve->m;
    params::Dke dke = params::kDke1;
    CKernelDoubleKeyPair keys(m_kernel, true);
    keys.SetSignParams(m_kernel.GenerateAsymmetric4145Params(v.Get("curve_oid").c_str(), dke.data()));
    const CPublicKey q(CAsymmetricKey(CBitBlob(v.Get("Qx"), m)), CAsymmetricKey(CBitBlob(v.Get("Qy"), m)));
    Blob qForm;
    q.ToBinary(qForm);
    keys.SetSignPublicKey(qForm.Data(), qForm.Size());
    const auto hash = v.Bytes("hash_bytes");
    auto signature = v.Bytes("sig_le");
    if (hash.size() != 32) continue;  // the m_kernel signs 32-byte hashes only
    EXPECT_TRUE(Verifies(m_kernel, hash.data(), signature, keys));
    signature[3] ^= 1;
    EXPECT_FALSE(Verifies(m_kernel, hash.data(), signature, keys));
    ++checked;
  }
  EXPECT_GE(checked, 6);
}

}  // namespace
}  // namespace tavrpki::test
