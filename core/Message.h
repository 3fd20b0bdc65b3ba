// A catalogue entry: a code and its printf-style Windows-1251 format.
//
// The library's catalogue (core/Catalogue.h) is made of these, and so are the
// message tables of the programs built beside it on the installed headers alone
// (the key storage plugin, the SQLite certificate store): one shape of entry,
// whoever throws it.
#pragma once

#include <cstdint>

namespace tavrpki {

struct Message {
  std::uint32_t code;
  const char* format;
};

}  // namespace tavrpki
