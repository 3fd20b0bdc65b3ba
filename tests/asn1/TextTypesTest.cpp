// Times, strings, names and Base64.
#include <gtest/gtest.h>

#include "asn1/ASN1Integer.h"
#include "asn1/ASN1Name.h"
#include "asn1/ASN1Utf8String.h"
#include "asn1/ASN1UTCTime.h"
#include "asn1/Base64.h"
#include "asn1/DateTime.h"
#include "tests/asn1/Support.h"

namespace tavrpki::test {
namespace {

std::string Cp1251(const std::string& utf8) {
  std::string out;
  EXPECT_EQ(platform::Utf8ToCp1251(utf8, out), 0);
  return out;
}

// Periods are added in tests/data/asn1/behaviour.vec.
TEST(DateTime, OffsetsOrderAndTextForm) {
  DateTime t(2009, 12, 31, 23, 30, 0);
  t.AddOffset(1, 15);
  EXPECT_EQ(Show(t), "2010-01-01 00:45:00");
  t.AddOffset(0, -46);
  EXPECT_EQ(Show(t), "2009-12-31 23:59:00");

  const DateTime early(2009, 6, 1), late(2009, 6, 1, 0, 0, 1);
  EXPECT_TRUE(late.Greater(early));
  EXPECT_TRUE(early.Less(late));
  EXPECT_TRUE(early.GreaterOrEqual(DateTime(2009, 6, 1)));
  EXPECT_TRUE(DateTime().IsEmpty());

  String text;
  DateTime(2009, 6, 1, 12, 30, 5).Serialize(text);
  EXPECT_STREQ(text.CStr(), "D907060000000100" "0C001E0005000000");
  DateTime back;
  back.Deserialize(text);
  EXPECT_TRUE(back.Equal(DateTime(2009, 6, 1, 12, 30, 5)));
}

TEST(Strings, PrintableAndUtf8) {
  ASN1PrintableString printable;
  printable.Decode(B("13025541"));
  EXPECT_STREQ(printable.GetText().CStr(), "UA");
  for (std::uint32_t tag : {12u, 19u, 22u}) {
    ASN1Primitive element(0, false, tag);
    element.Assign(B("41"));
    printable.SetFromPrimitive(element);
    EXPECT_STREQ(printable.GetText().CStr(), "A");
  }
  EXPECT_EQ(Catch([&] { printable.SetFromPrimitive(ASN1Primitive(0, false, 30)); }).message,
            "Буфер не є коректним друкованим рядком");

  // "Київ": Windows-1251 inside, UTF-8 on the wire.
  const std::string kyiv = Cp1251("Київ");
  ASN1Utf8String utf8(kyiv.c_str());
  EXPECT_EQ(EncodeHex(utf8), "0C08D09AD0B8D197D0B2");
  EXPECT_EQ(utf8.EncodedSize(), 10u);
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
  ASN1Primitive empty(0, false, 12);
  read.SetFromPrimitive(empty);
  EXPECT_TRUE(read.IsEmpty());
}

TEST(AttrTypeValue, AlgorithmIdentifierParameters) {
  EXPECT_EQ(EncodeHex(ASN1AttrTypeValue("1.2.804.2.1.1.1.1.3.1.1")), "300D060B2A86240201010101030101");
  EXPECT_EQ(EncodeHex(ASN1AttrTypeValue("1.2.804.2.1.1.1.1.2.1", ASN1Primitive(0, false, 5))),
            "300E060A2A8624020101010102010500");
  for (const char* der : {"300E060A2A8624020101010102010500", "300C060A2A862402010101010201",
                          "3009060355040613025541"}) {
    ASN1AttrTypeValue value;
    value.Decode(B(der));
    EXPECT_EQ(EncodeHex(value), der);
    EXPECT_EQ(value.EncodedSize() * 2, std::string(der).size());
  }
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
  const char* oids[] = {"2.5.4.5", "2.5.4.8", "2.5.4.7", "2.5.4.12", "2.5.4.11", "2.5.4.10", "2.5.4.6",
                        "2.5.4.42", "2.5.4.4", "2.5.4.3", "2.5.4.46"};
  for (const char* oid : oids) full.AddAttribute(oid, ASN1PrintableString("v"));
  EXPECT_STREQ(full.ToText().CStr(),
               "CN = v; SN = v; GN = v; C = v; O = v; OU = v; TITLE = v; L = v; ST = v; SERIALNUMBER = v; ");
  EXPECT_STREQ(ASN1Name().ToText().CStr(), "");
}

TEST(Name, AttributesAndEquality) {
  ASN1Name name = NameOf("Test", "UA");
  name.AddAttribute("2.5.4.6", ASN1PrintableString("PL"));  // moves C to the end
  EXPECT_STREQ(name.GetAttribute(1).TypeText().CStr(), "2.5.4.6");
  EXPECT_STREQ(name.GetAttributeText("2.5.4.6").CStr(), "PL");
  EXPECT_EQ(name.GetAttributeText("2.5.4.10").Size(), 0u);
  EXPECT_EQ(name.GetAttributeValue("2.5.4.10").TagNumber(), 12u);
  const Failure missing = Catch([&] { name.GetAttribute(2); });
  EXPECT_EQ(missing.code, 50012u);
  EXPECT_EQ(missing.message, "Атрибут не знайдено");

  EXPECT_TRUE(name.Equals(NameOf("Test", "PL")));      // order does not matter
  EXPECT_FALSE(name.Equals(NameOf("Test", "UA")));
  ASN1Name printableCn;
  printableCn.AddAttribute("2.5.4.3", ASN1PrintableString("Test"));
  printableCn.AddAttribute("2.5.4.6", ASN1PrintableString("PL"));
  EXPECT_FALSE(name.Equals(printableCn));             // same text, other string type

  name.SetSerialNumber("42");
  EXPECT_STREQ(name.GetAttributeText("2.5.4.5").CStr(), "42");
  name.RemoveAttribute("2.5.4.3");
  EXPECT_FALSE(name.HasAttribute("2.5.4.3"));
  EXPECT_EQ(Catch([&] { ASN1Name n; n.AddAttribute("2.5.4.3", ASN1Integer(1)); n.GetAttributeText("2.5.4.3"); }).message,
            "Буфер не є коректним друкованим рядком");
}

TEST(Name, OnlyTheFirstAttributeOfASetIsRead) {
  // SET { C=UA, O=X } then SET { CN=Y }
  ASN1Name name;
  name.Decode(B("3025311530090603550406130255413008060355040A0C0158310C300A06035504030C03415A59"));
  ASSERT_EQ(name.Count(), 2u);
  EXPECT_STREQ(name.ToText().CStr(), "CN = AZY; C = UA; ");
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
