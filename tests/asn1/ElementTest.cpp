// The DER element: identifier and length octets, reading through views, the
// malformed-input table, and structures composed from elements.
#include <functional>
#include <map>
#include <memory>
#include <tuple>

#include "tests/asn1/Support.h"

namespace tavrpki::test {
namespace {

// Beyond tests/data/asn1/encodings.vec: how lengths that DER never writes are read.
TEST(Element, LengthOctetsReadLeniently) {
  EXPECT_EQ(der::DecodeLength(B("80")), 0u);  // the indefinite form is not recognised
  EXPECT_EQ(der::DecodeLength(B("84FFFFFFFF")), 0xFFFFFFFFu);
  EXPECT_EQ(Catch([] { der::DecodeLength(B("850000000001")); }).message, "Estimated size exceeds limits");
}

// Every decoder refuses malformed input with its exact message and keeps its value.
TEST(Element, MalformedInputTable) {
  const std::map<std::string, std::function<std::unique_ptr<ASN1Primitive>()>> types = {
      {"ASN1Primitive", [] { return std::make_unique<ASN1Primitive>(0, false, 4); }},
      {"ASN1Integer", [] { return std::make_unique<ASN1Integer>(5); }},
      {"ASN1OID", [] { return std::make_unique<ASN1OID>("1.2.3"); }},
      {"ASN1OctetString", [] { return std::make_unique<ASN1OctetString>(B("AA")); }},
      {"ASN1BitString", [] { auto b = std::make_unique<ASN1BitString>(); b->SetBytes(B("F0"), 4); return b; }},
      {"ASN1Bool", [] { return std::make_unique<ASN1Bool>(true); }},
      {"ASN1PrintableString", [] { return std::make_unique<ASN1PrintableString>("x"); }},
      {"ASN1UTCTime", [] { return std::make_unique<ASN1UTCTime>(DateTime(2009, 6, 1)); }},
      {"ASN1GeneralizedTime", [] { return std::make_unique<ASN1GeneralizedTime>(DateTime(2009, 6, 1)); }},
      {"ASN1AttrTypeValue", [] { return std::make_unique<ASN1AttrTypeValue>("2.5.4.3", ASN1PrintableString("x")); }},
      {"ASN1Name", [] { auto n = std::make_unique<ASN1Name>(); n->AddAttribute("2.5.4.6", ASN1PrintableString("UA")); return n; }},
  };
  for (const Vector& v : ReadVectorFile("asn1/malformed.vec")) {
    const auto type = types.find(v.section);
    ASSERT_NE(type, types.end()) << v.Where();
    const std::unique_ptr<ASN1Primitive> value = type->second();
    const std::string before = EncodeHex(*value);
    // An exact-size heap copy, so that ASan reports any read past the input.
    const std::vector<std::uint8_t> der = v.Bytes("der");
    const auto input = std::make_unique<std::uint8_t[]>(der.size());
    std::copy(der.begin(), der.end(), input.get());
    const Failure failure = Catch([&] { value->Decode(ByteView(input.get(), der.size())); });
    EXPECT_EQ(std::tuple(failure.message, failure.code), std::tuple(v.Get("error"), kNoCode)) << v.Where();
    EXPECT_EQ(EncodeHex(*value), before) << v.Where() << ": a failed Decode changed the value";
    v.ExpectAllUsed();
  }
  const Blob name = B("300D310B3009060355040613025541");  // every strict prefix of a valid Name
  for (std::uint32_t n = 0; n < name.Size(); ++n) EXPECT_THROW(ASN1Name().Decode(name.View().first(n)), Exception) << n;
}

TEST(Element, ReaderFollowsSizesAsRead) {
  // A non-minimal length (81 03) is followed by its size as read, not as re-encoded.
  const Blob input = B("300A8103AABBCC0101FF0500");
  DerReader content = DerReader(input).Enter();
  EXPECT_EQ(H(Blob(content.Next())), "8103AABBCC");
  EXPECT_EQ(content.PeekIdentifier(), 0x01);
  content.Next();
  EXPECT_EQ(H(Blob(content.Rest())), "0500");
  content.Next();
  EXPECT_EQ(Catch([&] { content.PeekIdentifier(); }).message, "Insufficient blob size");
}

}  // namespace
}  // namespace tavrpki::test
