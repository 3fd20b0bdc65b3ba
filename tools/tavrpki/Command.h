// Command registry of the `tavrpki` tool.
//
// A command file registers itself with a static `CommandRegistration`:
//   static const CommandRegistration kHash{"hash", "[--dke HEX] [FILE...]", "hash files", &RunHash};
// `tavrpki speed WHAT` dispatches the same way through `SpeedRegistration`, and
// `tavrpki serve WHAT` through `ServeRegistration`:
//   static const ServeRegistration kOcsp{"ocsp", "--ca-cert FILE ... [--listen ADDR:PORT]",
//                                        "answer OCSP requests", &RunServeOcsp};
// Commands return the process exit code and report errors with `ReportError`.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

namespace tavrpki::tool {

using Args = std::vector<std::string>;
using CommandFn = int (*)(const Args& args);

struct CommandRegistration {
  CommandRegistration(const char* name, const char* usage, const char* summary, CommandFn run);
};

// One subcommand of a command with several ("cert show", "cert verify").
struct Subcommand {
  const char* name;
  CommandFn run;
};

// The function of the subcommand args[0] names; a usage error naming the choices
// when args is empty or names none of them.
CommandFn FindSubcommand(const Args& args, std::initializer_list<Subcommand> choices);
// Runs that subcommand with the arguments after its name.
inline int RunSubcommand(const Args& args, std::initializer_list<Subcommand> choices) {
  return FindSubcommand(args, choices)(Args(args.begin() + 1, args.end()));
}

struct SpeedRegistration {
  SpeedRegistration(const char* what, const char* usage, CommandFn run);
};

struct ServeRegistration {
  ServeRegistration(const char* what, const char* usage, const char* summary, CommandFn run);
};

// Thrown by the argument helpers; main prints it with the usage line.
struct UsageError {
  std::string text;
};

// Simple option parser: --name VALUE pairs and --flag switches, the rest positional.
class Options {
 public:
  Options(const Args& args, const std::vector<std::string>& valueOptions,
          const std::vector<std::string>& flagOptions);
  std::optional<std::string> Value(const std::string& name) const;
  std::string Required(const std::string& name) const;
  bool Flag(const std::string& name) const;
  const Args& Positional() const { return m_positional; }

 private:
  std::vector<std::pair<std::string, std::string>> m_values;
  std::vector<std::string> m_flags;
  Args m_positional;
};

std::vector<std::uint8_t> ParseHex(const std::string& text, const char* what);
std::string ToHex(const std::uint8_t* data, std::size_t size);
inline std::string ToHex(const std::vector<std::uint8_t>& bytes) { return ToHex(bytes.data(), bytes.size()); }
// Capitals, as the commands print serial numbers, fingerprints and parameters.
std::string ToUpperHex(const std::uint8_t* data, std::size_t size);
inline std::string ToUpperHex(const std::vector<std::uint8_t>& bytes) { return ToUpperHex(bytes.data(), bytes.size()); }

// Prints "tavrpki: <what>: <library message as UTF-8> (code N)" for library errors
// (without the code part for messages that have none).
int ReportError(const std::string& what);
// " (code N)", or nothing for the library's uncoded messages.
std::string CodeSuffix(unsigned long code);

// Standard input ("-") or the file's bytes; a read failure is a UsageError that
// names the system's reason.
std::vector<std::uint8_t> ReadInputFile(const std::string& path);

// The system's text for an error number.
std::string SystemReason(int error);

// Runs `body` for about `seconds` of this thread's CPU time, in five rounds, and
// returns the median round's CPU seconds per call.
double MeasureCpuSeconds(const std::function<void()>& body, double seconds = 1.0);
// The same in elapsed time, for work spread over threads (what a user waits for),
// and in the CPU time of all the process's threads (what that work costs).
double MeasureWallSeconds(const std::function<void()>& body, double seconds = 1.0);
double MeasureProcessCpuSeconds(const std::function<void()>& body, double seconds = 1.0);

}  // namespace tavrpki::tool
