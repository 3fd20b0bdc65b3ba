// CKernel's hash and cipher members: known answers through the handles, the
// partial-block rule, and the argument codes.
#include <cstring>
#include <vector>

#include "Fixture.h"
#include "crypto/params/Dke.h"
#include "kernel/CKernelAllParams.h"
#include "support/VectorFile.h"

namespace tavrpki::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

class KernelHashing : public KernelTest {};
class KernelCipher : public KernelTest {};

// The [HashStart] vectors (non-zero starting value) and a few [Hash] ones, through
// CreateHashObject / HashData in two pieces / GetDestroyHash, and CalcHash.
TEST_F(KernelHashing, VectorsThroughHandlesAndOneCall) {
  Kernel::CKernel kernel;
  int checked = 0;
  for (const Vector& v : ReadVectorFile("gost34311.vec")) {
    if (v.Get("SBox") != "dke" || !v.Has("In") || v.Get("In").empty()) continue;
    SCOPED_TRACE(v.Where());
    const Bytes in = v.Bytes("In"), expected = v.Bytes("Hash");
    const Bytes start = v.Has("Start") ? v.Bytes("Start") : Bytes{};
    void* handle = kernel.CreateHashObject(params::kDke1.data(), start.empty() ? nullptr : start.data());
    const unsigned long half = static_cast<unsigned long>(in.size() / 2);
    kernel.HashData(handle, in.data(), half);
    kernel.HashData(handle, in.data() + half, static_cast<unsigned long>(in.size()) - half);
    unsigned char hash[32];
    kernel.GetDestroyHash(handle, hash);
    EXPECT_EQ(ToHex(hash, 32), ToHex(expected));
    if (start.empty()) {
      kernel.CalcHash(in.data(), static_cast<unsigned long>(in.size()), hash, params::kDke1.data());
      EXPECT_EQ(ToHex(hash, 32), ToHex(expected));
    }
    ++checked;
  }
  EXPECT_GE(checked, 8);
}

TEST_F(KernelHashing, ArgumentCodes) {
  Kernel::CKernel kernel;
  const unsigned char data[4] = {1, 2, 3, 4};
  unsigned char hash[32];
  const unsigned char* sbox = params::kDke1.data();
  void* handle = kernel.CreateHashObject(sbox, nullptr);
  const struct {
    const char* what;
    std::function<void()> call;
    unsigned long code;
  } cases[] = {
      {"CalcHash null data", [&] { kernel.CalcHash(nullptr, 4, hash, sbox); }, 100021},
      {"CalcHash zero length", [&] { kernel.CalcHash(data, 0, hash, sbox); }, 100021},
      {"CalcHash null out", [&] { kernel.CalcHash(data, 4, nullptr, sbox); }, 100021},
      {"CreateHashObject null sbox", [&] { kernel.CreateHashObject(nullptr, nullptr); }, 100021},
      {"HashData null data", [&] { kernel.HashData(handle, nullptr, 4); }, 100021},
      {"HashData zero length", [&] { kernel.HashData(handle, data, 0); }, 100021},
      {"HashData null handle", [&] { kernel.HashData(nullptr, data, 4); }, 40009},
      {"GetDestroyHash null out", [&] { kernel.GetDestroyHash(handle, nullptr); }, 100021},
      {"GetDestroyHash null handle", [&] { kernel.GetDestroyHash(nullptr, hash); }, 40009},
  };
  for (const auto& c : cases) EXPECT_EQ(CodeOf(c.call), c.code) << c.what;
  // The failed calls left the handle usable: it still hashes "abc" right.
  kernel.HashData(handle, reinterpret_cast<const unsigned char*>("abc"), 3);
  kernel.GetDestroyHash(handle, hash);
  EXPECT_EQ(ToHex(hash, 32), "a34a53504d8ba070cb73a583146167a0a3c226d793440d9cea24465fe02251f2");
}

// The CFB vectors of the cipher file go through CryptSingleBlock.
TEST_F(KernelCipher, FeedbackVectorsThroughHandles) {
  Kernel::CKernel kernel;
  int checked = 0;
  for (const Vector& v : ReadVectorFile("gost28147.vec")) {
    if (v.section != "Cfb" || v.Get("SBox") != "dke") continue;
    SCOPED_TRACE(v.Where());
    Bytes key = v.Bytes("Key"), iv = v.Bytes("IV");
    const Bytes in = v.Bytes("In"), expected = v.Bytes("Out");
    void* encrypt = kernel.CreateCryptObject(key.data(), params::kDke1.data(), iv.data(), true);
    Bytes out(in.size());
    kernel.CryptSingleBlock(encrypt, in.data(), 8, out.data());  // whole blocks first,
    kernel.CryptSingleBlock(encrypt, in.data() + 8, static_cast<unsigned long>(in.size() - 8), out.data() + 8);
    kernel.DestroyCrypt(encrypt);
    EXPECT_EQ(ToHex(out), ToHex(expected));
    ++checked;
  }
  EXPECT_EQ(checked, 6);
}

TEST_F(KernelCipher, PiecesAndPartialBlocks) {
  Kernel::CKernel kernel;
  unsigned char key[32], iv[8];
  for (int i = 0; i < 32; ++i) key[i] = static_cast<unsigned char>(i * 7);
  for (int i = 0; i < 8; ++i) iv[i] = static_cast<unsigned char>(0xA0 + i);
  Bytes plain(19);
  for (std::size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<std::uint8_t>(i + 1);
  const unsigned char* sbox = params::kDke1.data();

  // 16 then 3 bytes equal one call on 19.
  Bytes whole(19), pieces(19);
  void* one = kernel.CreateCryptObject(key, sbox, iv, true);
  kernel.CryptSingleBlock(one, plain.data(), 19, whole.data());
  kernel.DestroyCrypt(one);
  void* two = kernel.CreateCryptObject(key, sbox, iv, true);
  kernel.CryptSingleBlock(two, plain.data(), 16, pieces.data());
  kernel.CryptSingleBlock(two, plain.data() + 16, 3, pieces.data() + 16);
  kernel.DestroyCrypt(two);
  EXPECT_EQ(whole, pieces);

  // 13 bytes come back as 13 and decrypt with a second context.
  Bytes thirteen(13), back(13);
  void* enc = kernel.CreateCryptObject(key, sbox, iv, true);
  kernel.CryptSingleBlock(enc, plain.data(), 13, thirteen.data());
  kernel.DestroyCrypt(enc);
  void* dec = kernel.CreateCryptObject(key, sbox, iv, false);
  kernel.CryptSingleBlock(dec, thirteen.data(), 13, back.data());
  kernel.DestroyCrypt(dec);
  EXPECT_EQ(back, Bytes(plain.begin(), plain.begin() + 13));

  // EncryptDecrypt takes the cipher S-box of the parameters; a null vector is zero.
  Kernel::CKernelAllParams params(kernel);
  params.SetCryptSBox(sbox);
  Bytes viaParams(19), zeroIv(8, 0), viaHandle(19);
  kernel.EncryptDecrypt(key, params, nullptr, plain.data(), 19, viaParams.data(), true);
  void* h = kernel.CreateCryptObject(key, params, zeroIv.data(), true);
  kernel.CryptSingleBlock(h, plain.data(), 19, viaHandle.data());
  kernel.DestroyCrypt(h);
  EXPECT_EQ(viaParams, viaHandle);
  Bytes restored(19);
  kernel.EncryptDecrypt(key, params, nullptr, viaParams.data(), 19, restored.data(), false);
  EXPECT_EQ(restored, plain);
}

TEST_F(KernelCipher, ArgumentCodes) {
  Kernel::CKernel kernel;
  Kernel::CKernelAllParams params(kernel);
  unsigned char key[32] = {}, data[8] = {}, out[8];
  const unsigned char* sbox = params::kDke1.data();
  void* handle = kernel.CreateCryptObject(key, sbox, nullptr, true);
  const struct {
    const char* what;
    std::function<void()> call;
  } cases[] = {
      {"CreateCryptObject null key", [&] { kernel.CreateCryptObject(nullptr, sbox, nullptr, true); }},
      {"CreateCryptObject null sbox", [&] { kernel.CreateCryptObject(key, nullptr, nullptr, true); }},
      {"CreateCryptObject(params) null key", [&] { kernel.CreateCryptObject(nullptr, params, nullptr, true); }},
      {"CryptSingleBlock null handle", [&] { kernel.CryptSingleBlock(nullptr, data, 8, out); }},
      {"CryptSingleBlock null data", [&] { kernel.CryptSingleBlock(handle, nullptr, 8, out); }},
      {"CryptSingleBlock zero length", [&] { kernel.CryptSingleBlock(handle, data, 0, out); }},
      {"CryptSingleBlock null out", [&] { kernel.CryptSingleBlock(handle, data, 8, nullptr); }},
      {"EncryptDecrypt null key", [&] { kernel.EncryptDecrypt(nullptr, params, nullptr, data, 8, out, true); }},
      {"EncryptDecrypt null data", [&] { kernel.EncryptDecrypt(key, params, nullptr, nullptr, 8, out, true); }},
      {"EncryptDecrypt zero length", [&] { kernel.EncryptDecrypt(key, params, nullptr, data, 0, out, true); }},
      {"EncryptDecrypt null out", [&] { kernel.EncryptDecrypt(key, params, nullptr, data, 8, nullptr, true); }},
      {"DestroyCrypt null handle", [&] { kernel.DestroyCrypt(nullptr); }},
  };
  for (const auto& c : cases) EXPECT_EQ(CodeOf(c.call), 100021u) << c.what;
  kernel.DestroyCrypt(handle);
}

}  // namespace
}  // namespace tavrpki::test
