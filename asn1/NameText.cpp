#include "asn1/NameText.h"

#include "asn1/ASN1Name.h"

namespace tavrpki {

std::string NameTextUtf8(std::span<const std::uint8_t> nameDer) {
  ASN1Name name;
  name.Decode(nameDer);
  std::string text = name.ToUtf8Text();
  // The rendering closes every attribute with "; "; a line needs no last one.
  if (text.size() >= 2 && text.compare(text.size() - 2, 2, "; ") == 0) text.resize(text.size() - 2);
  return text;
}

}  // namespace tavrpki
