// Results of the exported classes through their caller-buffer rule, for tests.
#pragma once

#include <vector>

namespace tavrpki::test {

// Calls `get(buffer, &length)` once for the size, then for the bytes.
template <class Get>
std::vector<unsigned char> Fetch(Get&& get) {
  unsigned long length = 0;
  get(static_cast<unsigned char*>(nullptr), &length);
  std::vector<unsigned char> bytes(length);
  get(bytes.data(), &length);
  bytes.resize(length);
  return bytes;
}

}  // namespace tavrpki::test
