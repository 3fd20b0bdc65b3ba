// Binary and text forms of the crypto objects: known-answer forms built independently
// of this code, exact round trips, and malformed forms refused without changing the
// target object.
#include <gtest/gtest.h>

#include <map>
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
  if (name == "none") return Blob();
  EXPECT_EQ(name, "default");
  return Blob(ByteView(params::kDefaultSBox));
}

// Named-curve parameters as the binary form carries them (it has no OID).
CAsymmetric4145Params Explicit(const std::string& oid, const std::string& dke) {
  CAsymmetric4145Params p = NamedCurveParams(oid, Dke(dke));
  p.curveOid = String();
  return p;
}

// Runs a body that must be refused: with the named error, or any when none is named.
void ExpectRefused(const test::Vector& v, const std::function<void()>& body) {
  static const std::map<std::string, Message> kErrors = {
      {"out-of-buffer", kMsgBlobOutOfBuffer}, {"index", kMsgItemIndexOutOfRange},
      {"empty", kMsgItemBufferEmpty},         {"sign-usage", kMsgBadSignKeyUsage},
      {"crypt-usage", kMsgBadCryptKeyUsage},  {"hex-output", kMsgHexBadOutput},
      {"hex-char", kMsgHexBadCharacter},      {"hex-size", kMsgHexBadSize},
      {"missing-blobdata",
       Message{kNoCode, Cp1251<"Помилка доступу до поля \"BlobData\" - поле відсутнє">}}};
  if (v.Has("error")) {
    ExpectError(body, kErrors.at(v.Get("error")));
  } else {
    EXPECT_ANY_THROW(body());
  }
}

TEST(SmallForms, KnownAndMalformedForms) {
  TagValueEncoder fields;
  fields.Deserialize("01000000a01000000101000000b010000002");
  for (const auto& v : ReadVectorFile("objects/small-forms.vec")) {
    SCOPED_TRACE(v.Where());
    const std::string input = v.Has("hex") ? v.Get("hex") : v.Get("text");
    if (v.section == "BitBlobHex") {
      const auto bits = static_cast<std::uint32_t>(std::stoul(v.Get("bits")));
      if (v.Has("bytes")) {
        EXPECT_EQ(Hex(CBitBlob(input, bits)), v.Get("bytes"));
      } else {
        ExpectRefused(v, [&] { CBitBlob(input, bits); });
      }
    } else if (v.section == "Items") {
      CBinaryDataBuilder items;
      items.FromBinary(Bytes(input));
      ExpectRefused(v, [&] { items.GetItem(std::stoul(v.Get("index"))); });
    } else if (v.section == "BitBlobBinary" || v.section == "BitBlobText") {
      CBitBlob value("1A5", 9);
      const bool text = v.section == "BitBlobText";
      ExpectRefused(v, [&] { text ? value.Deserialize(input.c_str()) : value.FromBinary(Bytes(input)); });
      EXPECT_TRUE(value == CBitBlob("1A5", 9));
    } else if (v.section == "NumberText") {
      NumberBase<int> number(7);
      ExpectRefused(v, [&] { number.Deserialize(input.c_str()); });
    } else {
      ASSERT_EQ(v.section, "TagValueText");
      ExpectRefused(v, [&] { fields.Deserialize(input.c_str()); });
      EXPECT_EQ(fields.FieldCount(), 2u);
    }
    v.ExpectAllUsed();
  }
}

TEST(SmallForms, KnownFormsOfEachObject) {
  CBinaryDataBuilder items;
  items.AddU32(1);
  items.AddItem(Bytes("AABBCC"));
  items.AddItem(Blob());
  EXPECT_EQ(BinaryHex(items), "040000000100000003000000aabbcc00000000");
  EXPECT_EQ(items.GetU32(0), 1u);
  EXPECT_EQ(Hex(items.GetItem(1)), "aabbcc");
  ExpectError([&] { items.GetU32(1); }, kMsgBlobOutOfBuffer);  // 3-byte item
  ExpectError([] { CBinaryDataBuilder().GetItem(0); }, kMsgItemBufferEmpty);

  CBitBlob bits(9);
  bits.SetBit(8, true);
  bits.SetBit(0, true);
  bits.SetBit(0, false);
  EXPECT_EQ(Hex(bits), "0001");
  ExpectError([&] { bits.SetBit(16, true); }, kMsgBlobOutOfBuffer);

  String text;
  NumberBase<int>(-2).Serialize(text);
  EXPECT_STREQ(text.CStr(), "FEFFFFFF");
  NumberBase<int> number;
  number.Deserialize("0C000000");
  EXPECT_EQ(number.Get(), 12);

  const CBitBlob value("1A5", 9);
  value.Serialize(text);
  EXPECT_STREQ(text.CStr(), "08000000BlobData04000000A5010C000000LengthInBits010000009");
  CBitBlob read;
  read.Deserialize(text);
  EXPECT_TRUE(read == value);

  // Map order is byte order; a repeated name keeps its first value on reading.
  TagValueEncoder fields;
  fields.Deserialize("01000000b01000000201000000a01000000101000000b01000000X");
  ASSERT_EQ(fields.FieldCount(), 2u);
  EXPECT_STREQ(fields.FieldName(0).CStr(), "a");
  EXPECT_STREQ(fields.GetField("b").CStr(), "2");
  ExpectError([&] { fields.GetField("c"); },
              Message{kNoCode, Cp1251<"Помилка доступу до поля \"c\" - поле відсутнє">});

  CHash hash;
  hash.FromBinary(Bytes("020000000A0B"));
  EXPECT_EQ(BinaryHex(hash), "020000000a0b");
  ExpectError([&] { hash.FromBinary(Bytes("030000000A0B")); }, kMsgBlobOutOfBuffer);
  EXPECT_EQ(Hex(hash.GetValue()), "0a0b");

  // A signature's form is its value's form, not wrapped in a further item.
  EXPECT_EQ(BinaryHex(CSignature(CBitBlob("1A5", 9))), "040000000900000002000000a501");

  CSymmetricKey key(Bytes("00112233"));
  key.SetSecond(Bytes("FF"));
  EXPECT_EQ(BinaryHex(key), "00112233");  // raw key bytes, the second buffer is not written
  key.FromBinary(Bytes("44"));
  EXPECT_EQ(Hex(key.GetKey()), "44");
  EXPECT_EQ(Hex(key.GetSecond()), "ff");
}

TEST(BinaryForms, KnownBitBlobAndParamsForms) {
  int curves = 0;
  for (const auto& v : ReadVectorFile("objects/binary-forms.vec")) {
    SCOPED_TRACE(v.Where());
    if (v.section == "BitBlob") {
      const CBitBlob value(v.Get("hex"), static_cast<std::uint32_t>(std::stoul(v.Get("bits"))));
      EXPECT_EQ(BinaryHex(value), ToHex(v.Bytes("binary")));
      CBitBlob read;
      read.FromBinary(Blob(ByteView(v.Bytes("binary"))));
      EXPECT_TRUE(read == value);
    } else if (v.section == "AsymmetricParams") {
      const CAsymmetric4145Params expected = Explicit(v.Get("oid"), v.Get("dke"));
      EXPECT_EQ(BinaryHex(expected), ToHex(v.Bytes("binary")));
      CAsymmetric4145Params read = NamedCurveParams(v.Get("oid"), Dke("dke1"));
      read.FromBinary(Blob(ByteView(v.Bytes("binary"))));
      EXPECT_TRUE(read == expected);  // the OID is not part of the form
      ++curves;
    } else {
      continue;
    }
    v.ExpectAllUsed();
  }
  EXPECT_EQ(curves, 15);
}

// Forms with a short S-box are refused and change nothing; an empty one means none.
TEST(BinaryForms, MalformedParamsAndKeyPairsChangeNothing) {
  for (const auto& v : ReadVectorFile("objects/derived-forms.vec")) {
    SCOPED_TRACE(v.Where());
    const Blob form(ByteView(v.Bytes("binary")));
    if (v.section == "AsymmetricParams") {
      CAsymmetric4145Params read;
      read.FromBinary(form);
      EXPECT_TRUE(read == Explicit(v.Get("oid"), v.Get("dke")));
      EXPECT_TRUE(read.dke.IsEmpty());
    } else if (v.section == "BadParams") {
      CAsymmetric4145Params read;
      ExpectRefused(v, [&] { read.FromBinary(form); });
      EXPECT_TRUE(read == CAsymmetric4145Params());
    } else {
      continue;  // key pairs: below
    }
    v.ExpectAllUsed();
  }
}

TEST(KeyPairs, DoubleKeyPairKnownFormAndMalformedForms) {
  const auto vectors = ReadVectorFile("objects/binary-forms.vec");
  const auto v = std::find_if(vectors.begin(), vectors.end(),
                              [](const auto& r) { return r.section == "DoubleKeyPair"; });
  ASSERT_NE(v, vectors.end());
  const Blob good(ByteView(v->Bytes("binary")));
  CDoubleKeyPair keys;
  keys.FromBinary(good);
  EXPECT_EQ(BinaryHex(keys), Hex(good));
  for (const std::string prefix : {"sign_", "crypt_"}) {
    const CKeyPair& pair = prefix == "sign_" ? keys.GetSignPair() : keys.GetCryptPair();
    const CAsymmetric4145Params params = Explicit(v->Get(prefix + "oid"), v->Get(prefix + "dke"));
    EXPECT_EQ(pair.GetUsage(), prefix == "sign_" ? 0u : 1u);
    EXPECT_TRUE(pair.GetParams() == params);
    EXPECT_TRUE(pair.GetPrivateKey().GetValue() == CBitBlob(v->Get(prefix + "d"), params.m));
    EXPECT_TRUE(pair.GetPublicKey().GetX().GetValue() == CBitBlob(v->Get(prefix + "qx"), params.m));
    EXPECT_TRUE(pair.GetPublicKey().GetY().GetValue() == CBitBlob(v->Get(prefix + "qy"), params.m));
  }
  v->ExpectAllUsed();
  EXPECT_EQ(BinaryHex(CDoubleKeyPair(keys.GetSignPair(), keys.GetCryptPair())), Hex(good));
  ExpectError([&] { CDoubleKeyPair(keys.GetCryptPair(), keys.GetCryptPair()); }, kMsgBadSignKeyUsage);

  // Swapped or doubled pairs and every truncation are refused; the keys stay.
  for (const auto& bad : ReadVectorFile("objects/derived-forms.vec")) {
    if (bad.section != "BadDoubleKeyPair") continue;
    SCOPED_TRACE(bad.Where());
    ExpectRefused(bad, [&] { keys.FromBinary(Blob(ByteView(bad.Bytes("binary")))); });
    bad.ExpectAllUsed();
  }
  for (std::uint32_t size = 1; size < good.Size(); ++size) {
    EXPECT_ANY_THROW(keys.FromBinary(Blob(good.View().first(size)))) << size;
  }
  EXPECT_EQ(BinaryHex(keys), Hex(good));

  // Trailing bytes after the second pair are ignored, as for any item sequence.
  Blob longer(good);
  longer.Append(Bytes("00"));
  keys.FromBinary(longer);
  EXPECT_EQ(BinaryHex(keys), Hex(good));
}

}  // namespace
}  // namespace tavrpki
