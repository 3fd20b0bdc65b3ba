// `tavrpki serve ocsp` as an operator runs it: a CA and its responder made with
// the tool, the server started on a free port, asked over HTTP, and stopped with
// SIGTERM (exit 0); a responder key that is not the certificate's is refused
// before the port opens. Every wait has a deadline.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include <gtest/gtest.h>

#include "HttpClient.h"
#include "Requests.h"
#include "kernel/GetKernelInstance.h"

namespace tavrpki::test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

class ToolServeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "tavrpki-serve-XXXXXX").string();
    m_root = mkdtemp(pattern.data());
    std::ofstream(m_root / "system.reg") << "Windows Registry Editor Version 5.00\r\n\r\n"
                                            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\TAVR_PKI]\r\n"
                                            "\"KeyStorageManager\"=\"" TAVRPKI_FILEKEYSTORE_PATH "\"\r\n";
    std::ofstream(m_root / "pw") << "correct horse\n";
    fs::create_directory(m_root / "keys");
    for (const auto& [name, value] : {std::pair<const char*, fs::path>{"HOME", m_root},
                                      {"XDG_DATA_HOME", m_root / "data"},
                                      {"XDG_STATE_HOME", m_root / "state"},
                                      {"TAVR_PKI_USER_CONFIG", m_root / "user.reg"},
                                      {"TAVR_PKI_SYSTEM_CONFIG", m_root / "system.reg"}})
      setenv(name, value.c_str(), 1);
    setenv("TAVRPKI_KEYSTORE_ITERATIONS", "1000", 1);
  }
  void TearDown() override {
    if (m_server > 0) {
      kill(m_server, SIGKILL);
      waitpid(m_server, nullptr, 0);
    }
    std::error_code ignored;
    fs::remove_all(m_root, ignored);
  }

  // Starts the tool with `args` in the test's folder, output to out/err files.
  pid_t Start(const std::vector<std::string>& args) {
    std::vector<std::string> words = {TAVRPKI_TOOL_PATH};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    const std::string out = (m_root / "out").string(), err = (m_root / "err").string();
    const pid_t pid = fork();
    if (pid == 0) {
      setsid();  // no terminal to ask a password on
      const int in = open("/dev/null", O_RDONLY);
      const int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      const int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      if (in < 0 || o < 0 || e < 0 || chdir(m_root.c_str()) != 0) _exit(125);
      dup2(in, 0);
      dup2(o, 1);
      dup2(e, 2);
      execv(argv[0], argv.data());
      _exit(126);
    }
    return pid;
  }

  // The exit code, or -1 when the process is still running at the deadline.
  static int Wait(pid_t pid, std::chrono::seconds limit) {
    const auto deadline = Clock::now() + limit;
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
      if (Clock::now() > deadline) return -1;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

  int Tool(const std::vector<std::string>& args) {
    const int code = Wait(Start(args), std::chrono::seconds(60));
    if (code != 0) ADD_FAILURE() << "tavrpki " << args[0] << " " << args[1] << ": " << ReadAll(m_root / "err");
    return code;
  }

  // The URL the server prints once it listens; empty if it did not by the deadline.
  std::string ListeningUrl() {
    const auto deadline = Clock::now() + std::chrono::seconds(30);
    const std::string marker = "listening on ";
    while (Clock::now() < deadline) {
      const std::string out = ReadAll(m_root / "out");
      const auto at = out.find(marker);
      if (at != std::string::npos && out.find('\n', at) != std::string::npos)
        return out.substr(at + marker.size(), out.find('\n', at) - at - marker.size());
      if (waitpid(m_server, nullptr, WNOHANG) != 0) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return "";
  }

  // A CA and its responder, made with the tool; the responder certificate is
  // also the one certificate the CA issued (serial 0A0B).
  void MakePki() {
    const std::vector<std::string> common = {"--storage", "keys", "--password-file", "pw"};
    auto with = [&](std::vector<std::string> args) {
      args.insert(args.end(), common.begin(), common.end());
      return Tool(args);
    };
    ASSERT_EQ(with({"key", "generate", "--name", "ca"}), 0);
    ASSERT_EQ(with({"key", "generate", "--name", "ocsp"}), 0);
    ASSERT_EQ(with({"ca", "init", "--key", "ca", "--subject", "CN=Serve CA", "--store", "store.db", "-o", "ca.cer"}), 0);
    ASSERT_EQ(with({"req", "new", "--key", "ocsp", "--subject", "CN=Serve OCSP", "--eku", "1.3.6.1.5.5.7.3.9", "-o",
                    "ocsp.req"}),
              0);
    ASSERT_EQ(with({"ca", "issue", "--req", "ocsp.req", "--ca-cert", "ca.cer", "--ca-key", "ca", "--serial", "0A0B",
                    "--store", "store.db", "-o", "ocsp.cer"}),
              0);
  }

  std::vector<std::string> ServeArgs(const char* key) const {
    return {"serve", "ocsp", "--ca-cert", "ca.cer", "--responder-cert", "ocsp.cer", "--responder-key", key,
            "--store", "store.db", "--listen", "127.0.0.1:0", "--storage", "keys", "--password-file", "pw"};
  }

  fs::path m_root;
  pid_t m_server = -1;
};

TEST_F(ToolServeTest, AnswersUntilSigterm) {
  ASSERT_NO_FATAL_FAILURE(MakePki());
  m_server = Start(ServeArgs("ocsp"));
  const std::string url = ListeningUrl();
  ASSERT_NE(url, "") << ReadAll(m_root / "err");

  const Kernel::CKernel kernel = Kernel::GetKernelInstance();
  Kernel::CKernelCertificate issued(kernel);
  const std::string der = ReadAll(m_root / "ocsp.cer");
  issued.InitFromBuffer(reinterpret_cast<const unsigned char*>(der.data()), static_cast<unsigned long>(der.size()),
                        false);
  ASN1OCSPCertID stranger = CertIdOf(issued);
  stranger.SerialNumber().SetValue(0x0A0C);
  const std::pair<ASN1OCSPCertID, std::uint8_t> cases[] = {{CertIdOf(issued), kOcspGood}, {stranger, kOcspUnknown}};
  HttpClient client;
  for (const auto& [id, status] : cases) {
    const RawAnswer raw = client.Post(url, RequestDer({id}));
    ASSERT_EQ(raw.error, "");
    EXPECT_EQ(raw.contentType, "application/ocsp-response");
    const ASN1OCSPResponse response = Decoded(raw.body);
    ASSERT_EQ(response.ResponseStatus(), kOcspSuccessful);
    EXPECT_EQ(response.TBSResponse().Responses().at(0).CertStatus(), status);
  }
  EXPECT_EQ(client.Post(url, {0x01, 0x02}).body, std::vector<std::uint8_t>({0x30, 0x03, 0x0A, 0x01, 0x01}));

  ASSERT_EQ(kill(m_server, SIGTERM), 0);
  EXPECT_EQ(Wait(m_server, std::chrono::seconds(10)), 0) << ReadAll(m_root / "err");
  m_server = -1;
}

TEST_F(ToolServeTest, RefusesKeyOfAnotherCertificate) {
  ASSERT_NO_FATAL_FAILURE(MakePki());
  m_server = Start(ServeArgs("ca"));
  EXPECT_EQ(Wait(m_server, std::chrono::seconds(60)), 2);
  m_server = -1;
  EXPECT_EQ(ReadAll(m_root / "err"),
            "tavrpki: serve: the responder key does not match the responder certificate\n");
  EXPECT_EQ(ReadAll(m_root / "out"), "");
}

}  // namespace
}  // namespace tavrpki::test
