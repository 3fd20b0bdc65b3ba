// Distinguished names: whatever decodes renders as text, and its encoding reads
// back to a name that encodes to the same bytes again and equals the first,
// unless some type or value was empty (writing leaves it out) or a type repeats
// (equality compares with the first attribute of each type).
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
  // Strings of every kind render, outside the code page too; only a value that is
  // no string is refused, and then both renderings refuse it.
  bool rendered = true, renderedUtf8 = true;
  try {
    (void)name.ToText();
  } catch (const Exception&) {
    rendered = false;
  }
  try {
    (void)name.ToUtf8Text();
  } catch (const Exception&) {
    renderedUtf8 = false;
  }
  if (rendered != renderedUtf8) std::abort();
  bool comparable = true;
  for (std::uint32_t i = 0; i < name.Count(); ++i) {
    const ASN1AttrTypeValue attribute = name.GetAttribute(i);
    comparable = comparable && !attribute.Value().IsEmpty() && !attribute.Type().IsEmpty();
    for (std::uint32_t j = 0; j < i; ++j)
      comparable = comparable && name.GetAttribute(j).TypeText().NotEquals(attribute.TypeText());
  }
  // An empty element reads as absent and the writer leaves it out, so such a name
  // has no exact round trip to check.
  if (!comparable) return 0;
  Blob encoded;
  name.Encode(encoded);
  ASN1Name again;
  again.Decode(encoded);
  Blob twice;
  again.Encode(twice);
  if (!again.Equals(name) || !twice.Equals(encoded) || name.EncodedSize() != encoded.Size())
    std::abort();
  return 0;
}
