// UTF-8 and UTF-16 at the byte level, for the code page layer, the codec's string
// types, the configuration reader and the DER printer: one encoder, one check of a
// well-formed sequence, one lenient UTF-16BE reader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace tavrpki::platform {

inline constexpr std::uint32_t kReplacementCharacter = 0xFFFD;

// Appends `codePoint` as UTF-8; a surrogate or a value above U+10FFFF becomes U+FFFD.
void AppendUtf8(std::string& out, std::uint32_t codePoint);

// Length (1 to 4) of the well-formed UTF-8 sequence at the start of `bytes`, or 0
// when it does not start with one (overlong forms and surrogates are malformed).
std::size_t Utf8SequenceLength(std::span<const std::uint8_t> bytes);

// UTF-16 big-endian as UTF-8, as text from hostile input must be shown: a lone
// surrogate and an odd last byte each become U+FFFD, nothing is refused.
std::string Utf16BeToUtf8(std::span<const std::uint8_t> bytes);

}  // namespace tavrpki::platform
