// S-boxes on the tool's command line. The --dke option of the GOST commands is the
// 64-byte packed S-box that certificates carry (128 hex digits, the even entry in
// the high nibble), unpacked to the 128 entries the core takes. Without the option
// the result is empty and the core's default table (DKE No. 1) applies.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "Command.h"
#include "gostcrypto/DkeNo1.h"

namespace tavrpki::tool {

using SBox = std::array<std::uint8_t, 128>;

// DKE No. 1, as a buffer the exported classes may take (they want non-const).
inline SBox DkeNo1() { return gostcrypto::kDkeNo1; }

// The packed S-box in `text` (128 hex digits), unpacked; `option` names it in errors.
inline SBox ParsePackedSBox(const std::string& text, const char* option) {
  const auto packed = ParseHex(text, option);
  if (packed.size() != 64) throw UsageError{std::string(option) + ": give 64 bytes (128 hex digits)"};
  SBox sbox{};
  for (std::size_t i = 0; i < packed.size(); ++i) {
    sbox[2 * i] = static_cast<std::uint8_t>(packed[i] >> 4);
    sbox[2 * i + 1] = static_cast<std::uint8_t>(packed[i] & 15);
  }
  return sbox;
}

inline std::vector<std::uint8_t> DkeOption(const Options& options) {
  const auto text = options.Value("dke");
  if (!text) return {};
  const SBox sbox = ParsePackedSBox(*text, "--dke");
  return {sbox.begin(), sbox.end()};
}

}  // namespace tavrpki::tool
