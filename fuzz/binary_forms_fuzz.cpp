// Item-based binary forms and the tag-value text form: reading never crashes or
// reads past the input, a refused form changes nothing, and what reads writes back
// to the same bytes it came from after one normalising round trip.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "asn1/String.h"
#include "core/Exception.h"
#include "crypto/objects/CBitBlob.h"
#include "crypto/objects/CKeyPair.h"
#include "crypto/objects/TagValueEncoder.h"

using namespace tavrpki;

namespace {

template <typename T>
void RoundTrip(const Blob& in) {
  T object;
  Blob before;
  object.ToBinary(before);
  try {
    object.FromBinary(in);
  } catch (const Exception&) {
    Blob after;
    object.ToBinary(after);
    if (!(after == before)) std::abort();
    return;
  }
  Blob once;
  object.ToBinary(once);
  T again;
  again.FromBinary(once);
  Blob twice;
  again.ToBinary(twice);
  if (!(twice == once)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 0xFFFF) return 0;
  const Blob in(data, static_cast<std::uint32_t>(size));
  RoundTrip<CDoubleKeyPair>(in);
  RoundTrip<CKeyPair>(in);
  RoundTrip<CAsymmetric4145Params>(in);
  RoundTrip<CBitBlob>(in);

  // The same bytes as text.
  String text;
  text.Resize(static_cast<std::uint32_t>(size) + 1);
  for (std::size_t i = 0; i < size; ++i) text.Data()[i] = data[i] == 0 ? ' ' : data[i];
  text.Data()[size] = 0;
  try {
    TagValueEncoder fields;
    fields.Deserialize(text);
    String written;
    fields.Serialize(written);
    TagValueEncoder again;
    again.Deserialize(written);
    if (again.FieldCount() != fields.FieldCount()) std::abort();
  } catch (const Exception&) {
  }
  try {
    CBitBlob value;
    value.Deserialize(text);
  } catch (const Exception&) {
  }
  return 0;
}
