#include "tool/MadeCertificate.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "kernel/GetKernelInstance.h"
#include "support/RecipientCertificate.h"

namespace tavrpki::test {

namespace {

// Sets an environment variable until the end of the scope.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const std::string& value) : m_name(name) {
    const char* old = getenv(name);
    m_had = old != nullptr;
    if (m_had) m_old = old;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedVariable() {
    if (m_had)
      setenv(m_name, m_old.c_str(), 1);
    else
      unsetenv(m_name);
  }
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

 private:
  const char* m_name;
  std::string m_old;
  bool m_had = false;
};

}  // namespace

void MakeCertificateForKey(const std::filesystem::path& systemConfig, const std::filesystem::path& storage,
                           const std::string& key, const std::string& password, const std::filesystem::path& out) {
  std::string text;
  {
    std::ifstream in(systemConfig, std::ios::binary);
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  if (text.find("\"RootOID\"") == std::string::npos)
    std::ofstream(systemConfig, std::ios::app | std::ios::binary) << "\"RootOID\"=\"1.3.6.1.4.1.19398.1.1\"\r\n";
  const ScopedVariable system("TAVR_PKI_SYSTEM_CONFIG", systemConfig.string());
  const ScopedVariable user("TAVR_PKI_USER_CONFIG", (systemConfig.parent_path() / "no-user-config.reg").string());

  const Kernel::CKernel kernel = Kernel::GetKernelInstance();
  kernel.LoadStorage(storage.string().c_str());
  Kernel::CKernelDoubleKeyPair keys(kernel, false);
  // A password file's line end is not part of the password (as the tool reads it).
  std::string secret = password;
  while (!secret.empty() && (secret.back() == '\n' || secret.back() == '\r')) secret.pop_back();
  keys.Load(key.c_str(), secret.c_str(), nullptr);
  params::Dke dke = params::kDke1;
  Kernel::CKernelAllParams params(kernel);
  params.SetRandomSBox(dke.data());
  params.SetCryptSBox(dke.data());
  params.SetSignParams(keys.GetSignParams());
  params.SetCryptParams(keys.GetCryptParams());
  const Kernel::CKernelCertificate cert = MakeRecipient(kernel, key.c_str(), keys, params, key);
  unsigned long length = 0;
  cert.GetCertBuffer(nullptr, &length);
  std::vector<unsigned char> der(length);
  cert.GetCertBuffer(der.data(), &length);
  std::ofstream(out, std::ios::binary).write(reinterpret_cast<const char*>(der.data()),
                                             static_cast<std::streamsize>(length));
}

}  // namespace tavrpki::test
