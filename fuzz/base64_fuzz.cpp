// Base64 both ways: any text either decodes or is refused with the codec's
// message; decoded bytes encode to text that decodes to the same bytes; and any
// bytes survive encode then decode.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "asn1/Base64.h"
#include "core/Exception.h"

using namespace tavrpki;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const ByteView bytes(data, size);
  if (!Base64Decode(Base64Encode(bytes)).Equals(Blob(bytes))) std::abort();
  try {
    const Blob decoded = Base64Decode(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!Base64Decode(Base64Encode(decoded)).Equals(decoded)) std::abort();
  } catch (const Exception&) {
  }
  return 0;
}
