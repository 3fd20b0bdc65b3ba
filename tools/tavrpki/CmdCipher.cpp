// tavrpki cipher --mode ecb|ctr|cfb --key HEX [--iv HEX] [--decrypt] [--dke HEX] [IN [OUT]]
// tavrpki mac --key HEX [--dke HEX] [FILE]
// GOST 28147-89 over a file or standard input, streamed. The counter and feedback
// modes keep the input's length (a partial last block is cut, as the library's
// cipher handles do); ECB needs whole blocks. The counter and feedback modes need
// --iv (a fixed IV would repeat the key stream under the same key); ECB takes none.
// OUT is written to a temporary and renamed into place on success; IN = OUT is
// refused. The MAC zero-pads the last block and prints "<mac-hex>  <name>".
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "Command.h"
#include "DkeOption.h"
#include "Output.h"
#include "gostcrypto/SCryptoEngine.h"

namespace tavrpki::tool {
namespace {

using FilePtr = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

std::vector<std::uint8_t> KeyOption(const Options& options) {
  auto key = ParseHex(options.Required("key"), "--key");
  if (key.size() != 32) throw UsageError{"--key: give 32 bytes (64 hex digits)"};
  return key;
}

FilePtr OpenIn(const Args& positional, std::size_t index) {
  if (positional.size() <= index || positional[index] == "-") return FilePtr(stdin, [](std::FILE*) { return 0; });
  FilePtr file(std::fopen(positional[index].c_str(), "rb"), &std::fclose);
  if (!file) throw UsageError{"cannot open " + positional[index] + ": " + SystemReason(errno)};
  return file;
}

// The input's name in messages.
std::string InName(const Args& positional) {
  return positional.empty() || positional[0] == "-" ? "standard input" : positional[0];
}

// Reads until `buffer` is full or the input ends; returns the bytes read.
std::size_t ReadFull(std::FILE* in, const std::string& name, std::vector<unsigned char>& buffer) {
  std::size_t have = 0, got;
  while (have < buffer.size() && (got = std::fread(buffer.data() + have, 1, buffer.size() - have, in)) > 0)
    have += got;
  if (std::ferror(in)) throw FileError{"cannot read " + name + ": " + SystemReason(errno)};
  return have;
}

int RunCipher(const Args& args) {
  const Options options(args, {"mode", "key", "iv", "dke"}, {"decrypt"});
  const std::string modeName = options.Required("mode");
  const int mode = modeName == "ecb"   ? gostcrypto::kSimpleReplacement
                   : modeName == "ctr" ? gostcrypto::kGamming
                   : modeName == "cfb" ? gostcrypto::kGammingFeedback
                                       : -1;
  if (mode < 0) throw UsageError{"--mode: ecb, ctr or cfb"};
  const auto key = KeyOption(options);
  std::vector<std::uint8_t> iv;
  if (const auto text = options.Value("iv")) {
    if (mode == gostcrypto::kSimpleReplacement) throw UsageError{"--iv: ECB takes no IV"};
    iv = ParseHex(*text, "--iv");
    if (iv.size() != 8) throw UsageError{"--iv: give 8 bytes (16 hex digits)"};
  } else if (mode != gostcrypto::kSimpleReplacement) {
    throw UsageError{"--mode " + modeName + " needs --iv (8 bytes, never the same twice under one key)"};
  }
  const auto sbox = DkeOption(options);
  const Args& positional = options.Positional();
  if (positional.size() > 2) throw UsageError{"give at most IN and OUT"};
  const std::string outName = positional.size() == 2 ? positional[1] : "-";
  if (outName != "-" && !positional.empty() && positional[0] != "-" && SameFile(positional[0], outName))
    throw UsageError{"IN and OUT are the same file: write to another file"};
  FilePtr in = OpenIn(positional, 0);
  {
    OutputFile out(outName);
    gostcrypto::SCryptoEngine engine(sbox.empty() ? nullptr : sbox.data(), !options.Flag("decrypt"), mode,
                                     key.data(), iv.empty() ? nullptr : iv.data());
    std::vector<unsigned char> buffer(1 << 16);
    for (;;) {
      const std::size_t have = ReadFull(in.get(), InName(positional), buffer);
      const std::size_t whole = have / 8, rest = have % 8;
      if (whole > 0) engine.makeTransform(buffer.data(), buffer.data(), static_cast<unsigned long>(whole));
      if (rest != 0) {
        if (mode == gostcrypto::kSimpleReplacement)
          throw UsageError{"ecb: the input is not a whole number of blocks"};
        unsigned char block[8] = {};
        std::memcpy(block, buffer.data() + 8 * whole, rest);
        engine.makeTransform(block, block, 1);
        std::memcpy(buffer.data() + 8 * whole, block, rest);
      }
      out.Write(buffer.data(), have);
      if (have < buffer.size()) break;
    }
    out.Commit();
  }
  return 0;
}

int RunMac(const Args& args) {
  const Options options(args, {"key", "dke"}, {});
  const auto key = KeyOption(options);
  const auto sbox = DkeOption(options);
  if (options.Positional().size() > 1) throw UsageError{"give at most one FILE"};
  FilePtr in = OpenIn(options.Positional(), 0);
  gostcrypto::SCryptoEngine engine(sbox.empty() ? nullptr : sbox.data(), true, gostcrypto::kImitovstavka, key.data(),
                                   nullptr);
  std::vector<unsigned char> buffer(1 << 16);
  for (;;) {
    const std::size_t have = ReadFull(in.get(), InName(options.Positional()), buffer);
    const std::size_t blocks = (have + 7) / 8;
    std::memset(buffer.data() + have, 0, 8 * blocks - have);  // zero padding (only at the end)
    engine.makeTransform(buffer.data(), nullptr, static_cast<unsigned long>(blocks));
    if (have < buffer.size()) break;
  }
  unsigned char mac[4];
  engine.GetMac(mac);
  const std::string name = options.Positional().empty() ? "-" : options.Positional()[0];
  std::printf("%s  %s\n", ToHex(mac, sizeof mac).c_str(), name.c_str());
  return 0;
}

const CommandRegistration kCipher{"cipher", "--mode ecb|ctr|cfb --key HEX [--iv HEX] [--decrypt] [--dke HEX] [IN [OUT]]",
                                  "GOST 28147-89 encryption", &RunCipher};
const CommandRegistration kMac{"mac", "--key HEX [--dke HEX] [FILE]", "GOST 28147-89 MAC (4 bytes)", &RunMac};

}  // namespace
}  // namespace tavrpki::tool
