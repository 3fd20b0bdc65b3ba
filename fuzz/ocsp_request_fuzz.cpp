// OCSP requests, as a responder reads them from the network: whatever decodes is
// written in a form that reads back to the same value and the same bytes, with
// its size told truthfully; anything else is refused with the request's codes.
#include <cstdint>
#include <cstdlib>

#include "asn1/ocsp/ASN1OCSPRequest.h"
#include "core/Catalogue.h"
#include "core/Exception.h"

using namespace tavrpki;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ASN1OCSPRequest request;
  try {
    request.Decode(ByteView(data, size));
  } catch (const Exception& e) {
    if (e.GetErrorCode() != kMsgBadOcspRequest.code && e.GetErrorCode() != kMsgBadOcspSingleRequest.code)
      std::abort();
    return 0;
  }
  (void)request.TBSRequest().Nonce();
  Blob first;
  request.Encode(first);
  if (request.EncodedSize() != first.Size()) std::abort();
  ASN1OCSPRequest again;
  again.Decode(first);  // must not throw: what we write, we read
  Blob second;
  again.Encode(second);
  if (!second.Equals(first)) std::abort();
  if (again.TBSRequest().RequestList().size() != request.TBSRequest().RequestList().size()) std::abort();
  for (std::size_t i = 0; i < request.TBSRequest().RequestList().size(); ++i)
    if (!again.TBSRequest().RequestList()[i].Matches(request.TBSRequest().RequestList()[i])) std::abort();
  if (!again.TBSRequest().Nonce().Equals(request.TBSRequest().Nonce())) std::abort();
  return 0;
}
