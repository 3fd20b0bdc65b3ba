// Extension values: the first input byte picks the type, the rest is its DER.
// Whatever decodes is written in a form that reads back to the same bytes.
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "asn1/x509/ASN1CertExtension.h"
#include "asn1/x509/ExtensionValues.h"
#include "core/Exception.h"

using namespace tavrpki;

namespace {

template <typename T>
void RoundTrip(ByteView der) {
  T value;
  try {
    value.Decode(der);
  } catch (const Exception&) {
    return;
  }
  Blob first;
  value.Encode(first);
  if (value.EncodedSize() != first.Size()) std::abort();
  T again;
  again.Decode(first);  // must not throw: what we write, we read
  Blob second;
  again.Encode(second);
  if (!second.Equals(first)) std::abort();
}

using Runner = void (*)(ByteView);
constexpr Runner kTypes[] = {
    RoundTrip<ASN1BasicConstriants>, RoundTrip<ASN1AuthKeyID>,    RoundTrip<ASN1DistributionPoint>,
    RoundTrip<ASN1AuthInfoAccess>,   RoundTrip<ASN1ExtKeyUsage>,  RoundTrip<ASN1CertPolicies>,
    RoundTrip<ASN1QCStatements>,     RoundTrip<ASN1CertExtension>, RoundTrip<ExtensionsCollection>,
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The rest goes to its own allocation, so reading past it is caught.
  const std::unique_ptr<std::uint8_t[]> rest(new std::uint8_t[size - 1]);
  std::copy(data + 1, data + size, rest.get());
  kTypes[data[0] % std::size(kTypes)](ByteView(rest.get(), size - 1));
  return 0;
}
