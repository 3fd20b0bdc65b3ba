// tavrpki asn1 FILE: the element tree of DER, PEM or Base64 input, in the layout
// of `openssl asn1parse`, through the library's input detection and tree printer.
// Values that break their type's rules are marked BAD and make the exit code 2;
// indefinite lengths (BER) are walked and reported.
#include <cstdio>
#include <string>

#include "Command.h"
#include "asn1/DerText.h"
#include "asn1/InputForm.h"

namespace tavrpki::tool {
namespace {

int RunAsn1(const Args& args) {
  const Options options(args, {}, {});
  if (options.Positional().size() != 1) throw UsageError{"give one FILE (or - for standard input)"};
  const auto data = ReadInputFile(options.Positional()[0]);
  if (data.empty()) throw UsageError{"no data"};
  const DerInput input = DecodeDerInput(data);
  const DerTextSummary summary =
      WriteDerTree(input.der, [](std::string_view line) {
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fputc('\n', stdout);
      });
  std::fflush(stdout);
  if (summary.indefiniteLengths != 0)
    std::fprintf(stderr, "tavrpki asn1: warning: %zu indefinite length(s): BER, not DER\n",
                 summary.indefiniteLengths);
  if (summary.badValues != 0) {
    std::fprintf(stderr, "tavrpki asn1: %zu value(s) break their type's rules (marked BAD)\n", summary.badValues);
    return 2;
  }
  return 0;
}

const CommandRegistration kAsn1{"asn1", "FILE", "print the DER element tree (DER, PEM or Base64 input)", &RunAsn1};

}  // namespace
}  // namespace tavrpki::tool
