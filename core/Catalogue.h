// The catalogue of codes and messages. Every failure the library reports is one
// of these entries (messages are Windows-1251, written readable here).
#pragma once

#include "core/Cp1251.h"
#include "core/Exception.h"

namespace tavrpki {

inline constexpr Message kMsgBufferTooSmall{100000, Cp1251<"Не достатній розмір буфуре">};
inline constexpr Message kMsgInvalidParameter{100021, Cp1251<"Вказано не вірне значення параметру.">};
inline constexpr Message kMsgCryptoCore{40003, Cp1251<"Низкорівнева криптографічна помилка (code=%x)!">};

// Uncoded messages (code 0xFFFFFFFF) of the codec, the logger, strings and blobs.
inline constexpr Message kMsgInsufficientBlobSize{kNoCode, "Insufficient blob size"};

}  // namespace tavrpki
