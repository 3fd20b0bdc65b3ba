// tavrpki hash [--dke HEX] [FILE...]: GOST 34.311-95 of each file (standard input
// when none), printed "<hash-hex>  <name>" like sha256sum. Files are streamed, so
// memory stays constant whatever their size.
#include <cerrno>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "Command.h"
#include "DkeOption.h"
#include "gostcrypto/HashEngine.h"

namespace tavrpki::tool {
namespace {

// False with errno set when the stream cannot be read to its end.
bool HashStream(std::FILE* in, const std::vector<std::uint8_t>& sbox, std::uint8_t out[32]) {
  gostcrypto::HashEngine engine(sbox.empty() ? nullptr : sbox.data(), nullptr);
  std::vector<unsigned char> buffer(1 << 16);
  std::size_t got;
  while ((got = std::fread(buffer.data(), 1, buffer.size(), in)) > 0)
    engine.CalculateHash(buffer.data(), static_cast<unsigned long>(got));
  if (std::ferror(in)) return false;
  engine.Done(out);
  return true;
}

int Run(const Args& args) {
  const Options options(args, {"dke"}, {});
  const auto sbox = DkeOption(options);
  std::vector<std::string> names = options.Positional();
  if (names.empty()) names.push_back("-");
  int status = 0;
  for (const std::string& name : names) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(name == "-" ? nullptr : std::fopen(name.c_str(), "rb"),
                                                         &std::fclose);
    std::FILE* in = name == "-" ? stdin : file.get();
    std::uint8_t hash[32];
    if (in == nullptr || !HashStream(in, sbox, hash)) {
      std::fprintf(stderr, "tavrpki hash: %s: cannot read: %s\n", name.c_str(), SystemReason(errno).c_str());
      status = 1;
      continue;
    }
    std::printf("%s  %s\n", ToHex(hash, sizeof hash).c_str(), name.c_str());
  }
  return status;
}

const CommandRegistration kHash{"hash", "[--dke HEX] [FILE...]", "GOST 34.311-95 hash of files", &Run};

}  // namespace
}  // namespace tavrpki::tool
