// INTEGER, OBJECT IDENTIFIER, OCTET STRING, BIT STRING and BOOLEAN.
#include <gtest/gtest.h>

#include "asn1/ASN1BitString.h"
#include "asn1/ASN1Bool.h"
#include "asn1/ASN1Integer.h"
#include "asn1/ASN1OID.h"
#include "asn1/ASN1OctetString.h"
#include "tests/asn1/Support.h"

namespace tavrpki::test {
namespace {

TEST(Integer, NineOctetsDoNotFitAValue) {
  ASN1Integer nine;
  nine.SetBytes(B("010203040506070809"));
  EXPECT_EQ(Catch([&] { nine.GetValue(); }).code, 50022u);
}

TEST(Integer, ComparesUnsignedMagnitudes) {
  const struct {
    const char *a, *b;
    int order;
  } cases[] = {
      {"0100", "00FF", 1}, {"0001", "01", 0}, {"7F", "80", -1}, {"FF", "00FF", 0}, {"000000", "00", 0},
  };
  for (const auto& c : cases) {
    ASN1Integer a, b;
    a.SetBytes(B(c.a));
    b.SetBytes(B(c.b));
    EXPECT_EQ(a.Compare(b), c.order) << c.a << " vs " << c.b;
    EXPECT_EQ(b.Compare(a), -c.order) << c.b << " vs " << c.a;
    EXPECT_EQ(a == b, c.order == 0);
    EXPECT_EQ(a < b, c.order < 0);
    EXPECT_EQ(a >= b, c.order >= 0);
  }
  const Failure empty = Catch([] { (void)(ASN1Integer(1) < ASN1Integer()); });
  EXPECT_EQ(empty.code, 50021u);
  EXPECT_EQ(empty.message, "Не вдалося порівняти ASN1Integer. Некоректні параметри");
}

TEST(Integer, FromPrimitiveNeedsAUniversalPrimitiveInteger) {
  ASN1Integer integer;
  integer.SetFromPrimitive(ASN1Primitive(0, false, 2));
  for (const ASN1Primitive& wrong : {ASN1Primitive(2, false, 2), ASN1Primitive(0, true, 2), ASN1Primitive(0, false, 4)})
    EXPECT_EQ(Catch([&] { integer.SetFromPrimitive(wrong); }).message, "Буфер не є коректним кодованим цілим числом");
}

TEST(Oid, InvalidTexts) {
  // Signs and components above 32 bits are refused too; "1.2x" reads as 1.2 as it always has.
  for (const char* text : {"12", "1..2", "1.a", "1.", ".1", "1.-2", "1.+2", "-1.2", "1.2.4294967296",
                           "1.2.99999999999999999999"}) {
    ASN1OID oid("1.2.3");
    EXPECT_EQ(Catch([&] { oid.SetText(text); }).message, "Invalid OID String") << text;
    EXPECT_STREQ(oid.ToText().CStr(), "1.2.3") << text;
  }
  ASN1OID lenient("1.2x");
  EXPECT_STREQ(lenient.ToText().CStr(), "1.2");
  ASN1OID empty("1.2");
  empty.SetText("");
  EXPECT_TRUE(empty.IsEmpty());
  EXPECT_STREQ(empty.ToText().CStr(), "");
}

// The arcs of every known OID are read in tests/data/asn1/encodings.vec.
TEST(Oid, ArcsOutOfRangeAndDangling) {
  ASN1OID oid;
  oid.Decode(B("0603550403"));
  EXPECT_EQ(Catch([&] { oid.Arc(4); }).message, "OID індекс виходить за межі масиву");
  EXPECT_EQ(Catch([] { ASN1OID().ArcCount(); }).message, "OID буфер порожній");
  EXPECT_EQ(Catch([] { ASN1OID().Arc(0); }).message, "OID буфер порожній");
  // Trailing octets that never end a sub-identifier are ignored.
  ASN1OID dangling;
  dangling.Assign(B("550483"));
  EXPECT_STREQ(dangling.ToText().CStr(), "2.5.4");
}

TEST(OctetAndBitString, ImplicitTagsAndUnusedBits) {
  ASN1OctetString implicit;
  implicit.SetTagClass(2);
  implicit.SetTagNumber(0);
  implicit.Decode(B("8002AABB"));
  EXPECT_EQ(H(implicit), "AABB");
  EXPECT_EQ(EncodeHex(implicit), "8002AABB");

  ASN1BitString bits;
  bits.SetBits(B("FFC0"), 10);
  EXPECT_EQ(bits.UnusedBits(), 6);
  EXPECT_EQ(EncodeHex(bits), "030306FFC0");
  EXPECT_EQ(bits.EncodedSize(), 5u);
  EXPECT_EQ(H(bits.ToPrimitive()), "06FFC0");

  ASN1BitString read;
  read.Decode(B("030100"));  // no bits at all: only the unused-bits octet
  EXPECT_EQ(read.Size(), 0u);
  EXPECT_EQ(read.BitLength(), 0u);
  read.SetTagClass(2);
  read.SetTagNumber(1);
  read.Decode(B("8103040102"));
  EXPECT_EQ(read.BitLength(), 12u);
  EXPECT_EQ(H(read), "0102");
}

TEST(Bool, Values) {
  const struct {
    const char* der;
    bool value;
  } cases[] = {{"010100", false}, {"0101FF", true}, {"010101", true}};
  for (const auto& c : cases) {
    ASN1Bool flag;
    flag.Decode(B(c.der));
    EXPECT_EQ(flag.GetValue(), c.value) << c.der;
  }
  EXPECT_EQ(EncodeHex(ASN1Bool()), "010100");
  EXPECT_EQ(EncodeHex(ASN1Bool(true)), "0101FF");
  ASN1Bool unset;
  unset.Clear();
  EXPECT_EQ(Catch([&] { unset.GetValue(); }).message, "Bool value not set");
  EXPECT_EQ(Catch([&] { EncodeHex(unset); }).message, "Помилка кодування bool: Bool value not set");
}

}  // namespace
}  // namespace tavrpki::test
