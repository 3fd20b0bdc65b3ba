// Names as chains and revocation lists meet them: the text of attribute values
// outside the code page, comparison by OID octets, and an attribute list that
// stays consistent through edits after a decode.
#include <string>
#include <vector>

#include "tests/asn1/Support.h"

namespace tavrpki::test {
namespace {

ASN1Primitive StringValue(std::uint32_t tag, const Blob& content) {
  ASN1Primitive value(0, false, tag);
  value.Assign(content);
  return value;
}

TEST(NameText, ValuesOutsideTheCodePage) {
  for (const Vector& v : ReadVectorFile("asn1/name-text.vec")) {
    SCOPED_TRACE(v.Where());
    const ASN1Primitive value = StringValue(static_cast<std::uint32_t>(std::stoul(v.Get("tag"))), B(v.Get("content")));
    ASN1Name name;
    name.AddAttribute("2.5.4.6", ASN1PrintableString("UA"));
    name.AddAttribute("2.5.4.3", value);
    // The same answers from a name built here and from one decoded from DER.
    Blob der;
    name.Encode(der);
    ASN1Name decoded;
    decoded.Decode(der);
    for (const ASN1Name* n : {&name, &decoded}) {
      if (v.Has("error")) {
        EXPECT_EQ(Catch([&] { n->GetAttributeUtf8("2.5.4.3"); }).message, v.Get("error"));
        EXPECT_EQ(Catch([&] { n->GetAttributeText("2.5.4.3"); }).message, v.Get("error"));
        continue;
      }
      EXPECT_EQ(n->GetAttributeUtf8("2.5.4.3"), v.Get("utf8"));
      EXPECT_EQ(Utf8(n->GetAttributeText("2.5.4.3").CStr()), v.Get("ansi"));
      EXPECT_EQ(n->ToUtf8Text(), "CN = " + v.Get("utf8") + "; C = UA; ");
    }
    if (!v.Has("error")) {
      EXPECT_EQ(Utf8TextOf(value), v.Get("utf8"));
    }
    v.ExpectAllUsed();
  }
  // Not a universal string: a context tag with string-like number.
  EXPECT_EQ(Catch([] { Utf8TextOf(ASN1Primitive(2, false, 12)); }).message, "Буфер не є коректним друкованим рядком");
}

ASN1Name NameOf(const std::vector<std::pair<const char*, const char*>>& attributes) {
  ASN1Name name;
  // Built from DER, not AddAttribute, so duplicate types stay as a certificate has them.
  ASN1Primitive sequence(0, true, 16);
  for (const auto& [oid, text] : attributes) {
    ASN1Primitive set(0, true, 17);
    set.AppendChild(ASN1AttrTypeValue(oid, ASN1Utf8String(text)));
    sequence.AppendChild(set);
  }
  Blob der;
  sequence.Encode(der);
  name.Decode(der);
  return name;
}

TEST(NameEquality, ByOidOctetsAndTheFirstAttributeOfEachType) {
  const char* cn = "2.5.4.3";
  const char* o = "2.5.4.10";
  const char* high = "2.5.4.131";  // same first octets as 2.5.4.3, longer
  struct Case {
    std::vector<std::pair<const char*, const char*>> a, b;
    bool equal;
  } cases[] = {
      {{{cn, "x"}, {o, "y"}}, {{o, "y"}, {cn, "x"}}, true},
      {{{cn, "x"}, {o, "y"}}, {{cn, "x"}, {o, "z"}}, false},
      {{{cn, "x"}}, {{high, "x"}}, false},
      {{{cn, "x"}, {cn, "y"}}, {{cn, "x"}, {cn, "z"}}, false},
      // each attribute here meets the first of its type there
      {{{cn, "x"}, {cn, "x"}}, {{cn, "x"}, {cn, "z"}}, true},
      {{{cn, "x"}}, {{cn, "x"}, {o, "y"}}, false},
      {{}, {}, true},
  };
  for (const Case& c : cases) {
    const ASN1Name a = NameOf(c.a), b = NameOf(c.b);
    EXPECT_EQ(a.Equals(b), c.equal) << a.ToUtf8Text() << " vs " << b.ToUtf8Text();
  }

  // Names as large as hostile input makes them: the answer, not the time, is checked.
  ASN1Name big, same, differs;
  std::vector<std::string> oids;
  for (int i = 0; i < 16000; ++i) oids.push_back("1.2.804." + std::to_string(i));
  std::vector<std::pair<const char*, const char*>> attributes, reversed;
  for (const std::string& oid : oids) attributes.emplace_back(oid.c_str(), "v");
  reversed.assign(attributes.rbegin(), attributes.rend());
  big = NameOf(attributes);
  same = NameOf(reversed);
  attributes.back().second = "w";
  differs = NameOf(attributes);
  EXPECT_TRUE(big.Equals(same));
  EXPECT_FALSE(big.Equals(differs));
  EXPECT_FALSE(differs.Equals(same));
}

// Edits after a decode keep every attribute readable and the encoding exact,
// through the compaction of removed attributes' bytes.
TEST(NameEdits, AddReplaceAndRemoveAfterDecode) {
  ASN1Name name;
  name.Decode(B("301C310B3009060355040613025541310D300B06035504030C0454657374"));
  for (int i = 0; i < 500; ++i) name.AddAttribute("2.5.4.10", ASN1Utf8String(std::to_string(i).c_str()));
  EXPECT_EQ(name.Count(), 3u);
  EXPECT_STREQ(name.GetAttributeText("2.5.4.10").CStr(), "499");
  name.RemoveAttribute("2.5.4.6");
  EXPECT_EQ(EncodeHex(name), "301D310D300B06035504030C0454657374310C300A060355040A0C03343939");
  EXPECT_EQ(name.GetAttribute(1).TypeText().CStr(), std::string("2.5.4.10"));
  EXPECT_EQ(name.EncodedSize(), 31u);
  // A text that is not the OID's own text finds nothing.
  EXPECT_FALSE(name.HasAttribute("2.5.4.10x"));
  EXPECT_FALSE(name.HasAttribute("02.5.4.10"));
  EXPECT_FALSE(name.HasAttribute("garbage"));
  // Values of absent attributes and NULL survive the round trip.
  name.AddAttribute("2.5.4.45", ASN1Primitive(0, false, 5));
  name.AddAttribute("2.5.4.46", ASN1Primitive());
  Blob der;
  name.Encode(der);
  ASN1Name again;
  again.Decode(der);
  EXPECT_EQ(EncodeHex(again), H(der));
  EXPECT_TRUE(again.Equals(name));
}

}  // namespace
}  // namespace tavrpki::test
