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

}  // namespace
}  // namespace tavrpki::test
