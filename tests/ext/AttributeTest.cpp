// ASN1Attribute and ASN1AttributeCollection: what each input reads as and how it
// is written back, or the exact failure.
#include "asn1/cms/ASN1AttributeCollection.h"
#include "tests/asn1/Support.h"

namespace tavrpki::test {
namespace {

std::string Reads(const ASN1Attribute& attribute) {
  std::string out = attribute.TypeText().CStr();
  for (const ASN1Primitive& value : attribute.Values()) out += " " + EncodeHex(value);
  return out;
}

TEST(Attribute, DecodeTable) {
  struct Row {
    const char* der;
    const char* reads;   // type and each value's DER
    const char* writes;  // "" when the input is written back
  };
  const Row rows[] = {
      // Values are written in the order read: B before A stays so (no SET OF sorting).
      {"300E06032A0304310702010202020101", "1.2.3.4 020102 02020101", ""},
      {"300906032A0304310204 00", "1.2.3.4 0400", ""},
      // A value written straight after the type is the only value.
      {"300906032A03040C026869", "1.2.3.4 0C026869", "300B06032A030431040C026869"},
      // The SET's values are read up to the end of the attribute, whatever its own length says.
      {"300D06032A0304310202010102010 2", "1.2.3.4 020101 020102", "300D06032A0304310602010102010 2"},
      // An empty SET decodes; such an attribute cannot be written.
      {"300706032A03043100", "1.2.3.4", nullptr},
      // Bytes after the element are not read; its identifier is not checked.
      {"310906032A030431020500FFFF", "1.2.3.4 0500", "300906032A03043102 0500"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.der);
    ASN1Attribute attribute;
    attribute.Decode(B(row.der));
    EXPECT_EQ(Reads(attribute), row.reads);
    if (row.writes == nullptr) {
      EXPECT_EQ(Catch([&] { EncodeHex(attribute); }).message, "Порожнє значення атрибуту");
      EXPECT_EQ(Catch([&] { attribute.GetFirstValue(); }).message, "Порожнє значення атрибуту");
    } else {
      EXPECT_EQ(EncodeHex(attribute), H(B(*row.writes != '\0' ? row.writes : row.der)));
    }
  }
}

TEST(Attribute, FailuresChangeNothing) {
  const char* bad[] = {"", "30", "3003020101", "300506032A0304", "300806032A03043103", "30080603 2A0304 3103 0201"};
  for (const char* der : bad) {
    SCOPED_TRACE(der);
    ASN1Attribute attribute("1.2.3", ASN1Integer(7));
    EXPECT_NE(Catch([&] { attribute.Decode(B(der)); }).message, "");
    EXPECT_EQ(Reads(attribute), "1.2.3 020107");
  }
  ASN1Attribute typeless;
  typeless.AddValue(ASN1Integer(1));
  const Failure failure = Catch([&] { EncodeHex(typeless); });
  EXPECT_EQ(failure.message, "Порожній OID в значенні атрибуту");
  EXPECT_EQ(failure.code, kNoCode);
}

TEST(AttributeCollection, OneAttributePerTypeInInsertionOrder) {
  ASN1AttributeCollection collection;
  collection.AddAttribute(ASN1Attribute("1.2.3.2", ASN1Integer(1)));  // B
  collection.AddAttribute(ASN1Attribute("1.2.3.1", ASN1Integer(2)));  // A
  EXPECT_EQ(EncodeHex(collection), H(B("3018" "300A06032A030231030201 01" "300A06032A030131030201 02")));
  collection.AddAttribute(ASN1Attribute("1.2.3.2", ASN1Integer(3)));
  ASSERT_EQ(collection.Count(), 2u);
  EXPECT_EQ(Reads(collection.GetAttribute(0)), "1.2.3.1 020102");
  EXPECT_EQ(Reads(collection.GetAttribute(1)), "1.2.3.2 020103");
  // Adding one of its own attributes again keeps it, once.
  collection.AddAttribute(collection.GetAttribute(0));
  EXPECT_EQ(Reads(collection.GetAttribute(1)), "1.2.3.1 020102");
  EXPECT_EQ(collection.Count(), 2u);
}

TEST(AttributeCollection, DecodeKeepsWhatItReads) {
  // Repeated types stay as read; an empty list is a list.
  const char* der = "3018" "300A06032A030231030201 01" "300A06032A030231030201 02";
  ASN1AttributeCollection collection;
  collection.Decode(B(der));
  EXPECT_EQ(collection.Count(), 2u);
  EXPECT_EQ(EncodeHex(collection), H(B(der)));
  collection.Decode(B("3000"));
  EXPECT_EQ(collection.Count(), 0u);

  collection.AddAttribute(ASN1Attribute("1.2.3", ASN1Integer(7)));
  const Failure wrongTag = Catch([&] { collection.Decode(B("3100")); });
  EXPECT_EQ(wrongTag.message, "Помилка обробки колекції атрибутів");
  EXPECT_EQ(wrongTag.code, 50058u);
  // An attribute's own failure passes through uncoded.
  EXPECT_EQ(Catch([&] { collection.Decode(B("3004 3002 0500")); }).code, kNoCode);
  EXPECT_EQ(collection.Count(), 1u);
}

}  // namespace
}  // namespace tavrpki::test
