// Base64 (RFC 4648, alphabet A-Z a-z 0-9 + /, '=' padding) for transport bodies
// and PEM text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "asn1/Blob.h"

namespace tavrpki {

// Characters needed for `size` bytes: (size + 2) / 3 × 4.
constexpr std::size_t Base64Length(std::size_t size) { return (size + 2) / 3 * 4; }

// Writes the encoding of `in` to `out` (no NUL) and returns the number of
// characters written, or −1 when `outSize` is below Base64Length(in.size()).
int Base64Encode(ByteView in, char* out, std::size_t outSize);
std::string Base64Encode(ByteView in);

// Decodes `text`, skipping white space. Padding is optional but, when present,
// only at the end. A character outside the alphabet throws
// "Base64: invalid character"; a length that leaves a single character over, or
// data after padding, throws "Base64: truncated or badly padded text".
Blob Base64Decode(std::string_view text);

}  // namespace tavrpki
