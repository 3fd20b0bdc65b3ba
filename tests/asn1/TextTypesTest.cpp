// Times, strings, names and Base64.
#include "tests/asn1/Support.h"

namespace tavrpki::test {
namespace {

// Periods are added in tests/data/asn1/behaviour.vec.
TEST(DateTime, OffsetsOrderAndTextForm) {
  DateTime t(2009, 12, 31, 23, 30, 0);
  t.AddOffset(1, 15);
  EXPECT_EQ(Show(t), "2010-01-01 00:45:00");
  t.AddOffset(0, -46);
  EXPECT_EQ(Show(t), "2009-12-31 23:59:00");
  EXPECT_TRUE(t.Less(DateTime(2009, 12, 31, 23, 59, 1)));
  EXPECT_TRUE(t.GreaterOrEqual(DateTime(2009, 12, 31, 23, 59, 0)));

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
  ASN1Primitive broken(0, false, 12);
  broken.Assign(B("D0"));
  EXPECT_EQ(Catch([&] { read.SetFromPrimitive(broken); }).code, 50006u);
  EXPECT_EQ(Catch([&] { read.SetFromPrimitive(ASN1Primitive(0, false, 19)); }).message,
            "Примітивний елемент не є правильним UTF8 рядком");
}

TEST(AttrTypeValue, AlgorithmIdentifierParameters) {
  EXPECT_EQ(EncodeHex(ASN1AttrTypeValue("1.2.804.2.1.1.1.1.3.1.1")), "300D060B2A86240201010101030101");
  EXPECT_EQ(EncodeHex(ASN1AttrTypeValue("1.2.804.2.1.1.1.1.2.1", ASN1Primitive(0, false, 5))),
            "300E060A2A8624020101010102010500");
}

ASN1Name NameOf(const char* cn, const char* country) {
  ASN1Name name;
  name.AddAttribute("2.5.4.6", ASN1PrintableString(country));
  name.AddAttribute("2.5.4.3", ASN1Utf8String(cn));
  return name;
}

TEST(Name, TextRenderingFollowsTheFixedOrder) {
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
  ASN1Name printableCn;
  printableCn.AddAttribute("2.5.4.3", ASN1PrintableString("Test"));
  printableCn.AddAttribute("2.5.4.6", ASN1PrintableString("PL"));
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
