// The double key pair: what the exportable flag allows, export and import, and
// the key storage through the kernel and the file key storage plugin, across
// processes.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "core/Cp1251.h"
#include "kernel/CKernelException.h"
#include "kernel_dstu/Fixtures.h"
#include "support/VectorFile.h"

namespace tavrpki::test {
namespace {

using Kernel::CKernel;
using Kernel::CKernelDoubleKeyPair;

std::vector<unsigned char> KeysBuffer(const CKernelDoubleKeyPair& keys) {
  return Fetch([&](auto* b, auto* l) { keys.GetKeysBuffer(b, l); });
}

const auto kHash = SomeHash(1);

bool Verifies(const CKernel& kernel, const std::vector<unsigned char>& signature,
              const CKernelDoubleKeyPair& keys) {
  return test::Verifies(kernel, kHash.data(), signature, keys);
}

TEST_F(KernelDstuTest, NonExportableKeysKeepTheirSecrets) {
  const auto params = MakeParams(m_kernel, kCurve257, kCurve257);
  CKernelDoubleKeyPair keys = m_kernel.Generate4145DoubleKeyPair(params, false);
  const auto publicKey = PublicSignKey(keys);
  unsigned char buffer[600];
  unsigned long length = sizeof buffer;
  const CodeCase cases[] = {
      {"GetSignPrivateKey", 100029, [&] { keys.GetSignPrivateKey(buffer, &length); }},
      {"GetCryptPrivateKey", 100029, [&] { keys.GetCryptPrivateKey(buffer, &length); }},
      {"GetKeysBuffer", 100029, [&] { keys.GetKeysBuffer(buffer, &length); }},
      // The exportable test comes before the argument test.
      {"GetKeysBuffer without length", 100029, [&] { keys.GetKeysBuffer(buffer, nullptr); }},
      {"SetSignPrivateKey", 100030, [&] { keys.SetSignPrivateKey(buffer, 10); }},
      {"SetCryptPublicKey", 100030, [&] { keys.SetCryptPublicKey(nullptr, 0); }},
      {"InitFromBuffer", 100030, [&] { keys.InitFromBuffer(nullptr, 0); }},
      {"SetSignParams", 100030, [&] { keys.SetSignParams(params.GetSignParams()); }},
      {"Load with an empty name", 100021, [&] { keys.Load("", "pw", nullptr); }},
      {"Load without password", 100021, [&] { keys.Load("k", nullptr, nullptr); }},
  };
  for (const auto& c : cases) EXPECT_EQ(CodeOf(c.call), c.code) << c.what;
  EXPECT_EQ(PublicSignKey(keys), publicKey);  // every refusal left the keys alone

  CKernelDoubleKeyPair exportable(m_kernel, true);
  EXPECT_EQ(CodeOf([&] { exportable.Load("k", "pw", nullptr); }), 100030u);
  EXPECT_EQ(CodeOf([&] { exportable.Load(nullptr, nullptr); }), 100030u);
  exportable.SetHandle(keys.GetHandle());
  EXPECT_EQ(CodeOf([&] { exportable.GetSignPrivateKey(buffer, &length); }), 100029u);
  EXPECT_EQ(PublicSignKey(exportable), publicKey);
}

// Exportable keys move through the whole buffer and through the four key setters;
// either copy signs for the other.
TEST_F(KernelDstuTest, ExportableKeysMoveThroughBuffersAndSetters) {
  const auto params = MakeParams(m_kernel, kCurve257, kCurve431);
  const CKernelDoubleKeyPair source = m_kernel.Generate4145DoubleKeyPair(params, true);
  EXPECT_EQ(CodeOf([&] { source.Save("k", "pw", nullptr); }), 100028u);
  const auto form = KeysBuffer(source);
  CKernelDoubleKeyPair imported(m_kernel, true), built(m_kernel, true);
  imported.InitFromBuffer(form.data(), static_cast<unsigned long>(form.size()));
  EXPECT_EQ(KeysBuffer(imported), form);
  EXPECT_TRUE(Verifies(m_kernel, Sign(m_kernel, kHash.data(), imported, params), source));
  EXPECT_TRUE(Verifies(m_kernel, Sign(m_kernel, kHash.data(), source, params), imported));

  built.SetSignParams(source.GetSignParams());
  built.SetCryptParams(source.GetCryptParams());
  using Get = void (CKernelDoubleKeyPair::*)(unsigned char*, unsigned long*) const;
  using Set = void (CKernelDoubleKeyPair::*)(const unsigned char*, unsigned long);
  const std::pair<Get, Set> parts[] = {
      {&CKernelDoubleKeyPair::GetSignPrivateKey, &CKernelDoubleKeyPair::SetSignPrivateKey},
      {&CKernelDoubleKeyPair::GetSignPublicKey, &CKernelDoubleKeyPair::SetSignPublicKey},
      {&CKernelDoubleKeyPair::GetCryptPrivateKey, &CKernelDoubleKeyPair::SetCryptPrivateKey},
      {&CKernelDoubleKeyPair::GetCryptPublicKey, &CKernelDoubleKeyPair::SetCryptPublicKey},
  };
  for (const auto& [get, set] : parts) {
    const auto key = Fetch([&](auto* b, auto* l) { (source.*get)(b, l); });
    (built.*set)(key.data(), static_cast<unsigned long>(key.size()));
  }
  EXPECT_EQ(KeysBuffer(built), form);
  ASSERT_NE(built.GetHashSBox(), nullptr);
  EXPECT_TRUE(std::equal(params::kDke1.begin(), params::kDke1.end(), built.GetHashSBox()));
  // A malformed key, or a length past 4 GiB (not cut to its low 32 bits, which here
  // name a valid buffer), is refused and changes nothing.
  const unsigned char junk[] = {1, 2, 3};
  EXPECT_NE(CodeOf([&] { built.SetSignPublicKey(junk, sizeof junk); }), 0u);
  const auto tooLong = static_cast<unsigned long>(form.size() + (std::uint64_t{1} << 32));
  if (sizeof(unsigned long) > 4) {
    EXPECT_EQ(CodeOf([&] { built.InitFromBuffer(form.data(), tooLong); }), 100021u);
    EXPECT_EQ(CodeOf([&] { built.SetSignPrivateKey(form.data(), tooLong); }), 100021u);
  }
  EXPECT_EQ(KeysBuffer(built), form);
}

// ---- Key storage through the kernel and the plugin ----

class KeyStorage : public ::testing::Test {
 protected:
  void SetUp() override { m_kernel.LoadStorage(m_sandbox.Storage().c_str()); }
  KeyStorageSandbox m_sandbox;  // before the kernel: the kernel loads the plugin it names
  CKernel m_kernel;
};

// The child half of the cross-process test: loads the key saved by the parent and
// signs kHash, writing the signature to the file the parent named.
TEST(ChildProcess, SignWithStoredKey) {
  const char* storage = std::getenv("TAVRPKI_TEST_CHILD_STORAGE");
  if (storage == nullptr) GTEST_SKIP() << "runs only as the child of KeyStorage.*";
  CKernel kernel;
  kernel.LoadStorage(storage);
  CKernelDoubleKeyPair keys(kernel, false);
  keys.Load(std::getenv("TAVRPKI_TEST_CHILD_KEY"), "child password", nullptr);
  const auto signature = Sign(kernel, kHash.data(), keys, MakeParams(kernel, kCurve257, kCurve257));
  std::ofstream(std::getenv("TAVRPKI_TEST_CHILD_OUT"), std::ios::binary)
      .write(reinterpret_cast<const char*>(signature.data()), static_cast<std::streamsize>(signature.size()));
}

std::vector<unsigned char> SignInFreshProcess(const std::string& storage, const std::string& key,
                                              const std::string& out) {
  const pid_t child = ::fork();
  if (child == 0) {
    ::setenv("TAVRPKI_TEST_CHILD_STORAGE", storage.c_str(), 1);
    ::setenv("TAVRPKI_TEST_CHILD_KEY", key.c_str(), 1);
    ::setenv("TAVRPKI_TEST_CHILD_OUT", out.c_str(), 1);
    ::execl("/proc/self/exe", "kernel_dstu_tests", "--gtest_filter=ChildProcess.SignWithStoredKey",
            static_cast<char*>(nullptr));
    ::_exit(127);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
  return ReadFileBytes(out);
}

TEST_F(KeyStorage, SavedKeysSignInAFreshProcess) {
  for (const char* curve : {kCurve163, kCurve257, kCurve431, kCurve233Onb}) {
    SCOPED_TRACE(curve);
    const auto params = MakeParams(m_kernel, curve, curve);
    const CKernelDoubleKeyPair keys = m_kernel.Generate4145DoubleKeyPair(params, false);
    const std::string name = std::string("key ") + curve;
    keys.Save(name.c_str(), "child password", "made by the test", nullptr);
    const auto signature =
        SignInFreshProcess(m_sandbox.Storage(), name, (m_sandbox.Root() / "signature").string());
    ASSERT_FALSE(signature.empty());
    EXPECT_TRUE(Verifies(m_kernel, signature, keys));
  }
}

TEST_F(KeyStorage, MembersManageTheStorage) {
  const auto params = MakeParams(m_kernel, kCurve163, kCurve163);
  const CKernelDoubleKeyPair keys = m_kernel.Generate4145DoubleKeyPair(params, false);
  keys.Save("alice", "pw", "Alice", nullptr);
  keys.Save("bob", "pw", nullptr);
  EXPECT_TRUE(m_kernel.IsKeyExists("alice"));
  EXPECT_FALSE(m_kernel.IsKeyExists("carol"));

  std::vector<std::string> names;
  m_kernel.EnumerateKeys(&names, [](void* names, const char* name) {
    static_cast<std::vector<std::string>*>(names)->push_back(name);
    return 1;
  });
  EXPECT_EQ(names, (std::vector<std::string>{"alice", "bob"}));

  const auto text =
      Fetch([&](auto* b, auto* l) { m_kernel.GetKeyDescription("alice", reinterpret_cast<char*>(b), l); });
  EXPECT_STREQ(reinterpret_cast<const char*>(text.data()), "Alice");

  m_kernel.ChangeKeyPassword(nullptr, "alice", "pw", "new");
  CKernelDoubleKeyPair loaded(m_kernel, false);
  EXPECT_EQ(CodeOf([&] { loaded.Load("alice", "pw", nullptr); }), 30013u);
  loaded.Load("alice", "new", nullptr);
  EXPECT_EQ(PublicSignKey(loaded), PublicSignKey(keys));

  // A failed load leaves the previous keys in place.
  m_kernel.Generate4145DoubleKeyPair(params, false).Save("carol", "pw", nullptr);
  // The plugin's own exception crosses the plugin boundary and the kernel's as
  // the exported type, its code and its text unchanged.
  try {
    loaded.Load("carol", "wrong", nullptr);
    ADD_FAILURE() << "a wrong password was accepted";
  } catch (const Kernel::CKernelException& error) {
    EXPECT_EQ(error.GetErrorCode(), 30013u);
    EXPECT_STREQ(error.GetErrorMessage(), tavrpki::Cp1251<"Невірний пароль до ключа 'carol'.">);
  }
  EXPECT_EQ(CodeOf([&] { loaded.Load("nobody", "pw", nullptr); }), 30012u);
  EXPECT_EQ(PublicSignKey(loaded), PublicSignKey(keys));

  m_kernel.DeleteKey("bob");
  EXPECT_FALSE(m_kernel.IsKeyExists("bob"));
  m_kernel.ConfigureKeyStorage(nullptr);
}

// The fixture's configuration names no key storage library.
TEST_F(KernelDstuTest, EveryStorageMemberReportsTheUnloadedLibrary) {
  const auto params = MakeParams(m_kernel, kCurve163, kCurve163);
  const CKernelDoubleKeyPair keys = m_kernel.Generate4145DoubleKeyPair(params, false);
  CKernelDoubleKeyPair target(m_kernel, false);
  EXPECT_EQ(CodeOf([&] { m_kernel.LoadStorage("/tmp"); }), 30002u);
  EXPECT_EQ(CodeOf([&] { m_kernel.IsKeyExists("k"); }), 30002u);
  EXPECT_EQ(CodeOf([&] { keys.Save("k", "pw", nullptr); }), 30002u);
  EXPECT_EQ(CodeOf([&] { target.Load("k", "pw", nullptr); }), 30002u);
  EXPECT_EQ(CodeOf([&] { m_kernel.SelectDefaultKeyStorage(nullptr); }), 30002u);
}

}  // namespace
}  // namespace tavrpki::test
