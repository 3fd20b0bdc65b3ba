// The store's own DER field reader, against the real certificates and lists and
// against every cut of them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "storage/sqlite/DerFields.h"
#include "support/VectorFile.h"

namespace tavrpki::test {
namespace {

using sqlitestore::FieldError;
using sqlitestore::ItemFields;
using sqlitestore::ItemKind;
using sqlitestore::ReadItemFields;

ItemFields Read(const std::string& file) { return ReadItemFields(ReadFileBytes(DataPath(file))); }

TEST(StoreFields, RealFilesGiveTheirIndexedFields) {
  for (const Vector& v : ReadVectorFile("sqlitestore/fields.vec")) {
    SCOPED_TRACE(v.Where());
    const ItemFields fields = Read(v.Get("File"));
    const ItemFields issuer = Read(v.Get("IssuedBy"));
    EXPECT_EQ(ToHex(fields.issuer), ToHex(issuer.subject)) << "issuer Name is not the issuer's subject";
    if (v.section == "certificate") {
      ASSERT_EQ(fields.kind, ItemKind::kCertificate);
      EXPECT_EQ(ToHex(fields.serial), ToHex(v.Bytes("Serial")));
      ASSERT_TRUE(fields.hasKeyId);
      EXPECT_EQ(ToHex(fields.keyId), ToHex(v.Bytes("KeyId")));
      EXPECT_EQ(fields.subject.at(0), 0x30);
    } else {
      ASSERT_EQ(fields.kind, ItemKind::kCrl);
      ASSERT_TRUE(fields.hasNumber);
      EXPECT_EQ(ToHex(fields.number), ToHex(v.Bytes("Number")));
      EXPECT_EQ(fields.thisUpdate, v.Get("ThisUpdate"));
      EXPECT_EQ(fields.delta, v.Get("Base") != "-");
      if (fields.delta) {
        EXPECT_EQ(ToHex(fields.baseNumber), ToHex(v.Bytes("Base")));
      }
    }
    v.ExpectAllUsed();
  }
}

// Every proper prefix and the whole with one byte more are refused as FieldError
// (never a read past the input: the sanitizer build runs this too), and a changed
// length octet anywhere gives either fields or FieldError.
TEST(StoreFields, CutsAndJunkAreRefused) {
  for (const char* file : {"real/test-pki/delta.crl", "real/diia-test-sign-2022.cer"}) {
    SCOPED_TRACE(file);
    const auto der = ReadFileBytes(DataPath(file));
    for (std::size_t n = 0; n < der.size(); ++n) {
      const std::vector<std::uint8_t> cut(der.begin(), der.begin() + static_cast<std::ptrdiff_t>(n));
      EXPECT_THROW(ReadItemFields(cut), FieldError) << "prefix of " << n << " bytes";
    }
    auto longer = der;
    longer.push_back(0);
    EXPECT_THROW(ReadItemFields(longer), FieldError);
    for (std::size_t i = 0; i < der.size(); ++i) {
      auto changed = der;
      changed[i] ^= 0x81;
      try {
        ReadItemFields(changed);
      } catch (const FieldError&) {
      }
    }
  }
}

// The two shapes told apart, and the DER rules the reader keeps to.
TEST(StoreFields, ShapesAndLengthForms) {
  struct Row {
    const char* what;
    std::vector<std::uint8_t> der;
    bool ok;
    ItemKind kind;
  };
  // A list without a version, a UTCTime of 1999 (two-digit year 99), no entries, no extensions.
  const std::vector<std::uint8_t> listV1 = {0x30, 0x18, 0x30, 0x11, 0x30, 0x00, 0x30, 0x00, 0x17, 0x0B,
                                            '9',  '9',  '1',  '2',  '3',  '1',  '2',  '3',  '5',  '9',
                                            'Z',  0x30, 0x00, 0x03, 0x01, 0x00};
  // A version 1 certificate: no [0], serial 7, no extensions.
  const std::vector<std::uint8_t> certV1 = {0x30, 0x14, 0x30, 0x0D, 0x02, 0x01, 0x07, 0x30, 0x00, 0x30, 0x00,
                                            0x30, 0x00, 0x30, 0x00, 0x30, 0x00, 0x30, 0x00, 0x03, 0x01, 0x00};
  std::vector<std::uint8_t> longForm = certV1;  // outer length in long form with five octets
  longForm.erase(longForm.begin() + 1);
  longForm.insert(longForm.begin() + 1, {0x85, 0x00, 0x00, 0x00, 0x00, 0x14});
  std::vector<std::uint8_t> indefinite = certV1;
  indefinite[1] = 0x80;
  const Row rows[] = {
      {"list v1", listV1, true, ItemKind::kCrl},
      {"certificate v1", certV1, true, ItemKind::kCertificate},
      {"five length octets", longForm, false, ItemKind::kCertificate},
      {"indefinite length", indefinite, false, ItemKind::kCertificate},
      {"empty", {}, false, ItemKind::kCertificate},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    if (!row.ok) {
      EXPECT_THROW(ReadItemFields(row.der), FieldError);
      continue;
    }
    const ItemFields fields = ReadItemFields(row.der);
    EXPECT_EQ(fields.kind, row.kind);
    if (row.kind == ItemKind::kCrl) {
      EXPECT_EQ(fields.thisUpdate, "19991231235900Z");
      EXPECT_FALSE(fields.hasNumber);
    } else {
      EXPECT_EQ(ToHex(fields.serial), "07");
      EXPECT_FALSE(fields.hasKeyId);
    }
  }
}

}  // namespace
}  // namespace tavrpki::test
