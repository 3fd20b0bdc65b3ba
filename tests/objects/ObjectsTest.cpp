// Binary and text forms of the crypto objects: known-answer forms built independently
// of this code, exact round trips, and malformed forms refused without changing the
// target object.
#include <gtest/gtest.h>

#include <string>

#include "asn1/CodecMessages.h"
#include "asn1/String.h"
#include "core/Catalogue.h"
#include "crypto/objects/CBinaryDataBuilder.h"
#include "crypto/objects/CBitBlob.h"
#include "crypto/objects/CKeyPair.h"
#include "crypto/objects/CSignature.h"
#include "crypto/objects/NumberBase.h"
#include "crypto/objects/TagValueEncoder.h"
#include "crypto/params/Dke.h"
#include "crypto/params/DstuParams.h"
#include "support/ExpectError.h"
#include "support/VectorFile.h"

namespace tavrpki {
namespace {

using test::ExpectError;
using test::FromHex;
using test::ReadVectorFile;
using test::ToHex;

Blob Bytes(const std::string& hex) { return Blob(ByteView(FromHex(hex))); }
std::string Hex(const Blob& blob) { return ToHex(blob.Data(), blob.Size()); }

template <typename T>
std::string BinaryHex(const T& object) {
  Blob out;
  object.ToBinary(out);
  return Hex(out);
}

Blob Dke(const std::string& name) {
  if (name == "dke1") return Blob(ByteView(params::kDke1));
  EXPECT_EQ(name, "default");
  return Blob(ByteView(params::kDefaultSBox));
}

// Named-curve parameters as the binary form carries them (it has no OID).
CAsymmetric4145Params Explicit(const std::string& oid, const std::string& dke) {
  CAsymmetric4145Params p = NamedCurveParams(oid, Dke(dke));
  p.curveOid = String();
  return p;
}

TEST(BinaryItems, BuilderWritesLengthPrefixedItems) {
  CBinaryDataBuilder items;
  items.AddU32(1);
  EXPECT_EQ(BinaryHex(items), "0400000001000000");
  items.AddItem(Bytes("AABBCC"));
  items.AddItem(Blob());
  EXPECT_EQ(BinaryHex(items), "040000000100000003000000aabbcc00000000");
  EXPECT_EQ(items.GetU32(0), 1u);
  EXPECT_EQ(Hex(items.GetItem(1)), "aabbcc");
  EXPECT_EQ(items.GetItem(2).Size(), 0u);
  ExpectError([&] { items.GetItem(3); }, kMsgItemIndexOutOfRange);
  ExpectError([&] { items.GetU32(1); }, kMsgBlobOutOfBuffer);  // 3-byte item
  ExpectError([] { CBinaryDataBuilder().GetItem(0); }, kMsgItemBufferEmpty);
}

TEST(BinaryItems, LengthsRunningPastTheEndAreRefused) {
  struct Case {
    const char* hex;
    std::uint32_t index;
    Message error;
  };
  const Case cases[] = {
      {"040000000100000004000000", 1, kMsgBlobOutOfBuffer},      // item of 4 with no bytes
      {"0400000001000000FFFFFFFF00", 1, kMsgBlobOutOfBuffer},    // 4 GB length
      {"04000000010000000400", 1, kMsgBlobOutOfBuffer},          // cut inside the length
      {"0400000001000000", 1, kMsgItemIndexOutOfRange},          // clean end
      {"0500000001000000", 0, kMsgBlobOutOfBuffer},              // first item already too long
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.hex);
    CBinaryDataBuilder items;
    items.FromBinary(Bytes(c.hex));  // no checks until read
    ExpectError([&] { items.GetItem(c.index); }, c.error);
  }
}

TEST(BitBlob, KnownBinaryForms) {
  for (const auto& v : ReadVectorFile("objects/binary-forms.vec")) {
    if (v.section != "BitBlob") continue;
    SCOPED_TRACE(v.Where());
    const auto bits = static_cast<std::uint32_t>(std::stoul(v.Get("bits")));
    const CBitBlob value(v.Get("hex"), bits);
    EXPECT_EQ(value.Size(), (bits + 7) / 8);
    EXPECT_EQ(BinaryHex(value), test::ToHex(v.Bytes("binary")));

    CBitBlob read;
    read.FromBinary(Blob(ByteView(v.Bytes("binary"))));
    EXPECT_TRUE(read == value);
    v.ExpectAllUsed();
  }
}

TEST(BitBlob, HexTextIsMostSignificantDigitFirst) {
  const struct {
    const char* hex;
    std::uint32_t bits;
    const char* bytes;
  } cases[] = {{"0102", 16, "0201"}, {"aBc", 12, "bc0a"}, {"00000102", 16, "0201"}};
  for (const auto& c : cases) EXPECT_EQ(Hex(CBitBlob(c.hex, c.bits)), c.bytes) << c.hex;
  ExpectError([] { CBitBlob("10102", 16); }, kMsgHexBadOutput);
  ExpectError([] { CBitBlob("01G2", 16); }, kMsgHexBadCharacter);

  CBitBlob bits(9);
  bits.SetBit(8, true);
  bits.SetBit(0, true);
  bits.SetBit(0, false);
  EXPECT_EQ(Hex(bits), "0001");
  ExpectError([&] { bits.SetBit(16, true); }, kMsgBlobOutOfBuffer);
}

TEST(BitBlob, BitLengthMustMatchTheBytes) {
  for (const char* hex : {"0400000009000000010000000A",        // 9 bits in 1 byte
                          "04000000090000000300000001020304",  // 9 bits in 3 bytes (one extra)
                          "0400000009000000"}) {               // no bytes item
    SCOPED_TRACE(hex);
    CBitBlob value("1A5", 9);
    EXPECT_ANY_THROW(value.FromBinary(Bytes(hex)));
    EXPECT_TRUE(value == CBitBlob("1A5", 9));
  }
}

TEST(TextForms, NumberAndTagValue) {
  String text;
  NumberBase<int>(5).Serialize(text);
  EXPECT_STREQ(text.CStr(), "05000000");
  NumberBase<int>(-2).Serialize(text);
  EXPECT_STREQ(text.CStr(), "FEFFFFFF");
  NumberBase<int> number;
  number.Deserialize("0C000000");
  EXPECT_EQ(number.Get(), 12);
  ExpectError([&] { number.Deserialize("0C0000"); }, kMsgHexBadSize);
  ExpectError([&] { number.Deserialize("0c000000"); }, kMsgHexBadCharacter);

  TagValueEncoder fields;
  fields.SetField("LengthInBits", "256");
  fields.Serialize(text);
  EXPECT_STREQ(text.CStr(), "0C000000LengthInBits03000000256");

  // Map order is byte order; a repeated name keeps its first value on reading.
  fields.Deserialize("01000000b01000000201000000a01000000101000000b01000000X");
  ASSERT_EQ(fields.FieldCount(), 2u);
  EXPECT_STREQ(fields.FieldName(0).CStr(), "a");
  EXPECT_STREQ(fields.GetField("b").CStr(), "2");
  fields.SetField("b", "3");
  EXPECT_STREQ(fields.GetField("b").CStr(), "3");
  EXPECT_FALSE(fields.HasField("c"));
  ExpectError([&] { fields.GetField("c"); },
              Message{kNoCode, Cp1251<"Помилка доступу до поля \"c\" - поле відсутнє">});

  // Malformed texts leave the fields as they were.
  for (const char* bad : {"01000000", "05000000ab", "01000000a0100", "FFFFFFFFa"}) {
    SCOPED_TRACE(bad);
    EXPECT_ANY_THROW(fields.Deserialize(bad));
    EXPECT_EQ(fields.FieldCount(), 2u);
  }
}

TEST(TextForms, BitBlobRoundTrip) {
  const CBitBlob value("1A5", 9);
  String text;
  value.Serialize(text);
  EXPECT_STREQ(text.CStr(), "08000000BlobData04000000A5010C000000LengthInBits010000009");
  CBitBlob read;
  read.Deserialize(text);
  EXPECT_TRUE(read == value);
  ExpectError([&] { read.Deserialize("0C000000LengthInBits010000009"); },
              Message{kNoCode, Cp1251<"Помилка доступу до поля \"BlobData\" - поле відсутнє">});
  EXPECT_ANY_THROW(read.Deserialize("08000000BlobData04000000A5010C000000LengthInBits0200000017"));
  EXPECT_TRUE(read == value);
}

TEST(Params, EveryNamedCurveRoundTripsThroughItsBinaryForm) {
  int count = 0;
  for (const auto& v : ReadVectorFile("objects/binary-forms.vec")) {
    if (v.section != "AsymmetricParams") continue;
    SCOPED_TRACE(v.Where());
    const CAsymmetric4145Params expected = Explicit(v.Get("oid"), v.Get("dke"));
    EXPECT_EQ(BinaryHex(expected), ToHex(v.Bytes("binary")));

    CAsymmetric4145Params read = NamedCurveParams(v.Get("oid"), Dke("dke1"));
    read.FromBinary(Blob(ByteView(v.Bytes("binary"))));
    EXPECT_TRUE(read == expected);  // the OID is not part of the form
    ++count;
    v.ExpectAllUsed();
  }
  EXPECT_EQ(count, 15);
}

// The S-box is lent to the hash as a bare 128-byte table: a form carrying a
// shorter one is refused (an empty one means "none" and reads).
TEST(Params, ShortSBoxIsRefusedAndChangesNothing) {
  const CAsymmetric4145Params named = Explicit("1.2.804.2.1.1.1.1.3.1.1.2.0", "dke1");
  Blob form;
  named.ToBinary(form);
  const BinaryItems items(form.View());
  const auto withDke = [&](ByteView dke) {
    CBinaryDataBuilder rebuilt;
    for (std::uint32_t i = 0; i < 8; ++i) rebuilt.AddItem(items.Item(i));
    rebuilt.AddItem(dke);
    Blob out;
    rebuilt.ToBinary(out);
    return out;
  };
  CAsymmetric4145Params read;
  for (const std::size_t size : {1u, 64u, 127u}) {
    ExpectError([&] { read.FromBinary(withDke(named.dke.View().first(size))); }, kMsgBlobOutOfBuffer);
    EXPECT_TRUE(read == CAsymmetric4145Params()) << size;
  }
  read.FromBinary(withDke({}));
  EXPECT_TRUE(read.dke.IsEmpty());
  read.FromBinary(withDke(named.dke.View()));
  EXPECT_TRUE(read == named);
}

TEST(KeyPairs, DoubleKeyPairKnownForm) {
  const auto vectors = ReadVectorFile("objects/binary-forms.vec");
  for (const auto& v : vectors) {
    if (v.section != "DoubleKeyPair") continue;
    const Blob binary(ByteView(v.Bytes("binary")));
    CDoubleKeyPair keys;
    keys.FromBinary(binary);
    EXPECT_EQ(BinaryHex(keys), Hex(binary));

    const struct {
      const CKeyPair& pair;
      const char* prefix;
      std::uint32_t usage;
    } pairs[] = {{keys.GetSignPair(), "sign_", 0}, {keys.GetCryptPair(), "crypt_", 1}};
    for (const auto& p : pairs) {
      const std::string prefix = p.prefix;
      const CAsymmetric4145Params params = Explicit(v.Get(prefix + "oid"), v.Get(prefix + "dke"));
      EXPECT_EQ(p.pair.GetUsage(), p.usage);
      EXPECT_TRUE(p.pair.GetParams() == params);
      EXPECT_TRUE(p.pair.GetPrivateKey().GetValue() == CBitBlob(v.Get(prefix + "d"), params.m));
      EXPECT_TRUE(p.pair.GetPublicKey().GetX().GetValue() == CBitBlob(v.Get(prefix + "qx"), params.m));
      EXPECT_TRUE(p.pair.GetPublicKey().GetY().GetValue() == CBitBlob(v.Get(prefix + "qy"), params.m));
    }

    // Building the same pairs from their parts gives the same bytes.
    const CDoubleKeyPair rebuilt(keys.GetSignPair(), keys.GetCryptPair());
    EXPECT_EQ(BinaryHex(rebuilt), Hex(binary));
    v.ExpectAllUsed();
  }
}

// Every way of breaking a double key pair form is refused and the object keeps its keys.
TEST(KeyPairs, MalformedDoubleKeyPairLeavesTheKeysInPlace) {
  Blob good;
  for (const auto& v : ReadVectorFile("objects/binary-forms.vec"))
    if (v.section == "DoubleKeyPair") good = Blob(ByteView(v.Bytes("binary")));
  ASSERT_FALSE(good.IsEmpty());
  CDoubleKeyPair keys;
  keys.FromBinary(good);

  const auto expectUnchanged = [&] { EXPECT_EQ(BinaryHex(keys), Hex(good)); };

  const BinaryItems items(good.View());
  const auto pairs = [&](std::uint32_t first, std::uint32_t second) {
    CBinaryDataBuilder form;
    form.AddItem(items.Item(first));
    form.AddItem(items.Item(second));
    Blob out;
    form.ToBinary(out);
    return out;
  };
  ExpectError([&] { keys.FromBinary(pairs(1, 0)); }, kMsgBadSignKeyUsage);  // swapped
  expectUnchanged();
  ExpectError([&] { keys.FromBinary(pairs(0, 0)); }, kMsgBadCryptKeyUsage);  // both for signing
  expectUnchanged();
  ExpectError([&] { CDoubleKeyPair(keys.GetCryptPair(), keys.GetCryptPair()); }, kMsgBadSignKeyUsage);

  ExpectError([&] { keys.FromBinary(Blob()); }, kMsgItemBufferEmpty);
  expectUnchanged();

  // Every truncation: some item length always runs past the end.
  for (std::uint32_t size = 1; size < good.Size(); ++size) {
    EXPECT_ANY_THROW(keys.FromBinary(Blob(good.View().first(size)))) << size;
  }
  expectUnchanged();

  // Trailing bytes after the second pair are ignored, as for any item sequence.
  Blob longer(good);
  longer.Append(Bytes("00"));
  keys.FromBinary(longer);
  expectUnchanged();
}

TEST(SmallObjects, HashSignatureAndSymmetricKeyForms) {
  CHash hash(Bytes("0102030405"));
  EXPECT_EQ(BinaryHex(hash), "050000000102030405");
  CHash readHash;
  readHash.FromBinary(Bytes("020000000A0B"));
  EXPECT_EQ(Hex(readHash.GetValue()), "0a0b");
  ExpectError([&] { readHash.FromBinary(Bytes("030000000A0B")); }, kMsgBlobOutOfBuffer);
  EXPECT_EQ(Hex(readHash.GetValue()), "0a0b");

  // A signature's form is its value's form, not wrapped in a further item.
  const CSignature signature(CBitBlob("1A5", 9));
  EXPECT_EQ(BinaryHex(signature), "040000000900000002000000a501");

  CSymmetricKey key(Bytes("00112233"));
  key.SetSecond(Bytes("FF"));
  EXPECT_EQ(BinaryHex(key), "00112233");  // raw key bytes, the second buffer is not written
  key.FromBinary(Bytes("44"));
  EXPECT_EQ(Hex(key.GetKey()), "44");
  EXPECT_EQ(Hex(key.GetSecond()), "ff");
}

}  // namespace
}  // namespace tavrpki
