// The key container reader on arbitrary bytes: every input either opens or fails
// with one of the container codes, without reading outside the input.
#include <cstddef>
#include <cstdint>
#include <span>

#include "core/Exception.h"
#include "plugins/filekeystore/Container.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tavrpki::filekeystore;
  const std::span<const std::uint8_t> container(data, size);
  try {
    (void)ReadDescription(container, "k");
    (void)KeysSize(container, "k");
    (void)OpenContainer(container, "sample password", "k");
  } catch (const tavrpki::Exception& error) {
    const unsigned long code = error.GetErrorCode();
    if (code < 30013 || code > 30016) __builtin_trap();  // only the container's own codes
  }
  return 0;
}
