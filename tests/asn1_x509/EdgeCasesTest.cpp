// The structures' edge cases as a table: what each input reads as and how it is
// written back, or the exact coded failure.
#include "tests/asn1_x509/Support.h"

namespace tavrpki::test {
namespace {

TEST(CertificateEdgeCases, Table) {
  const std::vector<Vector> vectors = ReadVectorFile("asn1_x509/edge-cases.vec");
  ASSERT_GE(vectors.size(), 50u);
  for (const Vector& v : vectors) {
    SCOPED_TRACE(v.Where());
    const std::vector<std::uint8_t> der = v.Get("der") == "-" ? std::vector<std::uint8_t>() : v.Bytes("der");
    if (v.Has("error")) {
      const Failure failure = Catch([&] { DecodeAs(v.section, ByteView(der)); });
      EXPECT_EQ(failure.message, v.Get("error"));
      const std::string code = v.Get("code");
      EXPECT_EQ(failure.code, code == "-1" ? kNoCode : std::stoull(code));
    } else {
      const Decoded decoded = DecodeAs(v.section, ByteView(der));
      EXPECT_EQ(decoded.reads, v.Get("reads"));
      const std::string encodes = v.Get("encodes");
      EXPECT_EQ(decoded.encodes, encodes == "same" ? HexOf(ByteView(der)) : encodes);
      // What is written reads back to the same value and the same bytes.
      const Decoded again = DecodeAs(v.section, ByteView(FromHex(decoded.encodes)));
      EXPECT_EQ(again.reads, decoded.reads);
      EXPECT_EQ(again.encodes, decoded.encodes);
    }
    v.ExpectAllUsed();
  }
}

}  // namespace
}  // namespace tavrpki::test
