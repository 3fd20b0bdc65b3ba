// Distinguished names: whatever decodes renders as text, and its encoding reads
// back to an equal name that encodes to the same bytes again.
#include <cstdint>
#include <cstdlib>

#include "asn1/ASN1Name.h"
#include "core/Exception.h"

using namespace tavrpki;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ASN1Name name;
  try {
    name.Decode(ByteView(data, size));
  } catch (const Exception&) {
    return 0;
  }
  try {
    (void)name.ToText();
  } catch (const Exception&) {
    // a value that is no string, or UTF-8 outside Windows-1251
  }
  for (std::uint32_t i = 0; i < name.Count(); ++i) (void)name.GetAttribute(i).TypeText();
  Blob encoded;
  name.Encode(encoded);
  ASN1Name again;
  again.Decode(encoded);
  Blob twice;
  again.Encode(twice);
  if (!again.Equals(name) || !twice.Equals(encoded) || name.EncodedSize() != encoded.Size()) std::abort();
  return 0;
}
