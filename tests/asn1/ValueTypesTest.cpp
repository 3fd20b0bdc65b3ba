// The value types: Blob and String storage, INTEGER, OBJECT IDENTIFIER, OCTET
// STRING, BIT STRING, BOOLEAN, times, strings, names and Base64.
#include "tests/asn1/Support.h"

namespace tavrpki::test {
namespace {

TEST(Blob, ResizeGrowAppendWriteAtAndAt) {
  Blob grown(B("010203"));
  grown.Grow(300);  // the contents stay
  EXPECT_EQ(H(Blob(grown.Data(), 3)), "010203");
  grown.Grow(2);  // shrinking only lowers the size
  EXPECT_EQ(H(grown), "0102");

  Blob blob(B("0102"));
  for (int i = 0; i < 9; ++i) blob.Append(blob);  // its own bytes, reallocating on the way
  ASSERT_EQ(blob.Size(), 1024u);
  for (std::uint32_t i = 0; i < blob.Size(); ++i) ASSERT_EQ(blob.Data()[i], i % 2 == 0 ? 1 : 2) << i;
  Blob window(B("0102030405"));
  window.WriteAt(window.Data() + 1, 4, 3);
  EXPECT_EQ(H(window), "01020302030405");

  EXPECT_EQ(window.At(7), window.Data() + 7);  // one past the end, no further
  EXPECT_EQ(Catch([&] { window.At(8); }).message, "Blob: out of buffer");
  String text;
  B("00FFA5").Serialize(text);
  EXPECT_STREQ(text.CStr(), "00FFA5");
  std::uint8_t small[1];
  EXPECT_EQ(Catch([&] { HexDecode("AABB", small); }).message,
            "Помилка кодування даних: некоректне значення вхідного параметру");
}

TEST(String, SubstringAppendAndComparison) {
  String text("abcd");
  EXPECT_EQ(Catch([&] { text.Substring(3, 2); }).message, "String: Out of buffer");
  text.Append(text);
  EXPECT_STREQ(text.CStr(), "abcdabcd");
  EXPECT_EQ(text.Size(), 9u);  // one NUL, not one per append
  EXPECT_FALSE(String().Equals(String("")));  // sizes 0 and 1
  EXPECT_TRUE(String("B").Less(String("a")));  // byte order
}

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
  ASN1OID oid;
  oid.Decode(B("0603550403"));
  EXPECT_EQ(Catch([&] { oid.Arc(4); }).message, "OID індекс виходить за межі масиву");
  EXPECT_EQ(Catch([] { ASN1OID().ArcCount(); }).message, "OID буфер порожній");
  // Content set directly, bypassing Decode, is checked when read: never a wrapped arc.
  for (const char* content : {"550483", "2A039080808000"}) {
    ASN1OID bad;
    bad.Assign(B(content));
    EXPECT_EQ(Catch([&] { bad.ToText(); }).message, "OID content is malformed") << content;
    EXPECT_EQ(Catch([&] { bad.Arc(0); }).message, "OID content is malformed") << content;
    EXPECT_EQ(Catch([&] { bad.ArcCount(); }).message, "OID content is malformed") << content;
  }
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

// Periods are added in tests/data/asn1/behaviour.vec.
TEST(DateTime, OffsetsOrderAndTextForm) {
  DateTime t(2009, 12, 31, 23, 30, 0);
  t.AddOffset(1, 15);
  EXPECT_EQ(Show(t), "2010-01-01 00:45:00");
  t.AddOffset(0, -46);
  EXPECT_EQ(Show(t), "2009-12-31 23:59:00");
  EXPECT_TRUE(t.Less(DateTime(2009, 12, 31, 23, 59, 1)) && t.GreaterOrEqual(DateTime(2009, 12, 31, 23, 59, 0)));

  String text;
  DateTime(2009, 6, 1, 12, 30, 5).Serialize(text);
  EXPECT_STREQ(text.CStr(), "D907060000000100" "0C001E0005000000");
  DateTime back;
  back.Deserialize(text);
  EXPECT_TRUE(back.Equal(DateTime(2009, 6, 1, 12, 30, 5)));
}

TEST(Strings, PrintableAndUtf8) {
  ASN1PrintableString printable;
  for (std::uint32_t tag : {12u, 19u, 22u}) {
    ASN1Primitive element(0, false, tag);
    element.Assign(B("41"));
    printable.SetFromPrimitive(element);
    EXPECT_STREQ(printable.GetText().CStr(), "A");
  }
  EXPECT_EQ(Catch([&] { printable.SetFromPrimitive(ASN1Primitive(0, false, 30)); }).message,
            "Буфер не є коректним друкованим рядком");

  const std::string kyiv = "\xCA\xE8\xBF\xE2";  // "Київ": Windows-1251 inside, UTF-8 on the wire
  EXPECT_EQ(EncodeHex(ASN1Utf8String(kyiv.c_str())), "0C08D09AD0B8D197D0B2");
  ASN1Primitive wire;
  wire.Decode(B("0C08D09AD0B8D197D0B2"));
  ASN1Utf8String read;
  read.SetFromPrimitive(wire);
  EXPECT_EQ(std::string(read.GetText().CStr()), kyiv);
  // Malformed UTF-8 costs only its own bytes (the texts of other types: name-text.vec).
  ASN1Primitive broken(0, false, 12);
  broken.Assign(B("41D042"));
  read.SetFromPrimitive(broken);
  EXPECT_STREQ(read.GetText().CStr(), "A?B");
  EXPECT_EQ(Catch([&] { read.SetFromPrimitive(ASN1Primitive(0, false, 19)); }).message,
            "Примітивний елемент не є правильним UTF8 рядком");
}

ASN1Name NameOf(const char* cn, const char* country) {
  ASN1Name name;
  name.AddAttribute("2.5.4.6", ASN1PrintableString(country));
  name.AddAttribute("2.5.4.3", ASN1Utf8String(cn));
  return name;
}

TEST(Name, AttributeTypeAndValueAndTextRendering) {
  EXPECT_EQ(EncodeHex(ASN1AttrTypeValue("1.2.804.2.1.1.1.1.3.1.1")), "300D060B2A86240201010101030101");
  EXPECT_EQ(EncodeHex(ASN1AttrTypeValue("1.2.804.2.1.1.1.1.2.1", ASN1Primitive(0, false, 5))),
            "300E060A2A8624020101010102010500");
  ASN1Name name = NameOf("Test", "UA");
  EXPECT_EQ(EncodeHex(name), "301C310B3009060355040613025541310D300B06035504030C0454657374");
  EXPECT_STREQ(name.ToText().CStr(), "CN = Test; C = UA; ");
  ASN1Name full;
  for (const char* oid : {"2.5.4.5", "2.5.4.8", "2.5.4.7", "2.5.4.12", "2.5.4.11", "2.5.4.10", "2.5.4.6", "2.5.4.42",
                          "2.5.4.4", "2.5.4.3", "2.5.4.46"})
    full.AddAttribute(oid, ASN1PrintableString("v"));
  EXPECT_STREQ(full.ToText().CStr(),
               "CN = v; SN = v; GN = v; C = v; O = v; OU = v; TITLE = v; L = v; ST = v; SERIALNUMBER = v; ");
  // SET { C=UA, O=X } then SET { CN=Y }: only the first attribute of a set is read.
  name.Decode(B("3025311530090603550406130255413008060355040A0C0158310C300A06035504030C03415A59"));
  EXPECT_STREQ(name.ToText().CStr(), "CN = AZY; C = UA; ");
}

TEST(Name, AttributesAndEquality) {
  ASN1Name name = NameOf("Test", "UA");
  name.AddAttribute("2.5.4.6", ASN1PrintableString("PL"));  // moves C to the end
  EXPECT_STREQ(name.GetAttribute(1).TypeText().CStr(), "2.5.4.6");
  EXPECT_STREQ(name.GetAttributeText("2.5.4.6").CStr(), "PL");
  EXPECT_EQ(name.GetAttributeText("2.5.4.10").Size(), 0u);
  const Failure missing = Catch([&] { name.GetAttribute(2); });
  EXPECT_EQ(missing.code, 50012u);
  EXPECT_EQ(missing.message, "Атрибут не знайдено");

  EXPECT_TRUE(name.Equals(NameOf("Test", "PL")));  // order does not matter
  EXPECT_FALSE(name.Equals(NameOf("Test", "UA")));
  ASN1Name printableCn = NameOf("Test", "PL");
  printableCn.AddAttribute("2.5.4.3", ASN1PrintableString("Test"));
  EXPECT_FALSE(name.Equals(printableCn));  // same text, other string type

  name.RemoveAttribute("2.5.4.3");
  EXPECT_FALSE(name.HasAttribute("2.5.4.3"));
  name.AddAttribute("2.5.4.3", ASN1Integer(1));
  EXPECT_EQ(Catch([&] { name.GetAttributeText("2.5.4.3"); }).message, "Буфер не є коректним друкованим рядком");
}

// Beyond tests/data/asn1/encodings.vec: a caller's area, and lenient reading.
TEST(Base64, AreaAndLenientReading) {
  char area[4];
  EXPECT_EQ(Base64Encode(B("616263"), area, 4), 4);
  EXPECT_EQ(Base64Encode(B("61626364"), area, 4), -1);
  EXPECT_EQ(H(Base64Decode(" YW\r\nJj\n")), "616263");  // blanks and line breaks are skipped
  EXPECT_EQ(H(Base64Decode("YWI")), "6162");            // padding may be left out
}

}  // namespace
}  // namespace tavrpki::test
