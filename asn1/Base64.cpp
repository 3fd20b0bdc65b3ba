#include "asn1/Base64.h"

#include <array>

#include "asn1/CodecMessages.h"

namespace tavrpki {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr std::array<std::int8_t, 256> MakeReverse() {
  std::array<std::int8_t, 256> table{};
  for (auto& entry : table) entry = -1;
  for (int i = 0; i < 64; ++i) table[static_cast<unsigned char>(kAlphabet[i])] = static_cast<std::int8_t>(i);
  return table;
}

constexpr std::array<std::int8_t, 256> kReverse = MakeReverse();

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

int Base64Encode(ByteView in, char* out, std::size_t outSize) {
  const std::size_t needed = Base64Length(in.size());
  if (outSize < needed || needed > 0x7FFFFFFF) return -1;
  std::size_t o = 0, i = 0;
  for (; i + 3 <= in.size(); i += 3) {
    const std::uint32_t v = std::uint32_t{in[i]} << 16 | std::uint32_t{in[i + 1]} << 8 | in[i + 2];
    out[o++] = kAlphabet[v >> 18];
    out[o++] = kAlphabet[(v >> 12) & 63];
    out[o++] = kAlphabet[(v >> 6) & 63];
    out[o++] = kAlphabet[v & 63];
  }
  if (const std::size_t rest = in.size() - i; rest != 0) {
    const std::uint32_t v = std::uint32_t{in[i]} << 16 | (rest == 2 ? std::uint32_t{in[i + 1]} << 8 : 0);
    out[o++] = kAlphabet[v >> 18];
    out[o++] = kAlphabet[(v >> 12) & 63];
    out[o++] = rest == 2 ? kAlphabet[(v >> 6) & 63] : '=';
    out[o++] = '=';
  }
  return static_cast<int>(o);
}

std::string Base64Encode(ByteView in) {
  std::string text(Base64Length(in.size()), '\0');
  Base64Encode(in, text.data(), text.size());
  return text;
}

Blob Base64Decode(std::string_view text) {
  Blob out;
  out.Reserve(static_cast<std::uint32_t>(text.size() / 4 * 3 + 3));
  std::uint32_t group = 0;
  int count = 0;    // characters in the current group
  int padding = 0;  // '=' seen
  for (const char c : text) {
    if (IsSpace(c)) continue;
    if (c == '=') {
      ++padding;
      continue;
    }
    const int value = kReverse[static_cast<unsigned char>(c)];
    if (value < 0) Raise(kMsgBase64BadCharacter);
    if (padding != 0) Raise(kMsgBase64BadLength);
    group = group << 6 | static_cast<std::uint32_t>(value);
    if (++count == 4) {
      const std::uint8_t bytes[] = {static_cast<std::uint8_t>(group >> 16), static_cast<std::uint8_t>(group >> 8),
                                    static_cast<std::uint8_t>(group)};
      out.Append(ByteView(bytes));
      group = 0;
      count = 0;
    }
  }
  if (count == 1 || (padding != 0 && count + padding != 4)) Raise(kMsgBase64BadLength);
  if (count == 2) {
    const std::uint8_t byte = static_cast<std::uint8_t>(group >> 4);
    out.Append(ByteView(&byte, 1));
  } else if (count == 3) {
    const std::uint8_t bytes[] = {static_cast<std::uint8_t>(group >> 10), static_cast<std::uint8_t>(group >> 2)};
    out.Append(ByteView(bytes));
  }
  return out;
}

}  // namespace tavrpki
