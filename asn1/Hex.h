// The library's hexadecimal text form of bytes: uppercase, two characters per
// byte, high nibble first. Decoding accepts uppercase only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace tavrpki {

// Writes 2 * bytes.size() characters to `out` (no NUL); `out` must hold them.
void HexEncode(std::span<const std::uint8_t> bytes, char* out);
std::string HexEncode(std::span<const std::uint8_t> bytes);

// Decodes `text` into the first text.size() / 2 bytes of `out`. Throws
// kMsgHexBadSize for an odd length, kMsgHexBadOutput when `out` is too small and
// kMsgHexBadCharacter for anything but 0-9 and A-F; `out` may be partly written then.
void HexDecode(std::string_view text, std::span<std::uint8_t> out);

}  // namespace tavrpki
