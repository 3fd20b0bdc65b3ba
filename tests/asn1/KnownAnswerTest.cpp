// The known encodings of tests/data/asn1/encodings.vec, each pushed through
// the codec both ways where the type allows, and the behaviour cases of
// tests/data/asn1/behaviour.vec.
#include <cstdio>
#include <set>
#include <sstream>
#include <tuple>

#include "tests/asn1/Support.h"

namespace tavrpki::test {
namespace {

DateTime ParseTime(const std::string& text) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  EXPECT_EQ(std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d", &year, &month, &day, &hour, &minute, &second), 6);
  return DateTime(year, month, day, hour, minute, second);
}

unsigned long Number(const Vector& v, const char* key) { return std::stoul(v.Get(key)); }

// Checks one record by its section; false for a section it does not know.
bool Check(const Vector& v) {
  const std::string& s = v.section;
  if (s == "Length") {
    const auto length = static_cast<std::uint32_t>(Number(v, "length"));
    ASN1Primitive element(0, false, 4);
    element.Resize(length);
    EXPECT_EQ(H(element.LengthOctets()), v.Get("octets"));
    EXPECT_EQ(der::DecodeLength(B(v.Get("octets"))), length);
  } else if (s == "Identifier") {
    const ASN1Primitive element(static_cast<std::uint8_t>(Number(v, "class")), v.Get("constructed") == "1",
                                static_cast<std::uint32_t>(Number(v, "number")));
    EXPECT_EQ(H(element.IdentifierOctets()), v.Get("octets"));
    EXPECT_EQ(H(Blob(der::ReadIdentifierOctets(B(v.Get("octets") + "00")))), v.Get("octets"));
  } else if (s == "Integer") {
    const std::int64_t value = std::stoll(v.Get("value"));
    EXPECT_EQ(EncodeHex(ASN1Integer(value)), v.Get("der"));
    ASN1Integer decoded;
    decoded.Decode(B(v.Get("der")));
    EXPECT_EQ(decoded.GetValue(), value);
  } else if (s == "IntegerText") {
    ASN1Integer integer;
    integer.SetBytes(B(v.Get("content")));
    EXPECT_EQ(integer.ToText().CStr(), v.Get("text"));
  } else if (s == "OID") {
    EXPECT_EQ(EncodeHex(ASN1OID(v.Get("text").c_str())), v.Get("der"));
    ASN1OID decoded;
    decoded.Decode(B(v.Get("der")));
    EXPECT_EQ(decoded.ToText().CStr(), v.Get("text"));
    EXPECT_EQ(decoded.ArcCount(), Number(v, "arcs"));
    std::istringstream arcs(v.Get("text"));
    std::uint32_t index = 0;
    for (std::string arc; std::getline(arcs, arc, '.'); ++index) EXPECT_EQ(decoded.Arc(index), std::stoul(arc));
  } else if (s == "Time") {
    const DateTime time = ParseTime(v.Get("time"));
    EXPECT_EQ(ASN1UTCTime(time).GetText().CStr(), v.Get("utc"));
    EXPECT_EQ(ASN1GeneralizedTime(time).GetText().CStr(), v.Get("generalized"));
  } else if (s == "UTCTime" || s == "GeneralizedTime") {
    ASN1UTCTime utc;
    ASN1GeneralizedTime generalized;
    ASN1PrintableString& time = s == "UTCTime" ? static_cast<ASN1PrintableString&>(utc) : generalized;
    time.SetText(v.Get("text").c_str());
    const auto read = [&] { return s == "UTCTime" ? utc.GetTime() : generalized.GetTime(); };
    if (v.Has("error")) {
      EXPECT_EQ(Catch(read).message, v.Get("error"));
    } else {
      // "hh:mm:ss.mmm" in the file asks for the milliseconds too.
      const DateTime t = read();
      std::string shown = Show(t);
      if (v.Get("time").find('.') != std::string::npos)
        shown += String::Formatted(".%03d", t.SystemTime().wMilliseconds).CStr();
      EXPECT_EQ(shown, v.Get("time"));
    }
  } else if (s == "Base64" && v.Has("error")) {
    EXPECT_EQ(Catch([&] { Base64Decode(v.Get("text")); }).message, v.Get("error"));
  } else if (s == "Base64") {
    EXPECT_EQ(Base64Encode(B(v.Get("bytes"))), v.Get("text"));
    EXPECT_EQ(H(Base64Decode(v.Get("text"))), v.Get("bytes"));
  } else if (s == "ElementDecode") {
    ASN1Primitive element(0, false, 4);
    element.Decode(B(v.Get("der")));
    EXPECT_EQ(std::tuple(element.TagClass(), element.IsConstructed(), element.TagNumber()),
              std::tuple(std::stoi(v.Get("class")), v.Get("constructed") == "1", Number(v, "number")));
    EXPECT_EQ(H(element), v.Get("content"));
  } else if (s == "BlobCapacity") {
    Blob blob;
    blob.Resize(static_cast<std::uint32_t>(Number(v, "request")));
    EXPECT_EQ(blob.Capacity(), Number(v, "capacity"));
  } else if (s == "HexText") {
    Blob blob(B("77"));  // a failed Deserialize leaves it as it was
    const String text(v.Get("text").c_str());
    if (!v.Has("error"))
      blob.Deserialize(text);
    else
      EXPECT_EQ(Catch([&] { blob.Deserialize(text); }).message, v.Get("error"));
    EXPECT_EQ(H(blob), v.Has("error") ? "77" : v.Get("text"));
  } else if (s == "IntegerOrder") {
    ASN1Integer a, b;
    a.SetBytes(B(v.Get("a")));
    b.SetBytes(B(v.Get("b")));
    const int order = std::stoi(v.Get("order"));
    EXPECT_EQ(std::tuple(a.Compare(b), b.Compare(a)), std::tuple(order, -order));
    EXPECT_EQ(std::tuple(a == b, a < b, a >= b), std::tuple(order == 0, order < 0, order >= 0));
  } else if (s == "Bool") {
    ASN1Bool flag;
    flag.Decode(B(v.Get("der")));
    EXPECT_EQ(flag.GetValue(), v.Get("value") == "1");
  } else if (s == "OidInvalidText") {
    ASN1OID oid("1.2.3");
    EXPECT_EQ(Catch([&] { oid.SetText(v.Get("text").c_str()); }).message, "Invalid OID String");
    EXPECT_STREQ(oid.ToText().CStr(), "1.2.3");
  } else if (s == "Period") {
    int years = 0, months = 0, days = 0;
    std::istringstream(v.Get("period")) >> years >> months >> days;
    DateTime t = ParseTime(v.Get("start"));
    t.AddPeriod(years, months, days);
    EXPECT_EQ(Show(t), v.Get("result"));
  } else {
    return false;
  }
  return true;
}

TEST(Codec, KnownEncodingsAndBehaviour) {
  std::set<std::string> seen;
  for (const char* file : {"asn1/encodings.vec", "asn1/behaviour.vec"}) {
    for (const Vector& v : ReadVectorFile(file)) {
      SCOPED_TRACE(v.Where());
      EXPECT_TRUE(Check(v)) << "unknown section";
      v.ExpectAllUsed();
      seen.insert(v.section);
    }
  }
  EXPECT_EQ(seen.size(), 16u) << "a section is missing from the files";
}

}  // namespace
}  // namespace tavrpki::test
