#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <exception>
#include <iostream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "Command.h"
#include "Output.h"
#include "core/ExceptionBase.h"
#include "core/MessageText.h"

namespace tavrpki::tool {
namespace {

struct Entry {
  const char* usage;
  const char* summary;
  CommandFn run;
};

std::map<std::string, Entry>& Commands() {
  static std::map<std::string, Entry> commands;
  return commands;
}

std::map<std::string, Entry>& SpeedSuites() {
  static std::map<std::string, Entry> suites;
  return suites;
}

std::map<std::string, Entry>& Servers() {
  static std::map<std::string, Entry> servers;
  return servers;
}

int Help() {
  std::puts("usage: tavrpki COMMAND [ARGS...]\n\ncommands:");
  // speed's usage is the list of its suites, which their files register.
  std::string suites;
  for (const auto& [name, entry] : SpeedSuites()) suites += (suites.empty() ? "" : "|") + name;
  for (const auto& [name, entry] : Commands()) {
    const std::string usage = name == "speed" ? suites + " [OPTIONS]" : entry.usage;
    std::printf("  %-8s %-44s %s\n", name.c_str(), usage.c_str(), entry.summary);
  }
  return 0;
}

int RunSpeed(const Args& args) {
  if (args.empty()) throw UsageError{"speed: say what to measure"};
  const auto it = SpeedSuites().find(args[0]);
  if (it == SpeedSuites().end()) throw UsageError{"speed: unknown suite '" + args[0] + "'"};
  return it->second.run(Args(args.begin() + 1, args.end()));
}

int RunServe(const Args& args) {
  if (args.empty() || args[0] == "--help" || args[0] == "help") {
    std::puts("usage: tavrpki serve WHAT [OPTIONS]  (runs until SIGINT or SIGTERM)\n\nservers:");
    if (Servers().empty()) std::puts("  (none built in)");
    for (const auto& [name, entry] : Servers())
      std::printf("  %-6s %s\n         %s\n", name.c_str(), entry.summary, entry.usage);
    return args.empty() ? 2 : 0;
  }
  const auto it = Servers().find(args[0]);
  if (it == Servers().end()) throw UsageError{"unknown server '" + args[0] + "'"};
  return it->second.run(Args(args.begin() + 1, args.end()));
}

}  // namespace

CommandRegistration::CommandRegistration(const char* name, const char* usage, const char* summary,
                                         CommandFn run) {
  Commands()[name] = Entry{usage, summary, run};
}

SpeedRegistration::SpeedRegistration(const char* what, const char* usage, CommandFn run) {
  SpeedSuites()[what] = Entry{usage, "", run};
}

CommandFn FindSubcommand(const Args& args, std::initializer_list<Subcommand> choices) {
  if (!args.empty())
    for (const Subcommand& choice : choices)
      if (args[0] == choice.name) return choice.run;
  if (!args.empty()) throw UsageError{"unknown subcommand '" + args[0] + "'"};
  std::string names;
  std::size_t left = choices.size();
  for (const Subcommand& choice : choices) {
    names += choice.name;
    --left;
    names += left > 1 ? ", " : left == 1 ? " or " : "";
  }
  throw UsageError{"say what to do: " + names};
}

ServeRegistration::ServeRegistration(const char* what, const char* usage, const char* summary, CommandFn run) {
  Servers()[what] = Entry{usage, summary, run};
}

Options::Options(const Args& args, const std::vector<std::string>& valueOptions,
                 const std::vector<std::string>& flagOptions) {
  auto contains = [](const std::vector<std::string>& list, const std::string& s) {
    for (const auto& item : list)
      if (item == s) return true;
    return false;
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a.rfind("--", 0) == 0 && contains(valueOptions, a.substr(2))) {
      if (i + 1 >= args.size()) throw UsageError{a + " needs a value"};
      m_values.emplace_back(a.substr(2), args[++i]);
    } else if (a.rfind("--", 0) == 0 && contains(flagOptions, a.substr(2))) {
      m_flags.push_back(a.substr(2));
    } else if (a.rfind("--", 0) == 0 && a.size() > 2) {
      throw UsageError{"unknown option " + a};
    } else {
      m_positional.push_back(a);
    }
  }
}

std::optional<std::string> Options::Value(const std::string& name) const {
  for (const auto& [key, value] : m_values)
    if (key == name) return value;
  return std::nullopt;
}

std::string Options::Required(const std::string& name) const {
  auto value = Value(name);
  if (!value) throw UsageError{"--" + name + " is required"};
  return *value;
}

bool Options::Flag(const std::string& name) const {
  for (const auto& flag : m_flags)
    if (flag == name) return true;
  return false;
}

std::vector<std::uint8_t> ParseHex(const std::string& text, const char* what) {
  auto digit = [](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  if (text.size() % 2 != 0) throw UsageError{std::string(what) + ": odd number of hex digits"};
  std::vector<std::uint8_t> out(text.size() / 2);
  for (std::size_t i = 0; i < out.size(); ++i) {
    const int hi = digit(text[2 * i]), lo = digit(text[2 * i + 1]);
    if (hi < 0 || lo < 0) throw UsageError{std::string(what) + ": not a hex string"};
    out[i] = static_cast<std::uint8_t>(hi << 4 | lo);
  }
  return out;
}

namespace {

std::string HexDigits(const std::uint8_t* data, std::size_t size, const char (&digits)[17]) {
  std::string out;
  out.reserve(2 * size);
  for (std::size_t i = 0; i < size; ++i) {
    out.push_back(digits[data[i] >> 4]);
    out.push_back(digits[data[i] & 15]);
  }
  return out;
}

}  // namespace

std::string ToHex(const std::uint8_t* data, std::size_t size) { return HexDigits(data, size, "0123456789abcdef"); }

std::string ToUpperHex(const std::uint8_t* data, std::size_t size) {
  return HexDigits(data, size, "0123456789ABCDEF");
}

std::string CodeSuffix(unsigned long code) {
  // Messages without a code of their own carry 0xFFFFFFFF: no number to show.
  return code == 0xFFFFFFFFul || code == static_cast<unsigned long>(-1) ? std::string()
                                                                       : " (code " + std::to_string(code) + ")";
}

int ReportError(const std::string& what) {
  std::fflush(stdout);  // the lines printed so far come before the error
  try {
    throw;
  } catch (const ExceptionBase& e) {
    std::fprintf(stderr, "tavrpki: %s: %s%s\n", what.c_str(), MessageAsUtf8(e).c_str(),
                 CodeSuffix(e.GetErrorCode()).c_str());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tavrpki: %s: %s\n", what.c_str(), e.what());
  }
  return 2;
}

std::string SystemReason(int error) { return std::strerror(error); }

std::vector<std::uint8_t> ReadInputFile(const std::string& path) {
  const bool standardInput = path == "-";
  std::FILE* file = standardInput ? stdin : std::fopen(path.c_str(), "rb");
  if (file == nullptr) throw UsageError{"cannot read " + path + ": " + SystemReason(errno)};
  std::vector<std::uint8_t> data;
  std::uint8_t chunk[1 << 16];
  std::size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) data.insert(data.end(), chunk, chunk + got);
  const int error = std::ferror(file) ? errno : 0;
  if (!standardInput) std::fclose(file);
  if (error != 0) throw UsageError{"cannot read " + path + ": " + SystemReason(error)};
  return data;
}

// Five rounds of `seconds / 5` CPU time each; the median time per call. The body
// runs in batches that grow until a batch takes a noticeable part of a round, so
// reading the clock costs nothing next to even the cheapest body.
namespace {

double MeasureSeconds(const std::function<void()>& body, double seconds, clockid_t clock) {
  auto now = [clock] {
    timespec ts{};
    clock_gettime(clock, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
  };
  body();  // warm caches and lazy tables outside the measurement
  constexpr int kRounds = 5;
  const double roundSeconds = seconds / kRounds;
  long batch = 1;
  std::vector<double> perCall;
  for (int round = 0; round < kRounds; ++round) {
    long calls = 0;
    const double start = now();
    double elapsed = 0;
    do {
      const double batchStart = now();
      for (long i = 0; i < batch; ++i) body();
      calls += batch;
      const double after = now();
      if (after - batchStart < roundSeconds / 20) batch *= 2;
      elapsed = after - start;
    } while (elapsed < roundSeconds);
    perCall.push_back(elapsed / static_cast<double>(calls));
  }
  std::sort(perCall.begin(), perCall.end());
  return perCall[kRounds / 2];
}

}  // namespace

double MeasureCpuSeconds(const std::function<void()>& body, double seconds) {
  return MeasureSeconds(body, seconds, CLOCK_THREAD_CPUTIME_ID);
}

double MeasureWallSeconds(const std::function<void()>& body, double seconds) {
  return MeasureSeconds(body, seconds, CLOCK_MONOTONIC);
}

double MeasureProcessCpuSeconds(const std::function<void()>& body, double seconds) {
  return MeasureSeconds(body, seconds, CLOCK_PROCESS_CPUTIME_ID);
}

}  // namespace tavrpki::tool

int main(int argc, char** argv) {
  using namespace tavrpki::tool;
  static const CommandRegistration kSpeed{"speed", "WHAT [OPTIONS]", "measure throughput in CPU time", &RunSpeed};
  static const CommandRegistration kServe{"serve", "WHAT [OPTIONS] | --help", "run a server until SIGINT or SIGTERM",
                                          &RunServe};
  if (argc < 2 || std::string(argv[1]) == "help" || std::string(argv[1]) == "--help") return Help();
  // A file may register a two-word command ("crl check") beside another file's
  // one-word command ("crl"); the two-word one wins for its own second word.
  auto it = Commands().end();
  int first = 2;
  if (argc >= 3) {
    it = Commands().find(std::string(argv[1]) + " " + argv[2]);
    if (it != Commands().end()) first = 3;
  }
  if (it == Commands().end()) it = Commands().find(argv[1]);
  if (it == Commands().end()) {
    std::fprintf(stderr, "tavrpki: unknown command '%s' (try 'tavrpki help')\n", argv[1]);
    return 2;
  }
  const char* name = it->first.c_str();
  try {
    return it->second.run(Args(argv + first, argv + argc));
  } catch (const UsageError& e) {
    std::fflush(stdout);
    std::fprintf(stderr, "tavrpki %s: %s\nusage: tavrpki %s %s\n", name, e.text.c_str(), name,
                 it->second.usage);
    return 2;
  } catch (const FileError& e) {
    std::fflush(stdout);
    std::fprintf(stderr, "tavrpki %s: %s\n", name, e.text.c_str());
    return 2;
  } catch (...) {
    return ReportError(name);
  }
}
