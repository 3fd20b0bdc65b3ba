// INTEGER, OBJECT IDENTIFIER, OCTET STRING, BIT STRING and BOOLEAN.
#include "tests/asn1/Support.h"

namespace tavrpki::test {
namespace {

// Ordering and Bool reading are in tests/data/asn1/behaviour.vec.
TEST(Integer, ValueRangeEmptyComparisonAndFromPrimitive) {
  ASN1Integer nine;
  nine.SetBytes(B("010203040506070809"));
  EXPECT_EQ(Catch([&] { nine.GetValue(); }).code, 50022u);
  const Failure empty = Catch([] { (void)(ASN1Integer(1) < ASN1Integer()); });
  EXPECT_EQ(empty.code, 50021u);
  EXPECT_EQ(empty.message, "Не вдалося порівняти ASN1Integer. Некоректні параметри");
  ASN1Integer integer;  // from a universal primitive INTEGER only
  integer.SetFromPrimitive(ASN1Primitive(0, false, 2));
  for (const ASN1Primitive& wrong : {ASN1Primitive(2, false, 2), ASN1Primitive(0, true, 2), ASN1Primitive(0, false, 4)})
    EXPECT_EQ(Catch([&] { integer.SetFromPrimitive(wrong); }).message, "Буфер не є коректним кодованим цілим числом");
}

// Texts refused are in tests/data/asn1/behaviour.vec, arcs of known OIDs in encodings.vec.
TEST(Oid, LenientTextArcsOutOfRangeAndDangling) {
  ASN1OID lenient("1.2x");  // reads as 1.2, as it always has
  EXPECT_STREQ(lenient.ToText().CStr(), "1.2");
  lenient.SetText("");
  EXPECT_TRUE(lenient.IsEmpty());
  ASN1OID oid;
  oid.Decode(B("0603550403"));
  EXPECT_EQ(Catch([&] { oid.Arc(4); }).message, "OID індекс виходить за межі масиву");
  EXPECT_EQ(Catch([] { ASN1OID().ArcCount(); }).message, "OID буфер порожній");
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
  EXPECT_EQ(H(bits.ToPrimitive()), "06FFC0");

  ASN1BitString read;
  read.Decode(B("030100"));  // no bits at all: only the unused-bits octet
  EXPECT_EQ(read.BitLength(), 0u);
  read.SetTagClass(2);
  read.SetTagNumber(1);
  read.Decode(B("8103040102"));
  EXPECT_EQ(read.BitLength(), 12u);
  EXPECT_EQ(H(read), "0102");
}

TEST(Bool, EncodingAndUnset) {
  EXPECT_EQ(EncodeHex(ASN1Bool()), "010100");
  EXPECT_EQ(EncodeHex(ASN1Bool(true)), "0101FF");
  ASN1Bool unset;
  unset.Clear();
  EXPECT_EQ(Catch([&] { unset.GetValue(); }).message, "Bool value not set");
  EXPECT_EQ(Catch([&] { EncodeHex(unset); }).message, "Помилка кодування bool: Bool value not set");
}

}  // namespace
}  // namespace tavrpki::test
