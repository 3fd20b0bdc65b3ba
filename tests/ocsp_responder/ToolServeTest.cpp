// `tavrpki serve ocsp` as an operator runs it: a CA and its responder made with
// the tool, the server started on a free port, asked over HTTP and stopped with
// SIGTERM (exit 0); a responder key that is not the certificate's is refused
// before the port opens. Every wait has a deadline.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <unistd.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include <gtest/gtest.h>

#include "Requests.h"
#include "kernel/GetKernelInstance.h"
#include "net/HttpTransport.h"

namespace tavrpki::test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

fs::path g_root;  // the suite's folder: configuration, key storage, store, files

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// The tool with `args` (and the key storage options) in the suite's folder,
// output to "out" and "err" there.
pid_t Start(std::vector<std::string> args) {
  args.insert(args.begin(), TAVRPKI_TOOL_PATH);
  for (const char* option : {"--storage", "keys", "--password-file", "pw"}) args.push_back(option);
  std::vector<char*> argv;
  for (std::string& word : args) argv.push_back(word.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&files, 1, (g_root / "out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&files, 2, (g_root / "err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  pid_t pid = -1;
  posix_spawn(&pid, argv[0], &files, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&files);
  return pid;
}

// The exit code; the process is killed (and -1 returned) at the deadline.
int Wait(pid_t pid, std::chrono::seconds limit = std::chrono::seconds(60)) {
  const auto deadline = Clock::now() + limit;
  int status = 0;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (Clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

class ToolServeTest : public ::testing::Test {
 protected:
  // A CA and its responder; the responder certificate (serial 0A0B) is also the
  // one certificate the CA issued.
  static void SetUpTestSuite() {
    std::string pattern = (fs::temp_directory_path() / "tavrpki-serve-XXXXXX").string();
    g_root = mkdtemp(pattern.data());
    fs::create_directory(g_root / "keys");
    std::ofstream(g_root / "pw") << "correct horse\n";
    std::ofstream(g_root / "system.reg") << "Windows Registry Editor Version 5.00\r\n\r\n"
                                            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\TAVR_PKI]\r\n"
                                            "\"KeyStorageManager\"=\"" TAVRPKI_FILEKEYSTORE_PATH "\"\r\n";
    setenv("HOME", g_root.c_str(), 1);
    setenv("XDG_STATE_HOME", (g_root / "state").c_str(), 1);
    setenv("TAVR_PKI_USER_CONFIG", (g_root / "user.reg").c_str(), 1);
    setenv("TAVR_PKI_SYSTEM_CONFIG", (g_root / "system.reg").c_str(), 1);
    setenv("TAVRPKI_KEYSTORE_ITERATIONS", "1000", 1);  // the same sealing, faster
    fs::current_path(g_root);
    for (const std::vector<std::string>& step : std::vector<std::vector<std::string>>{
             {"key", "generate", "--name", "ca"},
             {"key", "generate", "--name", "ocsp"},
             {"ca", "init", "--key", "ca", "--subject", "CN=Serve CA", "--store", "store.db", "-o", "ca.cer"},
             {"req", "new", "--key", "ocsp", "--subject", "CN=Serve OCSP", "--eku", "1.3.6.1.5.5.7.3.9", "-o", "r"},
             {"ca", "issue", "--req", "r", "--ca-cert", "ca.cer", "--ca-key", "ca", "--serial", "0A0B", "--store",
              "store.db", "-o", "ocsp.cer"}})
      ASSERT_EQ(Wait(Start(step)), 0) << step[0] << " " << step[1] << ": " << ReadAll(g_root / "err");
  }
  static void TearDownTestSuite() {
    std::error_code ignored;
    fs::remove_all(g_root, ignored);
  }

  static pid_t Serve(const char* key) {
    return Start({"serve", "ocsp", "--ca-cert", "ca.cer", "--responder-cert", "ocsp.cer", "--responder-key", key,
                  "--store", "store.db", "--listen", "127.0.0.1:0"});
  }

  // The URL the server prints once it listens; empty if it did not in time.
  static std::string ListeningUrl(pid_t server) {
    const std::string marker = "listening on ";
    for (const auto deadline = Clock::now() + std::chrono::seconds(30); Clock::now() < deadline;) {
      const std::string out = ReadAll(g_root / "out");
      const auto at = out.find(marker), end = out.find('\n', at);
      if (at != std::string::npos && end != std::string::npos) return out.substr(at + marker.size(), end - at - marker.size());
      if (waitpid(server, nullptr, WNOHANG) != 0) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return "";
  }
};

TEST_F(ToolServeTest, AnswersUntilSigterm) {
  const pid_t server = Serve("ocsp");
  const std::string url = ListeningUrl(server);
  if (url.empty()) {
    Wait(server, std::chrono::seconds(0));
    FAIL() << ReadAll(g_root / "err");
  }
  Kernel::CKernelCertificate issued(Kernel::GetKernelInstance());
  const std::string der = ReadAll(g_root / "ocsp.cer");
  issued.InitFromBuffer(reinterpret_cast<const unsigned char*>(der.data()), static_cast<unsigned long>(der.size()),
                        false);
  ASN1OCSPCertID stranger = CertIdOf(issued);
  stranger.SerialNumber().SetValue(0x0A0C);
  net::HttpTransport client(url);
  for (const auto& [id, status] : {std::pair{CertIdOf(issued), kOcspGood}, std::pair{stranger, kOcspUnknown}}) {
    const std::vector<std::uint8_t> request = RequestDer({id});
    const Blob answer = client.SendOcspRequest(ByteView(request.data(), request.size()));
    const ASN1OCSPResponse response = Decoded({answer.begin(), answer.end()});
    ASSERT_EQ(response.ResponseStatus(), kOcspSuccessful);
    EXPECT_EQ(response.TBSResponse().Responses().at(0).CertStatus(), status);
  }
  ASSERT_EQ(kill(server, SIGTERM), 0);
  EXPECT_EQ(Wait(server, std::chrono::seconds(10)), 0) << ReadAll(g_root / "err");
}

TEST_F(ToolServeTest, RefusesKeyOfAnotherCertificate) {
  EXPECT_EQ(Wait(Serve("ca")), 2);
  EXPECT_EQ(ReadAll(g_root / "err"), "tavrpki: serve: the responder key does not match the responder certificate\n");
  EXPECT_EQ(ReadAll(g_root / "out"), "");
}

}  // namespace
}  // namespace tavrpki::test
