// The OCSP structures: every edge case of the table decodes to what it says and
// writes the bytes it says, and what is written reads back the same; every
// truncation of a full response fails with a code and changes nothing.
#include "asn1/ocsp/ASN1OCSPRequest.h"
#include "asn1/ocsp/ASN1OCSPResponse.h"
#include "tests/asn1_x509/Support.h"

namespace tavrpki::test {
namespace {

std::string Time(const DateTime& time) { return time.IsEmpty() ? "-" : Show(time); }

std::string Oids(const ExtensionsCollection& list) {
  if (list.Count() == 0) return "-";
  std::string out;
  for (const ASN1CertExtension& extension : list) out += (out.empty() ? "" : ",") + std::string(extension.OidText().CStr());
  return out;
}

std::string Reads(const ASN1OCSPCertID& id) {
  return std::string(id.HashAlgorithm().TypeText().CStr()) + " " + H(id.IssuerNameHash()) + " " +
         H(id.IssuerKeyHash()) + " " + H(id.SerialNumber().Bytes());
}

std::string Reads(const ASN1OCSPSingleResponse& single) {
  std::string status = single.CertStatus() == kOcspGood ? "good" : "unknown";
  if (single.CertStatus() == kOcspRevoked)
    status = "revoked " + Time(single.RevocationTime()) + " r" + std::to_string(single.RevocationReason());
  return "[" + Reads(single.CertID()) + "] " + status + " this=" + Time(single.ThisUpdate()) +
         " next=" + Time(single.NextUpdate()) + " ext=" + Oids(single.SingleExtensions());
}

std::string Reads(const ASN1OCSPRequest& request) {
  const ASN1OCSP_TBSRequest& body = request.TBSRequest();
  std::string list;
  for (const ASN1OCSPCertID& id : body.RequestList()) list += (list.empty() ? "" : "; ") + Reads(id);
  const std::string name = body.RequestorName().GetAttributeUtf8("2.5.4.3");
  const Blob nonce = body.Nonce();
  return "version=" + std::to_string(body.Version()) + " name=" + (name.empty() ? "-" : name) + " list=[" + list +
         "] ext=" + Oids(body.RequestExtensions()) + " nonce=" + (nonce.IsEmpty() ? "-" : H(nonce)) + " sig=" +
         (request.Signature().IsEmpty()
              ? "-"
              : std::string(request.SignatureAlgorithm().TypeText().CStr()) + ":" + H(request.Signature().Bytes()));
}

std::string Reads(const ASN1OCSPResponse& response) {
  std::string out = "status=" + std::to_string(response.ResponseStatus());
  if (response.ResponseStatus() != kOcspSuccessful) return out;
  const ASN1OCSP_TBSResponse& body = response.TBSResponse();
  std::string singles;
  for (const ASN1OCSPSingleResponse& single : body.Responses()) singles += (singles.empty() ? "" : "; ") + Reads(single);
  const bool byKey = !body.ResponderKeyHash().IsEmpty();
  return out + " version=" + (body.Version() == 1 ? "-" : std::to_string(body.Version())) + " by=" +
         (byKey ? "key:" + H(body.ResponderKeyHash()) : "name:" + body.ResponderName().GetAttributeUtf8("2.5.4.3")) +
         " produced=" + Time(body.ProducedAt()) + " singles=[" + singles + "] ext=" + Oids(body.ResponseExtensions()) +
         " alg=" + response.SignatureAlgorithm().TypeText().CStr() + " sig=" + H(response.GetSignature()) +
         " certs=" + std::to_string(response.Certificates().size());
}

template <typename T>
Decoded DecodeEncode(ByteView der) {
  T value;
  value.Decode(der);
  return {Reads(value), EncodeHex(value)};
}

Decoded DecodeOcspAs(const std::string& type, ByteView der) {
  if (type == "CertID") return DecodeEncode<ASN1OCSPCertID>(der);
  if (type == "Request") return DecodeEncode<ASN1OCSPRequest>(der);
  if (type == "SingleResponse") return DecodeEncode<ASN1OCSPSingleResponse>(der);
  if (type == "Response") return DecodeEncode<ASN1OCSPResponse>(der);
  ADD_FAILURE() << "unknown structure " << type;
  return {};
}

TEST(OcspStructures, EdgeCaseTable) {
  const std::vector<Vector> vectors = ReadVectorFile("asn1_ocsp/structures.vec");
  ASSERT_GE(vectors.size(), 40u);
  for (const Vector& v : vectors) {
    SCOPED_TRACE(v.Where());
    const std::vector<std::uint8_t> der = v.Bytes("der");
    if (v.Has("error")) {
      const Failure failure = Catch([&] { DecodeOcspAs(v.section, ByteView(der)); });
      EXPECT_EQ(failure.message, v.Get("error"));
      EXPECT_EQ(failure.code, std::stoull(v.Get("code")));
    } else {
      const Decoded decoded = DecodeOcspAs(v.section, ByteView(der));
      EXPECT_EQ(decoded.reads, v.Get("reads"));
      const std::string encodes = v.Get("encodes");
      EXPECT_EQ(decoded.encodes, encodes == "same" ? HexOf(ByteView(der)) : encodes);
      EXPECT_EQ(StrictDerProblem(ByteView(FromHex(decoded.encodes))), "");
      const Decoded again = DecodeOcspAs(v.section, ByteView(FromHex(decoded.encodes)));
      EXPECT_EQ(again.reads, decoded.reads);
      EXPECT_EQ(again.encodes, decoded.encodes);
    }
    v.ExpectAllUsed();
  }
}

// The response data's signed bytes are the element as it stood in the input, and
// a response that fails to decode leaves the one decoded before untouched.
TEST(OcspStructures, SignedBytesAsReadAndFailuresChangeNothing) {
  const std::vector<Vector> vectors = ReadVectorFile("asn1_ocsp/structures.vec");
  const Vector* full = nullptr;
  for (const Vector& v : vectors)
    if (v.section == "Response" && v.Has("reads") && v.Get("reads").find("certs=1") != std::string::npos) full = &v;
  ASSERT_NE(full, nullptr);
  const std::vector<std::uint8_t> der = full->Bytes("der");
  ASN1OCSPResponse response;
  response.Decode(ByteView(der));
  const std::string tbs = HexOf(response.TBSResponse().SignedBytes());
  EXPECT_NE(HexOf(ByteView(der)).find(tbs), std::string::npos);
  EXPECT_EQ(tbs.substr(0, 2), "30");

  const std::string before = Reads(response);
  for (std::size_t size = 0; size < der.size(); ++size) {
    SCOPED_TRACE(size);
    const Failure failure = Catch([&] { response.Decode(ByteView(der.data(), size)); });
    EXPECT_TRUE(failure.code == 50044 || failure.code == 50045 || failure.code == 50042 || failure.code == 50026)
        << failure.code << " " << failure.message;
    EXPECT_EQ(Reads(response), before);
  }
}

}  // namespace
}  // namespace tavrpki::test
