#include "asn1/Hex.h"

#include "asn1/CodecMessages.h"

namespace tavrpki {
namespace {

constexpr char kDigits[] = "0123456789ABCDEF";

int Nibble(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

void HexEncode(std::span<const std::uint8_t> bytes, char* out) {
  for (const std::uint8_t b : bytes) {
    *out++ = kDigits[b >> 4];
    *out++ = kDigits[b & 15];
  }
}

std::string HexEncode(std::span<const std::uint8_t> bytes) {
  std::string text(2 * bytes.size(), '\0');
  HexEncode(bytes, text.data());
  return text;
}

void HexDecode(std::string_view text, std::span<std::uint8_t> out) {
  if (text.size() % 2 != 0) Raise(kMsgHexBadSize);
  if (out.size() < text.size() / 2) Raise(kMsgHexBadOutput);
  for (std::size_t i = 0; i < text.size() / 2; ++i) {
    const int high = Nibble(text[2 * i]);
    const int low = Nibble(text[2 * i + 1]);
    if (high < 0 || low < 0) Raise(kMsgHexBadCharacter);
    out[i] = static_cast<std::uint8_t>(high << 4 | low);
  }
}

}  // namespace tavrpki
