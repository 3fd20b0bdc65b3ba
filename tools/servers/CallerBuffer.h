// The library's caller-buffer convention from the calling side: ask once for the
// size, then for the bytes. For the servers and the tool alike.
#pragma once

#include <vector>

namespace tavrpki::servers {

// Calls `get(buffer, &length)` twice, as the exported classes ask: first with
// no buffer for the size, then with one of that size for the bytes.
template <class Get>
std::vector<unsigned char> Fetch(Get&& get) {
  unsigned long length = 0;
  get(static_cast<unsigned char*>(nullptr), &length);
  std::vector<unsigned char> bytes(length);
  get(bytes.data(), &length);
  bytes.resize(length);
  return bytes;
}

}  // namespace tavrpki::servers
