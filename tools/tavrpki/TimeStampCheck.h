// What `ts verify` and `cms verify` say of a time-stamp token: its time as text,
// and "ok" or why not. The authority's certificate is the token's own, else the
// one the store (--store FILE, else the user's) holds under the token signer's
// issuer and serial; the store is opened only when the token carries none.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Command.h"
#include "platform/Time.h"

namespace tavrpki::tool {

inline constexpr const char* kTimeStampNotChecked =
    "not checked: the authority's certificate is in neither the token nor the store";

// "ok", kTimeStampNotChecked or "FAILED: ..." for `token` against the 32-byte
// `hash`; input that is no token propagates as the library's exception.
std::string TimeStampVerdict(const Options& options, const std::vector<std::uint8_t>& token,
                             const std::vector<std::uint8_t>& hash);

// "YYYY-MM-DD hh:mm:ss[.mmm] UTC".
std::string TimeStampTimeText(const _SYSTEMTIME& time);

}  // namespace tavrpki::tool
