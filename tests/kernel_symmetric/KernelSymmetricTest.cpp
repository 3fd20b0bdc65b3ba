// CKernel's symmetric members: cipher known answers through the handles and the
// partial-block rule; the generator's four-input seeding against its known
// answers, copies continuing (or not having) a sequence, the system bytes behind
// every reseed across fork(); degenerate S-boxes refused everywhere, and the
// argument codes of all of them.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <functional>

#include "Fixture.h"
#include "crypto/params/Dke.h"
#include "gostcrypto/DkeNo1.h"
#include "gostcrypto/RndEngine.h"
#include "gostcrypto/EntropyCollect.h"
#include "kernel/CKernelAllParams.h"

namespace tavrpki::test {
namespace {

const unsigned char* const kSBox = params::kDke1.data();

// The cipher through one handle, fed in calls of the given sizes.
Bytes Crypt(Kernel::CKernel& kernel, Bytes key, Bytes iv, bool encrypt, const Bytes& in,
            const std::vector<std::size_t>& pieces) {
  void* handle = kernel.CreateCryptObject(key.data(), kSBox, iv.data(), encrypt);
  Bytes out(in.size());
  for (std::size_t i = 0, at = 0; i < pieces.size(); at += pieces[i++])
    kernel.CryptSingleBlock(handle, in.data() + at, static_cast<unsigned long>(pieces[i]), out.data() + at);
  kernel.DestroyCrypt(handle);
  return out;
}

// The feedback vectors (13, 16 and 19 bytes) through handles: in one call, in whole
// blocks then the rest, and back through a decrypting handle; then EncryptDecrypt.
TEST_F(KernelTest, FeedbackVectorsThroughHandlesAndParameters) {
  Kernel::CKernel kernel;
  int checked = 0;
  for (const Vector& v : ReadVectorFile("gost28147.vec")) {
    if (v.section != "Cfb" || v.Get("SBox") != "dke") continue;
    SCOPED_TRACE(v.Where());
    const Bytes key = v.Bytes("Key"), iv = v.Bytes("IV"), in = v.Bytes("In"), out = v.Bytes("Out");
    EXPECT_EQ(ToHex(Crypt(kernel, key, iv, true, in, {in.size()})), ToHex(out));
    EXPECT_EQ(ToHex(Crypt(kernel, key, iv, true, in, {8, in.size() - 8})), ToHex(out));
    EXPECT_EQ(ToHex(Crypt(kernel, key, iv, false, out, {out.size()})), ToHex(in));
    ++checked;
  }
  EXPECT_EQ(checked, 6);
  // EncryptDecrypt takes the cipher S-box of the parameters; a null vector is zero.
  Kernel::CKernelAllParams params(kernel);
  params.SetCryptSBox(kSBox);
  Bytes key(32, 0x5C), plain(19, 0xA7), viaParams(19), restored(19);
  kernel.EncryptDecrypt(key.data(), params, nullptr, plain.data(), 19, viaParams.data(), true);
  EXPECT_EQ(viaParams, Crypt(kernel, key, Bytes(8, 0), true, plain, {19}));
  kernel.EncryptDecrypt(key.data(), params, nullptr, viaParams.data(), 19, restored.data(), false);
  EXPECT_EQ(restored, plain);
}

TEST_F(KernelTest, ArgumentCodes) {
  Kernel::CKernel kernel;
  Kernel::CKernelAllParams params(kernel);
  unsigned char key[32] = {}, data[8] = {1, 2, 3, 4}, out[32];
  void* hash = kernel.CreateHashObject(kSBox, nullptr);
  void* crypt = kernel.CreateCryptObject(key, kSBox, nullptr, true);
  struct Case {
    const char* what;
    std::function<void()> call;
    unsigned long code = 100021;
  };
  const Case cases[] = {
      {"CalcHash null data", [&] { kernel.CalcHash(nullptr, 4, out, kSBox); }},
      {"CalcHash zero length", [&] { kernel.CalcHash(data, 0, out, kSBox); }},
      {"CreateHashObject null sbox", [&] { kernel.CreateHashObject(nullptr, nullptr); }},
      {"HashData zero length", [&] { kernel.HashData(hash, data, 0); }},
      {"HashData null handle", [&] { kernel.HashData(nullptr, data, 4); }, 40009},
      {"GetDestroyHash null handle", [&] { kernel.GetDestroyHash(nullptr, out); }, 40009},
      {"CreateCryptObject null key", [&] { kernel.CreateCryptObject(nullptr, kSBox, nullptr, true); }},
      {"CreateCryptObject(params) null key", [&] { kernel.CreateCryptObject(nullptr, params, nullptr, true); }},
      {"CryptSingleBlock null handle", [&] { kernel.CryptSingleBlock(nullptr, data, 8, out); }},
      {"CryptSingleBlock zero length", [&] { kernel.CryptSingleBlock(crypt, data, 0, out); }},
      {"EncryptDecrypt null key", [&] { kernel.EncryptDecrypt(nullptr, params, nullptr, data, 8, out, true); }},
      {"EncryptDecrypt zero length", [&] { kernel.EncryptDecrypt(key, params, nullptr, data, 0, out, true); }},
      {"DestroyCrypt null handle", [&] { kernel.DestroyCrypt(nullptr); }},
      {"GenerateRandom unseeded", [&] { kernel.GenerateRandom(8, out); }, 40013},
      {"GenSymmetricKey unseeded", [&] { kernel.GenSymmetricKey(out); }, 40013},
      {"GenerateRandom zero length", [&] { kernel.GenerateRandom(0, out); }},
      {"GenerateRandom null out", [&] { kernel.GenerateRandom(8, nullptr); }},
  };
  for (const auto& c : cases) EXPECT_EQ(CodeOf(c.call), c.code) << c.what;
  kernel.DestroyCrypt(crypt);
  // The failed calls left the hash handle usable: it still hashes "abc" right, as
  // does the one-call form.
  const std::string abc = "a34a53504d8ba070cb73a583146167a0a3c226d793440d9cea24465fe02251f2";
  kernel.HashData(hash, reinterpret_cast<const unsigned char*>("abc"), 3);
  kernel.GetDestroyHash(hash, out);
  EXPECT_EQ(ToHex(out, 32), abc);
  kernel.CalcHash(reinterpret_cast<const unsigned char*>("abc"), 3, out, kSBox);
  EXPECT_EQ(ToHex(out, 32), abc);
}

TEST_F(KernelTest, FourInputSeedingGivesTheGeneratorsKnownAnswers) {
  Kernel::CKernel kernel;
  int checked = 0;
  for (const Vector& v : ReadVectorFile("gost_random.vec")) {
    if (v.section != "Keyed" || v.Get("SBox") != "default" || v.Get("Extra") != "none") continue;
    const Bytes key = v.Bytes("Key"), seed = v.Bytes("Seed"), expected = v.Bytes("Out");
    kernel.InitRandom(nullptr, key.data(), seed.data(), nullptr);
    // GenerateRandom in two calls: one sequence.
    Bytes got(expected.size());
    kernel.GenerateRandom(5, got.data());
    kernel.GenerateRandom(static_cast<unsigned long>(got.size() - 5), got.data() + 5);
    EXPECT_EQ(ToHex(got), ToHex(expected));
    // A symmetric key is a secret: fresh entropy goes in first, so it is not the
    // next piece of the replayed sequence.
    kernel.InitRandom(nullptr, key.data(), seed.data(), nullptr);
    Bytes symmetric(32);
    kernel.GenSymmetricKey(symmetric.data());
    EXPECT_NE(ToHex(symmetric), ToHex(Bytes(expected.begin(), expected.begin() + 32)));
    ++checked;
  }
  EXPECT_EQ(checked, 1);
}

TEST_F(KernelTest, CopiesContinueTheSourceSequence) {
  Kernel::CKernel source;
  Kernel::CKernel copiedBefore(source);
  source.InitRandom(nullptr, nullptr, nullptr);
  Draw(source, 300);
  Kernel::CKernel copiedAfter(source);
  Kernel::CKernel assigned;
  assigned = source;
  const Bytes next = Draw(source, 600);
  EXPECT_EQ(Draw(copiedAfter, 600), next);
  EXPECT_EQ(Draw(assigned, 600), next);
  EXPECT_EQ(CodeOf([&] { Draw(copiedBefore, 8); }), 40013u);
  // Assigning a kernel without a generator takes the generator away.
  assigned = copiedBefore;
  EXPECT_EQ(CodeOf([&] { Draw(assigned, 8); }), 40013u);
  // The four-input form needs a key: the core refuses, and the old generator is gone.
  EXPECT_ANY_THROW(source.InitRandom(nullptr, nullptr, next.data(), nullptr));
  EXPECT_EQ(CodeOf([&] { Draw(source, 8); }), 40013u);
}

// Tables whose rows are not permutations of 0-15: with any of them the cipher
// loses part of its key (an all-zero table ignores it completely). Every entry
// point that hashes, encrypts or seeds with a table refuses them with 40014 and
// writes nothing; the kernel's generator is left as it was.
TEST_F(KernelTest, DegenerateSBoxesAreRefusedBeforeAnyWork) {
  using SBox = std::array<unsigned char, 128>;
  auto changed = [](std::size_t at, unsigned char value) {
    SBox box{};
    std::copy(gostcrypto::kDkeNo1.begin(), gostcrypto::kDkeNo1.end(), box.begin());
    box[at] = value;
    return box;
  };
  const struct {
    const char* what;
    SBox sbox;
  } tables[] = {
      {"all zero", SBox{}},
      {"first row repeats a value", changed(0, gostcrypto::kDkeNo1[1])},
      {"last entry above 15", changed(127, static_cast<unsigned char>(gostcrypto::kDkeNo1[127] + 16))},
  };
  Kernel::CKernel kernel;
  kernel.InitRandom(nullptr, Bytes(32, 7).data(), Bytes(8, 1).data(), nullptr);
  Kernel::CKernel reference(kernel);
  unsigned char key[32] = {1, 2, 3}, data[16] = {4, 5, 6};
  for (const auto& t : tables) {
    SCOPED_TRACE(t.what);
    Kernel::CKernelAllParams params(kernel);
    params.SetCryptSBox(t.sbox.data());
    Bytes out(32, 0xEE);
    const std::function<void()> calls[] = {
        [&] { kernel.CalcHash(data, sizeof data, out.data(), t.sbox.data()); },
        [&] { kernel.CreateHashObject(t.sbox.data(), nullptr); },
        [&] { kernel.CreateCryptObject(key, t.sbox.data(), nullptr, true); },
        [&] { kernel.CreateCryptObject(key, params, nullptr, true); },
        [&] { kernel.EncryptDecrypt(key, params, nullptr, data, sizeof data, out.data(), true); },
        [&] { kernel.InitRandom(t.sbox.data(), kSBox, nullptr); },
        [&] { kernel.InitRandom(kSBox, t.sbox.data(), nullptr); },
        [&] { kernel.InitRandom(t.sbox.data(), key, data, nullptr); },
    };
    for (std::size_t i = 0; i < std::size(calls); ++i) EXPECT_EQ(CodeOf(calls[i]), 40014u) << "call " << i;
    EXPECT_EQ(out, Bytes(32, 0xEE));
  }
  EXPECT_EQ(Draw(kernel, 64), Draw(reference, 64));
}

// A caller who never sets the S-boxes gets DKE No. 1 in both, so the cipher
// through the parameters depends on its key.
TEST_F(KernelTest, NewParametersCarryDkeNo1) {
  Kernel::CKernel kernel;
  const Kernel::CKernelAllParams params(kernel);
  Bytes randomSBox(128), cryptSBox(128);
  params.GetRandomSBox(randomSBox.data());
  params.GetCryptSBox(cryptSBox.data());
  const Bytes dke(gostcrypto::kDkeNo1.begin(), gostcrypto::kDkeNo1.end());
  EXPECT_EQ(randomSBox, dke);
  EXPECT_EQ(cryptSBox, dke);
  const Bytes plain(24, 0x33);
  Bytes first(24), second(24);
  kernel.EncryptDecrypt(Bytes(32, 1).data(), params, nullptr, plain.data(), 24, first.data(), true);
  kernel.EncryptDecrypt(Bytes(32, 2).data(), params, nullptr, plain.data(), 24, second.data(), true);
  EXPECT_NE(first, second);
}

// The generator's output depends on every part of its key and on the entropy it
// is seeded with: one bit changed anywhere gives another sequence, the same
// material gives the same one.
TEST(RandomGenerator, OutputDependsOnKeyAndEntropy) {
  auto keyed = [](Bytes key) {
    gostcrypto::RndEngine engine(gostcrypto::kDkeNo1.data(), key.data(), Bytes(8, 9).data(), nullptr);
    Bytes out(64);
    engine.Generate(out.data(), out.size());
    return out;
  };
  auto seeded = [](Bytes entropy) {
    gostcrypto::RndEngine engine(entropy.data(), static_cast<unsigned long>(entropy.size()), nullptr, nullptr,
                                 Bytes(8, 9).data(), gostcrypto::kDkeNo1.data());
    Bytes out(64);
    engine.Generate(out.data(), out.size());
    return out;
  };
  const Bytes key(32, 0x5A), entropy(gostcrypto::kEntropyBufferSize, 0xC3);
  EXPECT_EQ(keyed(key), keyed(key));
  EXPECT_EQ(seeded(entropy), seeded(entropy));
  for (std::size_t bit : {0u, 77u, 255u}) {
    Bytes other = key;
    other[bit / 8] ^= static_cast<unsigned char>(1u << (bit % 8));
    EXPECT_NE(keyed(other), keyed(key)) << "key bit " << bit;
  }
  for (std::size_t at : {0u, 31u, 513u, 1023u}) {
    Bytes other = entropy;
    other[at] ^= 0x01;
    EXPECT_NE(seeded(other), seeded(entropy)) << "entropy byte " << at;
  }
}

// Two kernels that share a generator state (a copy) still part on every secret:
// each symmetric key mixes fresh system entropy in, while plain random bytes
// continue the shared sequence.
TEST_F(KernelTest, CopiesNeverDrawTheSameSymmetricKey) {
  Kernel::CKernel source;
  source.InitRandom(nullptr, Bytes(32, 3).data(), Bytes(8, 4).data(), nullptr);
  Kernel::CKernel copy(source);
  Bytes first(32), second(32);
  source.GenSymmetricKey(first.data());
  copy.GenSymmetricKey(second.data());
  EXPECT_NE(first, second);
  EXPECT_NE(first, Bytes(32, 0));
  Kernel::CKernel again(source);
  EXPECT_EQ(Draw(source, 40), Draw(again, 40));
}

// Bytes 8..63 of a collection hold system bytes only (no timer sample lands
// there): a child that inherited the parent's pool would repeat the parent's.
Bytes SystemPart() {
  Bytes buffer(gostcrypto::kEntropyBufferSize);
  EXPECT_EQ(gostcrypto::TAVRCLCRNGEntropyDataCollect(buffer.data(), nullptr, nullptr, 0, 0), 0);
  return Bytes(buffer.begin() + 8, buffer.begin() + 64);
}

Bytes SystemPartInChild() {
  int pipeEnds[2];
  if (::pipe(pipeEnds) != 0) return {};
  const pid_t child = ::fork();
  if (child == 0) {
    const Bytes part = SystemPart();
    ::_exit(::write(pipeEnds[1], part.data(), part.size()) == static_cast<ssize_t>(part.size()) ? 0 : 1);
  }
  ::close(pipeEnds[1]);
  Bytes part(56);
  const bool read = ::read(pipeEnds[0], part.data(), part.size()) == static_cast<ssize_t>(part.size());
  ::close(pipeEnds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(read && WIFEXITED(status) && WEXITSTATUS(status) == 0);
  return part;
}

TEST(EntropyPool, ParentAndChildrenNeverShareSystemBytes) {
  SystemPart();  // the parent's pool is seeded before the fork
  const Bytes first = SystemPartInChild(), second = SystemPartInChild(), parent = SystemPart();
  EXPECT_NE(first, parent);
  EXPECT_NE(second, parent);
  EXPECT_NE(first, second);
  EXPECT_NE(parent, SystemPart());
}

}  // namespace
}  // namespace tavrpki::test
