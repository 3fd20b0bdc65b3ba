// Any bytes as a DER element tree: every element is read as an ASN1Primitive and,
// where the input is DER (one identifier octet, minimal length), re-encodes to
// exactly the bytes read.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "asn1/ASN1Primitive.h"
#include "asn1/Der.h"
#include "core/Exception.h"

namespace {

using namespace tavrpki;

void Walk(ByteView in, int depth) {
  DerReader reader(in);
  while (reader.HasMore()) {
    const ByteView element = reader.Next();
    const der::Header header = der::ReadHeader(element);
    ASN1Primitive plain;
    plain.Decode(element);
    if (plain.Size() != header.contentLength) std::abort();
    if (header.identifier.size() == 1) {
      const Blob length = plain.LengthOctets();
      const bool minimal = length.Size() == header.lengthOctets.size() &&
                           std::memcmp(length.Data(), header.lengthOctets.data(), length.Size()) == 0;
      if (minimal) {
        Blob again;
        plain.Encode(again);
        if (again.Size() != element.size() || std::memcmp(again.Data(), element.data(), element.size()) != 0)
          std::abort();
        if (plain.EncodedSize() != element.size()) std::abort();
      }
    }
    if (header.IsConstructed() && depth < 64) Walk(plain.View(), depth + 1);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    Walk(ByteView(data, size), 0);
  } catch (const Exception&) {
  }
  return 0;
}
