// The time-stamp messages: every input goes to the three decoders (request,
// response, TSTInfo), which share their field readers, so one corpus of all three
// kinds feeds each. What a decoder takes writes out in a form it reads back to
// the same bytes; a refusal is always the structure's own code.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "asn1/tsp/TimeStamp.h"
#include "core/Catalogue.h"
#include "core/Exception.h"

using namespace tavrpki;

namespace {

template <class Decode>
void RoundTrip(std::span<const std::uint8_t> in, const Message& code, Decode&& decode) {
  tsp::Bytes first;
  try {
    first = tsp::Encode(decode(in));
  } catch (const Exception& e) {
    if (e.GetErrorCode() != code.code) std::abort();
    return;
  }
  // Only the DER choices (minimal integers and lengths, defaults left out)
  // may differ from the input; after one pass the bytes are fixed.
  if (tsp::Encode(decode(first)) != first) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> in(data, size);
  RoundTrip(in, kMsgBadSignedData50055, [](auto bytes) { return tsp::DecodeTimeStampReq(bytes); });
  RoundTrip(in, kMsgBadTstInfo, [](auto bytes) { return tsp::DecodeTimeStampResp(bytes); });
  RoundTrip(in, kMsgBadTstInfo, [](auto bytes) { return tsp::DecodeTstInfo(bytes); });
  return 0;
}
