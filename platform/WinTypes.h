// The few Windows type names and calling-convention words that the exported
// interface spells out, so that headers read as they do on Windows.
#pragma once

#include <cstdint>

// Reserved-looking names are deliberate: they are the Windows spellings.
using __int64 = long long;           // NOLINT(bugprone-reserved-identifier)

// stdcall exists only on 32-bit x86; elsewhere the compiler has one convention.
#if defined(__i386__) && !defined(_WIN32)
#define __stdcall __attribute__((stdcall))
#elif !defined(_WIN32)
#define __stdcall
#endif

// A window handle. The library never shows a window; the parameters that take
// one only pass it on to the key storage manager.
struct HWND__ {
  int unused;
};
using HWND = HWND__*;

using BOOL = int;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;  // 32 bits as on Windows, whatever `unsigned long` is here
using LONG = std::int32_t;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif
