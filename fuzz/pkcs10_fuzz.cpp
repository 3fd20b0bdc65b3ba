// Certification requests: whatever decodes is written in a form that reads back
// to the same bytes and keeps that form as its signed body; the one thing a read
// request may hold that cannot be written is an attribute without values or
// with a type OID of no octets.
#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "asn1/pkcs10/ASN1CertRequest.h"
#include "core/Exception.h"

using namespace tavrpki;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ASN1CertRequest request;
  try {
    request.Decode(ByteView(data, size));
  } catch (const Exception&) {
    return 0;
  }
  try {
    (void)request.GetSignature();
  } catch (const Exception&) {
    // a BIT STRING that holds no OCTET STRING
  }
  const auto& attributes = request.RequestInfo().Attributes();
  const bool writable = std::all_of(attributes.begin(), attributes.end(),
                                    [](const ASN1Attribute& a) { return a.HasType() && !a.Values().empty(); });
  Blob first;
  try {
    request.Encode(first);
  } catch (const Exception&) {
    if (writable) std::abort();
    return 0;
  }
  if (!writable || request.EncodedSize() != first.Size()) std::abort();
  ASN1CertRequest again;
  again.Decode(first);  // must not throw: what we write, we read
  Blob second;
  again.Encode(second);
  if (!second.Equals(first) ||
      !Blob(again.RequestInfo().SignedBytes()).Equals(Blob(request.RequestInfo().SignedBytes())))
    std::abort();
  return 0;
}
