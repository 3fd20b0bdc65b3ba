// OCSP responses, as the client reads them from the network: whatever decodes is
// written in a form that reads back to the same bytes, keeps that form as its
// signed body and tells its size truthfully; the client's checks over the same
// bytes end in a coded failure of their own (the storage here holds no
// responder), never a crash or a foreign exception.
#include <cstdint>
#include <cstdlib>

#include "asn1/ocsp/ASN1OCSPResponse.h"
#include "asn1/x509/ASN1Certificate.h"
#include "core/Catalogue.h"
#include "core/Exception.h"
#include "ext/PKIAuthKeyId.h"
#include "kernel/pkix/Ocsp.h"

using namespace tavrpki;

namespace {

// A certificate the client would ask about: a serial and an authority key identifier.
ASN1Certificate Asked() {
  ASN1Certificate cert;
  cert.TBSCertificate().SerialNumber().SetValue(0x1234);
  const std::uint8_t keyId[] = {0xA0, 0xA1, 0xA2, 0xA3};
  PKIAuthKeyId authorityKeyId;
  authorityKeyId.SetKeyId(ByteView(keyId));
  cert.TBSCertificate().Extensions().Append(authorityKeyId.ToExtension());
  return cert;
}

void RoundTrip(ByteView in) {
  ASN1OCSPResponse response;
  try {
    response.Decode(in);
  } catch (const Exception&) {
    return;
  }
  Blob first;
  response.Encode(first);
  if (response.EncodedSize() != first.Size()) std::abort();
  ASN1OCSPResponse again;
  again.Decode(first);  // must not throw: what we write, we read
  Blob second;
  again.Encode(second);
  if (!second.Equals(first)) std::abort();
  if (!Blob(again.TBSResponse().SignedBytes()).Equals(Blob(response.TBSResponse().SignedBytes()))) std::abort();
}

void Checked(ByteView in) {
  static const ASN1Certificate asked = Asked();
  ASN1Certificate responder;
  try {
    pkix::CheckOcspResponse(in, asked, [](ByteView, ASN1Certificate&) { return false; }, responder);
  } catch (const Exception& e) {
    const auto code = e.GetErrorCode();
    if (code == kMsgOcspSignerCaNotFound.code || code == kMsgOcspNoIssuerKeyHash.code ||
        code == kMsgOcspServerError.code || code == kMsgBadOcspResponse.code ||
        code == kMsgBadOcspSingleResponse.code || code == kMsgBadOcspSingleRequest.code ||
        code == kMsgBadTbsCertificate.code)
      return;
  }
  std::abort();  // nobody vouches for a responder here: nothing may pass
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  RoundTrip(ByteView(data, size));
  Checked(ByteView(data, size));
  return 0;
}
