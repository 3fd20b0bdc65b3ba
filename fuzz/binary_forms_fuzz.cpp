// Item-based binary forms of key pairs, keys, points, hashes, signatures and
// parameters: reading never crashes or reads past the input, a refused form
// changes nothing, and what reads writes back to the same bytes it came from
// after one normalising round trip. (The text forms: text_forms_fuzz.)
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "asn1/String.h"
#include "core/Exception.h"
#include "crypto/objects/CBitBlob.h"
#include "crypto/objects/CKey.h"
#include "crypto/objects/CKeyPair.h"
#include "crypto/objects/CPublicKey.h"
#include "crypto/objects/CSignature.h"

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
  RoundTrip<CPrivateKey>(in);
  RoundTrip<CPublicKey>(in);
  RoundTrip<CBasePoint>(in);
  RoundTrip<CSignature>(in);
  RoundTrip<CHash>(in);
  RoundTrip<CSymmetricKey>(in);
  return 0;
}
