// The text forms read from callers and files: hexadecimal of bytes (Blob and
// String), of a SYSTEMTIME, of a 32-bit number and of a bit buffer, and the
// tag-value text of the parameter objects. Reading never crashes or reads past
// the text; a refused text changes nothing; what reads writes a text that reads
// back to the same value.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "asn1/Blob.h"
#include "asn1/DateTime.h"
#include "asn1/Hex.h"
#include "asn1/String.h"
#include "core/Exception.h"
#include "crypto/objects/CBitBlob.h"
#include "crypto/objects/NumberBase.h"
#include "crypto/objects/TagValueEncoder.h"

using namespace tavrpki;

namespace {

// T's text form: a refused text leaves the value's text as it was, an accepted
// one is stable under a second write and read.
template <typename T>
void RoundTrip(T& value, const String& text) {
  String before;
  value.Serialize(before);
  try {
    value.Deserialize(text);
  } catch (const Exception&) {
    String after;
    value.Serialize(after);
    if (!after.Equals(before)) std::abort();
    return;
  }
  String once;
  value.Serialize(once);
  T again;
  again.Deserialize(once);
  String twice;
  again.Serialize(twice);
  if (!twice.Equals(once)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 0xFFFF) return 0;
  // Texts end at their NUL: an inner NUL would only shorten the input.
  String text;
  text.Resize(static_cast<std::uint32_t>(size) + 1);
  for (std::size_t i = 0; i < size; ++i) text.Data()[i] = data[i] == 0 ? ' ' : data[i];
  text.Data()[size] = 0;

  Blob blob(ByteView(data, size / 4));  // a non-empty old value, to see that refusal keeps it
  RoundTrip(blob, text);
  String string("old");
  RoundTrip(string, text);
  DateTime time(2024, 2, 29, 23, 59, 59);
  RoundTrip(time, text);
  NumberBase<int> number(-7);
  RoundTrip(number, text);
  CBitBlob bits;
  RoundTrip(bits, text);
  TagValueEncoder fields;
  fields.SetField("old", "value");
  RoundTrip(fields, text);

  // HexDecode into exactly the room the text asks for, and into too little.
  const std::string_view chars(reinterpret_cast<const char*>(data), size);
  std::vector<std::uint8_t> out(size / 2);
  for (const std::size_t room : {out.size(), out.size() / 2}) {
    try {
      HexDecode(chars, std::span(out).first(room));
      if (HexEncode(std::span(out).first(size / 2)) != chars) std::abort();
    } catch (const Exception&) {
    }
  }
  return 0;
}
