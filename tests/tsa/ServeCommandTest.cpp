// `tavrpki serve tsa` as an operator runs it: a certificate from the tool's own
// CA, the key in the file key storage, the binary started, asked, stopped with
// SIGTERM, started again on the same serial state.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "tsa/HttpPost.h"
#include "tsa/TsaFixture.h"

extern char** environ;

namespace tavrpki::test {
namespace {

namespace fs = std::filesystem;

class ServeCommandTest : public ::testing::Test {
 protected:
  ServeCommandTest() {
    std::string pattern = (fs::temp_directory_path() / "tavrpki-serve-XXXXXX").string();
    m_root = mkdtemp(pattern.data());
    for (char** e = environ; *e != nullptr; ++e) {
      const std::string entry = *e;
      const std::string name = entry.substr(0, entry.find('='));
      if (name == "HOME" || name.rfind("XDG_", 0) == 0 || name.rfind("TAVR", 0) == 0) continue;
      m_env.push_back(entry);
    }
    const std::pair<const char*, const char*> homes[] = {
        {"HOME", "home"}, {"XDG_CONFIG_HOME", "config"}, {"XDG_DATA_HOME", "data"}, {"XDG_STATE_HOME", "state"}};
    for (const auto& [variable, dir] : homes) {
      fs::create_directories(m_root / dir);
      m_env.push_back(std::string(variable) + "=" + (m_root / dir).string());
    }
    m_env.push_back("TAVRPKI_KEYSTORE_ITERATIONS=1000");
    std::ofstream(m_root / "pw") << "pw\n";
  }
  ~ServeCommandTest() override {
    if (m_server > 0) {
      kill(m_server, SIGKILL);
      waitpid(m_server, nullptr, 0);
    }
    fs::remove_all(m_root);
  }

  pid_t Spawn(std::vector<std::string> args, int out) {
    args.insert(args.begin(), TAVRPKI_TOOL_PATH);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& e : m_env) envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out, 1);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    pid_t pid = 0;
    const int error = posix_spawn(&pid, TAVRPKI_TOOL_PATH, &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    EXPECT_EQ(error, 0);
    return pid;
  }

  // The exit status, or -1 when the process is still running after `seconds`.
  static int Wait(pid_t pid, int seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() > end) return -1;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

  int Tool(std::vector<std::string> args) {
    const int out = open("/dev/null", O_WRONLY);
    const pid_t pid = Spawn(std::move(args), out);
    close(out);
    const int status = Wait(pid, 120);
    if (status < 0) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
    return status;
  }

  // Starts the authority and returns its URL, read from its first line of output.
  std::string StartServer(const std::string& cert) {
    int pipe[2];
    EXPECT_EQ(::pipe(pipe), 0);
    m_server = Spawn({"serve", "tsa", "--cert", P(cert), "--key", "tsa", "--password-file", P("pw"), "--listen",
                      "127.0.0.1:0", "--state", P("serial")},
                     pipe[1]);
    close(pipe[1]);
    std::string line;
    pollfd ready{pipe[0], POLLIN, 0};
    char c = 0;
    while (line.find('\n') == std::string::npos && poll(&ready, 1, 30000) == 1 && read(pipe[0], &c, 1) == 1) line += c;
    close(pipe[0]);
    std::smatch match;
    if (!std::regex_search(line, match, std::regex("listening on (http://127\\.0\\.0\\.1:[0-9]+)/"))) {
      ADD_FAILURE() << "no address in '" << line << "'";
      return "";
    }
    return match[1].str();
  }

  int StopServer() {
    kill(m_server, SIGTERM);
    const int status = Wait(m_server, 30);
    if (status >= 0) m_server = 0;
    return status;
  }

  std::string P(const std::string& name) const { return (m_root / name).string(); }

  fs::path m_root;
  std::vector<std::string> m_env;
  pid_t m_server = 0;
};

std::uint64_t Stamp(const std::string& url, const std::string& save = "") {
  HttpPoster client;
  const HttpReply reply = client.Post(url + "/TSPRequest.ashx", tsp::Encode(Request()));
  const Token token = OpenToken(reply.body);
  if (!save.empty()) std::ofstream(save, std::ios::binary).write(reinterpret_cast<const char*>(token.der.data()),
                                                                 static_cast<std::streamsize>(token.der.size()));
  std::uint64_t serial = 0;
  for (std::uint8_t octet : token.info.serialNumber) serial = serial << 8 | octet;
  return serial;
}

TEST_F(ServeCommandTest, StopsOnSigtermAndNeverRepeatsASerial) {
  curl_global_init(CURL_GLOBAL_DEFAULT);
  const std::string pw = P("pw");
  ASSERT_EQ(Tool({"key", "generate", "--name", "ca", "--password-file", pw}), 0);
  ASSERT_EQ(Tool({"key", "generate", "--name", "tsa", "--password-file", pw}), 0);
  ASSERT_EQ(Tool({"ca", "init", "--key", "ca", "--subject", "CN=Test CA", "--password-file", pw, "-o", P("ca.cer")}), 0);
  ASSERT_EQ(Tool({"req", "new", "--key", "tsa", "--subject", "CN=Test TSA", "--eku", "1.3.6.1.5.5.7.3.8",
                  "--password-file", pw, "-o", P("tsa.req")}), 0);
  ASSERT_EQ(Tool({"ca", "issue", "--req", P("tsa.req"), "--ca-cert", P("ca.cer"), "--ca-key", "ca", "--password-file",
                  pw, "-o", P("tsa.cer")}), 0);

  std::string url = StartServer("tsa.cer");
  ASSERT_FALSE(url.empty());
  std::uint64_t last = 0;
  for (int i = 0; i < 3; ++i) {
    const std::uint64_t serial = Stamp(url);
    EXPECT_GT(serial, last);
    last = serial;
  }
  EXPECT_EQ(StopServer(), 0);

  url = StartServer("tsa.cer");
  ASSERT_FALSE(url.empty());
  EXPECT_GT(Stamp(url, P("token.tsr")), last);
  EXPECT_EQ(StopServer(), 0);
  // The token as a user checks it: the hash it stamps, and one that differs in its last octet.
  std::string hash;
  for (int i = 0; i < 32; ++i) hash += "A5";
  EXPECT_EQ(Tool({"ts", "verify", P("token.tsr"), "--hash", hash}), 0);
  EXPECT_EQ(Tool({"ts", "verify", P("token.tsr"), "--hash", hash.substr(0, 63) + "4"}), 1);
  curl_global_cleanup();
}

}  // namespace
}  // namespace tavrpki::test
