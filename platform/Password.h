// Passwords typed by a person or kept in a file: the one reader of the project,
// shared by the tool and the file key storage plugin. It is a small static library
// of its own (tavrpki-password, installed with the public headers) because the
// plugin builds against installed headers and libraries only and does not link the
// main library, which loads it.
//
// Both readers take one line (its end, "\n" or "\r\n", removed) into a buffer that
// is wiped whenever it is freed or grows, and never hold a second copy. They throw
// nothing: the caller turns a status into its own error.
#pragma once

#include <cstddef>

#include "gostcrypto/Wipe.h"

namespace tavrpki::platform {

// Longer lines are refused: no password is that long, and a file such as
// /dev/zero must not be read forever.
inline constexpr std::size_t kMaxPasswordLength = 4096;

enum class PasswordStatus {
  kOk,
  kNoTerminal,  // the process has no controlling terminal (error: errno of the open)
  kReadError,   // the file cannot be opened or read, or is a directory (error: errno)
  kTooLong,     // more than kMaxPasswordLength bytes before the line end
};

struct PasswordResult {
  PasswordStatus status = PasswordStatus::kOk;
  int error = 0;  // the system's error number for kNoTerminal and kReadError
};

// Shows `prompt` on the controlling terminal and reads a line with echo off; the
// terminal's settings come back however the read ends.
PasswordResult ReadPasswordFromTerminal(const char* prompt, SecretVector& out);

// The first line of the file at `path`.
PasswordResult ReadPasswordFromFile(const char* path, SecretVector& out);

}  // namespace tavrpki::platform
