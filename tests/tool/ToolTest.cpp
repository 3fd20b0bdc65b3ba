// End-to-end cases of the `tavrpki` tool, read from tests/data/tool/*.vec (the
// format is described at the top of tests/data/tool/general.vec). Each case runs
// the real binary in a sandbox of its own: a fresh HOME, XDG directories and
// configuration, no terminal, and a system configuration that names the file key
// storage plugin.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/VectorFile.h"

extern char** environ;

namespace tavrpki::test {
namespace {

namespace fs = std::filesystem;

struct Line {
  std::string file;
  int number = 0;
  std::string verb;
  std::string rest;
  std::string Where() const { return file + ":" + std::to_string(number); }
};

struct Case {
  std::string name;
  std::vector<Line> lines;
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.lines[0].Where(); }

std::string Trim(const std::string& s) {
  const auto b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return "";
  return s.substr(b, s.find_last_not_of(" \t\r") - b + 1);
}

std::vector<Case> LoadCases() {
  std::vector<Case> cases;
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(DataPath("tool")))
    if (entry.path().extension() == ".vec") files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  std::set<std::string> names;
  for (const auto& path : files) {
    std::ifstream in(path);
    std::string text;
    int number = 0;
    while (std::getline(in, text)) {
      ++number;
      text = Trim(text);
      if (text.empty() || text[0] == '#') continue;
      const auto blank = text.find_first_of(" \t");
      Line line{path.filename().string(), number, text.substr(0, blank),
                blank == std::string::npos ? "" : Trim(text.substr(blank))};
      if (line.verb == "case") {
        std::string name;
        for (char c : line.rest) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        // A repeated name would hide a case: it becomes one that fails.
        if (!names.insert(name).second) name += "_DUPLICATE_" + std::to_string(number);
        cases.push_back({name, {line}});
      } else if (cases.empty()) {
        cases.push_back({"before_the_first_case_" + std::to_string(number), {line}});
      } else {
        cases.back().lines.push_back(line);
      }
    }
  }
  return cases;
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::vector<std::string> SplitOn(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::istringstream in(text);
  for (std::string part; std::getline(in, part, separator);) parts.push_back(part);
  return parts;
}

// The first bytes of `bytes` in hex, for failure messages.
std::string Head(const std::string& bytes) {
  const std::size_t shown = std::min<std::size_t>(bytes.size(), 48);
  return ToHex(reinterpret_cast<const std::uint8_t*>(bytes.data()), shown) + (shown < bytes.size() ? "..." : "") +
         " (" + std::to_string(bytes.size()) + " bytes)";
}

// The line after its first word (a source, a regex or an expected text, blanks and all).
std::string AfterFirstWord(const std::string& text) {
  const auto blank = text.find_first_of(" \t");
  return blank == std::string::npos ? "" : Trim(text.substr(blank));
}

// Words separated by blanks; double quotes group a word that holds blanks, and a
// backslash keeps the character after it in the word.
std::vector<std::string> SplitWords(const std::string& text) {
  std::vector<std::string> words;
  std::string word;
  bool quoted = false, have = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\\' && i + 1 < text.size()) {  // kept for the text: source to read
      word += c;
      word += text[++i];
      have = true;
    } else if (c == '"') {
      quoted = !quoted;
      have = true;
    } else if (!quoted && (c == ' ' || c == '\t')) {
      if (have) words.push_back(word);
      word.clear();
      have = false;
    } else {
      word += c;
      have = true;
    }
  }
  if (have) words.push_back(word);
  return words;
}

class Sandbox {
 public:
  Sandbox() {
    std::string pattern = (fs::temp_directory_path() / "tavrpki-tool-XXXXXX").string();
    m_root = mkdtemp(pattern.data());
    for (const char* dir : {"home", "config", "data", "state", "work"}) fs::create_directories(m_root / dir);
    // A fresh user on a machine whose system configuration names the key storage plugin.
    WriteAll(SystemConfig(),
             "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\TAVR_PKI]\r\n"
             "\"KeyStorageManager\"=\"" TAVRPKI_FILEKEYSTORE_PATH "\"\r\n");
    for (char** e = environ; *e != nullptr; ++e) {
      const std::string entry = *e;
      const std::string name = entry.substr(0, entry.find('='));
      // The CPU path settings pass, so a run forced onto the portable code tests it here too.
      const bool cpuPath = name == "TAVRPKI_FORCE_PORTABLE" || name == "TAVRPKI_CPU_PATH";
      if (name == "HOME" || name.rfind("XDG_", 0) == 0 || name.rfind("TAVR_PKI_", 0) == 0 ||
          (name.rfind("TAVRPKI_", 0) == 0 && !cpuPath))
        continue;
      m_env[name] = entry.substr(name.size() + 1);
    }
    m_env["HOME"] = (m_root / "home").string();
    m_env["XDG_CONFIG_HOME"] = (m_root / "config").string();
    m_env["XDG_DATA_HOME"] = (m_root / "data").string();
    m_env["XDG_STATE_HOME"] = (m_root / "state").string();
    m_env["TAVR_PKI_SYSTEM_CONFIG"] = SystemConfig().string();
    // Key containers sealed with few iterations: the derivation is the same code, faster.
    m_env["TAVRPKI_KEYSTORE_ITERATIONS"] = "1000";
  }
  ~Sandbox() {
    std::error_code ignored;
    fs::permissions(Work(), fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(m_root, ignored);
  }
  Sandbox(const Sandbox&) = delete;
  Sandbox& operator=(const Sandbox&) = delete;

  fs::path Root() const { return m_root; }
  fs::path Work() const { return m_root / "work"; }
  fs::path SystemConfig() const { return m_root / "system.reg"; }
  void SetEnv(const std::string& name, const std::string& value) { m_env[name] = value; }
  void UnsetEnv(const std::string& name) { m_env.erase(name); }

  struct Result {
    int exit = -1;
    std::string out, err;
  };

  // Starts the tool with `args` in the work directory, standard input from `input`
  // (or /dev/null), output to the files named, in a session of its own, so it has
  // no terminal to ask on.
  pid_t Start(const std::vector<std::string>& args, const fs::path& input, const std::string& program,
              const std::string& outPath, const std::string& errPath) const {
    std::vector<std::string> envText;
    for (const auto& [name, value] : m_env) envText.push_back(name + "=" + value);
    std::vector<char*> envp, argv;
    for (auto& e : envText) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string tool = program;
    argv.push_back(tool.data());
    std::vector<std::string> argsCopy = args;
    for (auto& a : argsCopy) argv.push_back(a.data());
    argv.push_back(nullptr);
    const std::string inPath = input.empty() ? "/dev/null" : input.string();
    const std::string workPath = Work().string();

    const pid_t pid = fork();
    if (pid == 0) {
      setsid();
      const int in = open(inPath.c_str(), O_RDONLY);
      const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      if (in < 0 || out < 0 || err < 0 || chdir(workPath.c_str()) != 0) _exit(125);
      dup2(in, 0);
      dup2(out, 1);
      dup2(err, 2);
      execve(argv[0], argv.data(), envp.data());
      _exit(126);
    }
    if (pid < 0) ADD_FAILURE() << "fork failed";
    return pid;
  }

  // The exit code (128 + signal), or -1 when the process still runs after `seconds`:
  // it is then killed. A command that waits on something (a terminal, a FIFO, an
  // endless file) is a failure of its own, not a hung test run.
  static int Wait(pid_t pid, int seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() > deadline) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return -1;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
  }

  Result Run(const std::vector<std::string>& args, const fs::path& input,
             const std::string& program = TAVRPKI_TOOL_PATH) const {
    const std::string outPath = (m_root / "stdout").string(), errPath = (m_root / "stderr").string();
    Result result;
    const pid_t pid = Start(args, input, program, outPath, errPath);
    if (pid < 0) return result;
    result.exit = Wait(pid, 120);
    if (result.exit < 0) ADD_FAILURE() << "the tool did not finish within 120 s";
    result.out = ReadAll(outPath);
    result.err = ReadAll(errPath);
    return result;
  }

 private:
  fs::path m_root;
  std::map<std::string, std::string> m_env;
};

// Runs the lines of one case in order; a failed check fails the test and the
// case goes on, so one run reports every difference.
class Interpreter {
 public:
  explicit Interpreter(const Case& c) : m_case(c) {
    m_vars = {{"DATA", DataPath("")},
              {"DIR", m_box.Work().string()},
              {"SANDBOX", m_box.Root().string()},
              {"PLUGIN", TAVRPKI_FILEKEYSTORE_PATH}};
  }
  ~Interpreter() {
    if (m_server > 0) Sandbox::Wait(m_server, 0);  // kills it
  }
  Interpreter(const Interpreter&) = delete;
  Interpreter& operator=(const Interpreter&) = delete;

  void Run() {
    ASSERT_EQ(m_case.lines[0].verb, "case") << m_case.lines[0].Where() << ": a line outside any case";
    ASSERT_EQ(m_case.name.find("_DUPLICATE_"), std::string::npos)
        << m_case.lines[0].Where() << ": case name used twice";
    for (std::size_t i = 1; i < m_case.lines.size() && !::testing::Test::IsSkipped(); ++i) {
      const Line& line = m_case.lines[i];
      SCOPED_TRACE(line.Where() + ": " + line.verb + " " + line.rest);
      try {
        Step(line, SplitWords(line.rest));
      } catch (const std::exception& e) {  // a bad regex or number in the table
        ADD_FAILURE() << e.what();
      }
      if (::testing::Test::HasFatalFailure()) return;
    }
    if (::testing::Test::IsSkipped()) return;
    EXPECT_TRUE(m_ran) << m_case.lines[0].Where() << ": the case runs nothing";
    EXPECT_TRUE(m_exitChecked) << m_case.lines[0].Where() << ": the last run has no 'exit' line";
    EXPECT_LE(m_server, 0) << m_case.lines[0].Where() << ": the server is not stopped";
  }

 private:
  void Step(const Line& line, const std::vector<std::string>& words) {
    const std::string& verb = line.verb;
    if (verb == "run" || verb == "helper") {
      EXPECT_TRUE(m_exitChecked) << "the run before has no 'exit' line";
      const std::vector<std::string> args = Args(words);
      m_last = verb == "run" ? m_box.Run(args, m_input) : m_box.Run(args, m_input, TAVRPKI_TEST_CERTIFICATE_PATH);
      ExpectNoSanitizerReport();
      m_input.clear();
      m_ran = true;
      m_exitChecked = false;
    } else if (verb == "serve" && m_server <= 0) {
      // A server in the background until "stop"; $URL is the address it prints,
      // "http://127.0.0.1:PORT" without the path.
      fs::remove(ServerFile("out"));  // a server before this one printed its address there
      m_server = m_box.Start(Args(words), {}, TAVRPKI_TOOL_PATH, ServerFile("out"), ServerFile("err"));
      ASSERT_GT(m_server, 0);
      const std::regex listening("listening on (http://[^/\\s,]+)");
      std::smatch match;
      std::string out;
      for (auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
           !std::regex_search(out = ReadAll(ServerFile("out")), match, listening);
           std::this_thread::sleep_for(std::chrono::milliseconds(20))) {
        const bool ended = waitpid(m_server, nullptr, WNOHANG) != 0;
        if (ended || std::chrono::steady_clock::now() > deadline) {
          if (!ended) Sandbox::Wait(m_server, 0);  // kills it
          m_server = 0;
          FAIL() << "the server did not listen\nstdout:\n" << out << "stderr:\n" << ReadAll(ServerFile("err"));
        }
      }
      m_vars["URL"] = match[1];
    } else if (verb == "stop" && words.empty() && m_server > 0) {
      // SIGTERM, then the server's exit code and output are the last run's.
      EXPECT_TRUE(m_exitChecked) << "the run before has no 'exit' line";
      kill(m_server, SIGTERM);
      m_last = {Sandbox::Wait(m_server, 30), ReadAll(ServerFile("out")), ReadAll(ServerFile("err"))};
      m_server = 0;
      ExpectNoSanitizerReport();
      m_exitChecked = false;
    } else if (verb == "exit") {
      ASSERT_TRUE(m_ran) << "'exit' before any 'run'";
      EXPECT_EQ(std::to_string(m_last.exit), line.rest) << "stdout:\n" << m_last.out << "stderr:\n" << m_last.err;
      m_exitChecked = true;
    } else if (verb == "file" && words.size() >= 2) {
      WriteAll(m_box.Work() / Expand(words[0]), Source(AfterFirstWord(line.rest)));
    } else if (verb == "append" && words.size() >= 2) {
      std::ofstream(m_box.Work() / Expand(words[0]), std::ios::binary | std::ios::app)
          << Source(AfterFirstWord(line.rest));
    } else if (verb == "dir" && words.size() == 1) {
      fs::create_directories(m_box.Work() / Expand(words[0]));
    } else if (verb == "stdin" && !words.empty()) {
      m_input = m_box.Root() / "stdin";
      WriteAll(m_input, Source(line.rest));
    } else if (verb == "env" && line.rest.find('=') != std::string::npos) {
      const auto eq = line.rest.find('=');
      m_box.SetEnv(line.rest.substr(0, eq), Expand(line.rest.substr(eq + 1)));
    } else if (verb == "unset" && words.size() == 1) {
      m_box.UnsetEnv(line.rest);
    } else if (verb == "noconfig" && words.empty()) {
      fs::remove(m_box.SystemConfig());
    } else if (verb == "skip") {
      // A case for a known fault, kept in the table until the fault is fixed.
      GTEST_SKIP() << line.Where() << ": " << line.rest;
    } else if ((verb == "same" || verb == "differ") && words.size() == 2) {
      const std::string a = Source(words[0]), b = Source(words[1]);
      if (verb == "differ")
        EXPECT_NE(a, b) << words[0] << " and " << words[1] << " are equal";
      else
        EXPECT_TRUE(a == b) << words[0] << " holds " << Head(a) << ", not " << Head(b);
    } else if (verb == "mode" && words.size() == 2) {
      const auto perms = fs::status(m_box.Work() / Expand(words[0])).permissions() & fs::perms::mask;
      EXPECT_EQ(static_cast<unsigned>(perms), std::stoul(words[1], nullptr, 8))
          << words[0] << " has mode " << std::oct << static_cast<unsigned>(perms);
    } else if (verb == "absent" && words.size() == 1) {
      EXPECT_FALSE(fs::exists(m_box.Work() / Expand(words[0])));
    } else if (verb == "keep" && words.size() >= 2) {
      ASSERT_TRUE(m_ran) << "'keep' before any 'run'";
      Keep(words[0], AfterFirstWord(line.rest));
    } else if ((verb == "out" || verb == "err") && !words.empty()) {
      ASSERT_TRUE(m_ran) << "'" << verb << "' before any 'run'";
      Check(verb, verb == "out" ? m_last.out : m_last.err, words[0], Expand(AfterFirstWord(line.rest)));
    } else {
      ADD_FAILURE() << "unknown line '" << verb << "' (or the wrong number of words)";
    }
  }

  // A sanitizer stops the tool with exit code 1, the code of a bad signature too.
  void ExpectNoSanitizerReport() const {
    for (const char* report : {"Sanitizer", "runtime error:"})
      EXPECT_EQ(m_last.err.find(report), std::string::npos) << "stderr:\n" << m_last.err;
  }

  // The words of a run line as arguments: escapes undone, variables expanded.
  std::vector<std::string> Args(const std::vector<std::string>& words) {
    std::vector<std::string> args;
    for (const auto& w : words) {
      std::string arg;
      for (std::size_t k = 0; k < w.size(); ++k) arg += w[k] == '\\' && k + 1 < w.size() ? w[++k] : w[k];
      args.push_back(Expand(arg));
    }
    return args;
  }

  // $VAR = group 1 of the first stdout line the regex finds.
  void Keep(const std::string& var, const std::string& regex) {
    const std::regex pattern(regex);
    std::smatch match;
    for (const auto& l : SplitOn(m_last.out, '\n')) {
      if (std::regex_search(l, match, pattern) && match.size() > 1) {
        m_vars[var] = match[1];
        return;
      }
    }
    ADD_FAILURE() << "no stdout line matches " << regex << "\nstdout:\n" << m_last.out;
  }

  static void Check(const std::string& name, const std::string& stream, const std::string& how,
                    const std::string& want) {
    const auto lines = SplitOn(stream, '\n');
    const std::string shown = "\n" + name + ":\n" + stream;
    if (how == "=") {
      EXPECT_NE(std::find(lines.begin(), lines.end(), want), lines.end())
          << "no " << name << " line is exactly: " << want << shown;
    } else if (how == "~") {
      const std::regex pattern(want);
      EXPECT_TRUE(
          std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return std::regex_match(l, pattern); }))
          << "no " << name << " line matches: " << want << shown;
    } else if (how == "*") {
      EXPECT_NE(stream.find(want), std::string::npos) << name << " does not contain: " << want << shown;
    } else if (how == "!") {
      EXPECT_EQ(stream.find(want), std::string::npos) << name << " contains: " << want << shown;
    } else if (how == "empty") {
      EXPECT_EQ(stream, "") << name << " is not empty";
    } else if (how == "lines") {
      EXPECT_EQ(std::to_string(lines.size()), want) << shown;
    } else {
      ADD_FAILURE() << "unknown check '" << how << "'";
    }
  }

  // $NAME and ${NAME}: the variables of the constructor and those kept from output.
  std::string Expand(const std::string& text) {
    static const std::regex kVar(R"(\$\{?([A-Za-z_][A-Za-z0-9_]*)\}?)");
    std::string out;
    std::size_t last = 0;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), kVar); it != std::sregex_iterator(); ++it) {
      out += text.substr(last, static_cast<std::size_t>(it->position()) - last);
      const auto found = m_vars.find((*it)[1]);
      if (found == m_vars.end())
        ADD_FAILURE() << "no variable $" << (*it)[1];
      else
        out += found->second;
      last = static_cast<std::size_t>(it->position() + it->length());
    }
    return out + text.substr(last);
  }

  // The bytes a source names: hex:HEX, text:TEXT (\n \r \t \\ \" escaped), data:PATH
  // (under tests/data), file:NAME or a bare NAME (in the work directory),
  // part:NAME:OFFSET[:LENGTH] (negative: from the end), flip:NAME:OFFSET (the file with
  // the low bit of one byte inverted), repeat:HEX*N, or - (the last run's standard output).
  std::string Source(const std::string& text) {
    if (text == "-") return m_last.out;
    const auto colon = text.find(':');
    if (colon == std::string::npos) return ReadAll(m_box.Work() / Expand(text));
    const std::string kind = text.substr(0, colon);
    const std::string value = Expand(text.substr(colon + 1));
    if (kind == "hex") {
      const auto bytes = FromHex(value);
      return {bytes.begin(), bytes.end()};
    }
    if (kind == "text") {
      std::string out;
      for (std::size_t k = 0; k < value.size(); ++k) {
        if (value[k] != '\\' || k + 1 == value.size()) {
          out += value[k];
          continue;
        }
        const char e = value[++k];
        out += e == 'n' ? '\n' : e == 'r' ? '\r' : e == 't' ? '\t' : e;
      }
      return out;
    }
    if (kind == "data" || kind == "file") {
      const fs::path path = kind == "data" ? fs::path(DataPath(value)) : m_box.Work() / value;
      EXPECT_TRUE(fs::exists(path)) << "no file " << path;
      return ReadAll(path);
    }
    if (kind == "repeat" && value.find('*') != std::string::npos) {
      const auto star = value.rfind('*');
      const auto unit = FromHex(value.substr(0, star));
      std::string out;
      for (long i = 0, n = std::stol(value.substr(star + 1)); i < n; ++i) out.append(unit.begin(), unit.end());
      return out;
    }
    if (const auto fields = SplitOn(value, ':'); kind == "part" && (fields.size() == 2 || fields.size() == 3)) {
      // Negative numbers count from the end; without a LENGTH the part runs to the end.
      const std::string whole = ReadAll(m_box.Work() / fields[0]);
      const long size = static_cast<long>(whole.size());
      const long offset = std::stol(fields[1]) < 0 ? size + std::stol(fields[1]) : std::stol(fields[1]);
      const long given = fields.size() == 3 ? std::stol(fields[2]) : 0;
      const long end = fields.size() == 2 || given < 0 ? size + given : offset + given;
      EXPECT_TRUE(0 <= offset && offset <= end && end <= size) << fields[0] << " has " << size << " bytes";
      return 0 <= offset && offset <= end && end <= size ? whole.substr(offset, end - offset) : "";
    }
    if (const auto fields = SplitOn(value, ':'); kind == "flip" && fields.size() == 2) {
      // Inverting a bit changes the byte whatever it held, so a damage case cannot
      // pass by chance.
      std::string whole = ReadAll(m_box.Work() / fields[0]);
      const long size = static_cast<long>(whole.size());
      const long offset = std::stol(fields[1]) < 0 ? size + std::stol(fields[1]) : std::stol(fields[1]);
      EXPECT_TRUE(0 <= offset && offset < size) << fields[0] << " has " << size << " bytes";
      if (0 <= offset && offset < size) whole[static_cast<std::size_t>(offset)] ^= 1;
      return whole;
    }
    ADD_FAILURE() << "unknown source '" << text << "'";
    return "";
  }

  std::string ServerFile(const char* stream) const { return (m_box.Root() / (std::string("server.") + stream)).string(); }

  const Case& m_case;
  Sandbox m_box;
  pid_t m_server = 0;
  std::map<std::string, std::string> m_vars;
  Sandbox::Result m_last;
  fs::path m_input;
  bool m_ran = false, m_exitChecked = true;
};

class ToolCase : public ::testing::TestWithParam<Case> {};

TEST_P(ToolCase, Runs) { Interpreter(GetParam()).Run(); }

INSTANTIATE_TEST_SUITE_P(Vec, ToolCase, ::testing::ValuesIn(LoadCases()),
                         [](const ::testing::TestParamInfo<Case>& info) { return info.param.name; });

}  // namespace
}  // namespace tavrpki::test
