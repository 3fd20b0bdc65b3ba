// The --dke option of the GOST commands: the 64-byte packed S-box that certificates
// carry (128 hex digits), unpacked to the 128 entries the core takes. Without the
// option the result is empty and the core's default table (DKE No. 1) applies.
#pragma once

#include <cstdint>
#include <vector>

#include "Command.h"
#include "crypto/params/Dke.h"

namespace tavrpki::tool {

inline std::vector<std::uint8_t> DkeOption(const Options& options) {
  const auto text = options.Value("dke");
  if (!text) return {};
  const auto packed = ParseHex(*text, "--dke");
  if (packed.size() != params::kPackedDkeSize) throw UsageError{"--dke: give 64 bytes (128 hex digits)"};
  const params::Dke sbox = params::UnpackDke(packed);
  return {sbox.begin(), sbox.end()};
}

}  // namespace tavrpki::tool
