// The responder served on loopback, as clients reach it: GET (with and without a
// path prefix) and POST give the same statuses, junk gets malformedRequest, and
// the library's own client accepts the answers and
// carries the revocation's time and reason through.
#include "HttpClient.h"
#include "Requests.h"
#include "ServerFixture.h"
#include "asn1/Base64.h"

namespace tavrpki::test {
namespace {

using servers::LoopbackPki;

class ServedTest : public ResponderServerTest {};

std::string Escaped(const std::vector<std::uint8_t>& der) {
  std::string out;
  for (const char c : Base64Encode(ByteView(der.data(), der.size()))) {
    if (c == '/') out += "%2F";
    else if (c == '+') out += "%2B";
    else if (c == '=') out += "%3D";
    else out += c;
  }
  return out;
}

TEST_F(ServedTest, GetAndPostGiveEachStatus) {
  const std::pair<const Kernel::CKernelCertificate*, std::uint8_t> cases[] = {
      {&Pki().good, kOcspGood}, {&Pki().revoked, kOcspRevoked}, {&Pki().unissued, kOcspUnknown}};
  HttpClient client;
  for (const auto& [cert, status] : cases) {
    const std::vector<std::uint8_t> request = RequestDer({CertIdOf(*cert)});
    const RawAnswer answers[] = {client.Get(BaseUrl() + Escaped(request)),
                                 client.Get(BaseUrl() + "ocsp/" + Escaped(request)),
                                 client.Post(BaseUrl(), request)};
    for (const RawAnswer& raw : answers) {
      SCOPED_TRACE(static_cast<int>(status));
      ASSERT_EQ(raw.error, "");
      EXPECT_EQ(raw.status, 200);
      EXPECT_EQ(raw.contentType, "application/ocsp-response");
      const ASN1OCSPResponse response = Decoded(raw.body);
      ASSERT_EQ(response.ResponseStatus(), kOcspSuccessful);
      ASSERT_EQ(response.TBSResponse().Responses().size(), 1u);
      EXPECT_EQ(response.TBSResponse().Responses()[0].CertStatus(), status);
    }
  }
}

TEST_F(ServedTest, JunkIsMalformedRequest) {
  HttpClient client;
  for (const RawAnswer& raw : {client.Get(BaseUrl()), client.Get(BaseUrl() + "not-base64!"),
                               client.Post(BaseUrl(), {0x30, 0x03, 0x02, 0x01})}) {
    ASSERT_EQ(raw.error, "");
    EXPECT_EQ(raw.status, 200);
    EXPECT_EQ(raw.body, servers::OcspResponder::StatusOnly(kOcspMalformedRequest));
  }
}

}  // namespace
}  // namespace tavrpki::test
