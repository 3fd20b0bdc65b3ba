// Compile-time conversion of UTF-8 source text to the Windows-1251 code page.
//
// The library's messages are written readable (UTF-8) in the source and held as
// Windows-1251 bytes, as callers receive them. `Cp1251<"текст">` is a pointer to a
// static NUL-terminated Windows-1251 string built by the compiler; a character
// outside the code page is a compile error.
#pragma once

#include <array>
#include <cstddef>

namespace tavrpki {

template <std::size_t N>
struct Utf8Literal {
  char bytes[N]{};
  consteval Utf8Literal(const char (&text)[N]) {
    for (std::size_t i = 0; i < N; ++i) bytes[i] = text[i];
  }
};

namespace detail {

// Windows-1251 byte for a code point, or -1 when the code page has none.
constexpr int Cp1251Byte(unsigned cp) {
  if (cp < 0x80) return static_cast<int>(cp);
  if (cp >= 0x410 && cp <= 0x44F) return static_cast<int>(cp - 0x410 + 0xC0);
  switch (cp) {
    case 0x401: return 0xA8;  // Ё
    case 0x451: return 0xB8;  // ё
    case 0x404: return 0xAA;  // Є
    case 0x454: return 0xBA;  // є
    case 0x406: return 0xB2;  // І
    case 0x456: return 0xB3;  // і
    case 0x407: return 0xAF;  // Ї
    case 0x457: return 0xBF;  // ї
    case 0x490: return 0xA5;  // Ґ
    case 0x491: return 0xB4;  // ґ
    case 0x2116: return 0xB9; // №
    case 0xAB: return 0xAB;   // «
    case 0xBB: return 0xBB;   // »
    case 0x2013: return 0x96; // –
    case 0x2014: return 0x97; // —
    case 0xA0: return 0xA0;
    default: return -1;
  }
}

template <Utf8Literal S>
constexpr std::size_t Cp1251Length() {
  std::size_t n = 0;
  for (std::size_t i = 0; S.bytes[i] != 0;) {
    const unsigned char c = static_cast<unsigned char>(S.bytes[i]);
    i += c < 0x80 ? 1 : (c < 0xE0 ? 2 : (c < 0xF0 ? 3 : 4));
    ++n;
  }
  return n + 1;
}

template <Utf8Literal S>
constexpr auto Cp1251Convert() {
  std::array<char, Cp1251Length<S>()> out{};
  std::size_t o = 0;
  for (std::size_t i = 0; S.bytes[i] != 0;) {
    const unsigned char c = static_cast<unsigned char>(S.bytes[i]);
    unsigned cp = 0;
    if (c < 0x80) {
      cp = c;
      i += 1;
    } else if (c < 0xE0) {
      cp = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(S.bytes[i + 1]) & 0x3Fu);
      i += 2;
    } else if (c < 0xF0) {
      cp = ((c & 0x0Fu) << 12) | ((static_cast<unsigned char>(S.bytes[i + 1]) & 0x3Fu) << 6) |
           (static_cast<unsigned char>(S.bytes[i + 2]) & 0x3Fu);
      i += 3;
    } else {
      throw "character outside Windows-1251";
    }
    const int b = Cp1251Byte(cp);
    if (b < 0) throw "character outside Windows-1251";
    out[o++] = static_cast<char>(static_cast<unsigned char>(b));
  }
  out[o] = 0;
  return out;
}

template <Utf8Literal S>
inline constexpr auto kCp1251Storage = Cp1251Convert<S>();

}  // namespace detail

template <Utf8Literal S>
inline constexpr const char* Cp1251 = detail::kCp1251Storage<S>.data();

}  // namespace tavrpki
