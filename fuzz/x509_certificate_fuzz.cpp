// Certificates: whatever decodes is written in a form that reads back to the same
// bytes, keeps that form as its signed body, and reports its size truthfully;
// the extension values inside decode or fail with the library's Exception.
#include <cstdint>
#include <cstdlib>

#include "asn1/x509/ASN1Certificate.h"
#include "asn1/x509/ExtensionValues.h"
#include "core/Exception.h"

using namespace tavrpki;

namespace {

template <typename T>
void TryValue(const ASN1CertExtension& extension) {
  T value;
  try {
    extension.DecodeValue(value);
  } catch (const Exception&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ASN1Certificate certificate;
  try {
    certificate.Decode(ByteView(data, size));
  } catch (const Exception&) {
    return 0;
  }
  for (const ASN1CertExtension& extension : certificate.TBSCertificate().Extensions()) {
    TryValue<ASN1BasicConstriants>(extension);
    TryValue<ASN1AuthKeyID>(extension);
    TryValue<ASN1DistributionPoint>(extension);
    TryValue<ASN1AuthInfoAccess>(extension);
    TryValue<ASN1ExtKeyUsage>(extension);
  }
  try {
    (void)certificate.GetSignature();
    (void)certificate.TBSCertificate().PublicKeyInfo().GetKey();
  } catch (const Exception&) {
    // a BIT STRING that holds no OCTET STRING
  }
  Blob first;
  certificate.Encode(first);
  if (certificate.EncodedSize() != first.Size()) std::abort();
  ASN1Certificate again;
  again.Decode(first);  // must not throw: what we write, we read
  Blob second;
  again.Encode(second);
  if (!second.Equals(first) || !Blob(again.TBSCertificate().SignedBytes()).Equals(Blob(certificate.TBSCertificate().SignedBytes())))
    std::abort();
  return 0;
}
