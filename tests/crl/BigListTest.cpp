// A list of half a million entries, the size national CAs publish: it is written,
// read back in order, and looked up. (Its speed is measured by the benchmarks;
// tests assert no timings.)
#include "tests/crl/Support.h"

namespace tavrpki::test {
namespace {

constexpr std::uint32_t kEntries = 500000;

// Serial i: 20 octets like the real CAs' (a fixed prefix and i big-endian).
ByteView SerialOf(std::uint32_t i, std::uint8_t (&out)[20]) {
  static constexpr std::uint8_t kPrefix[16] = {0x30, 0x04, 0x75, 0x1D, 0xEF, 0x2C, 0x78, 0xAE,
                                               0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00};
  std::copy(std::begin(kPrefix), std::end(kPrefix), out);
  for (int k = 0; k < 4; ++k) out[16 + k] = static_cast<std::uint8_t>(i >> (24 - 8 * k));
  return ByteView(out);
}

TEST(CrlBigList, HalfAMillionEntriesReadBackInOrder) {
  ASN1CRL list;
  ASN1TBSCertList& body = list.TBSCertList();
  body.Signature().SetType("1.2.804.2.1.1.1.1.3.1.1");
  body.Issuer().AddAttribute("2.5.4.3", ASN1PrintableString("CA"));
  body.SetThisUpdate(Utc("160909205316Z"));
  body.CrlNumber().SetValue(17505);
  list.SignatureAlgorithm().SetType("1.2.804.2.1.1.1.1.3.1.1");
  list.SetSignature(ByteView(FromHex("AABB")));
  body.RevokedCertificates().Reserve(kEntries);
  ASN1CrlEntry entry;
  std::uint8_t serial[20];
  for (std::uint32_t i = 0; i < kEntries; ++i) {
    entry.UserCertificate().SetBytes(SerialOf(i, serial));
    // Dates run backwards every 1000 entries, so order is not date order.
    entry.SetRevocationDate(DateTime(2016 - static_cast<int>(i % 7), 1 + static_cast<int>(i % 12),
                                     1 + static_cast<int>(i % 28), static_cast<int>(i % 24), 0, 0));
    entry.SetReasonCode(static_cast<std::uint8_t>(i % 11));  // 10 writes no reason
    body.RevokedCertificates().Append(entry);
  }
  // One serial revoked twice, the later revocation in the middle of the list.
  entry.UserCertificate().SetBytes(SerialOf(7, serial));
  entry.SetRevocationDate(DateTime(2030, 1, 1));
  body.RevokedCertificates().Append(entry);

  Blob der;
  list.Encode(der);
  EXPECT_GT(der.Size(), 20u * 1000 * 1000);

  ASN1CRL reread;
  reread.Decode(der);
  const CrlEntryList& entries = reread.TBSCertList().RevokedCertificates();
  ASSERT_EQ(entries.Count(), kEntries + 1);
  for (std::uint32_t i = 0; i < kEntries; ++i) {
    if (HexOf(entries.Serial(i)) != HexOf(SerialOf(i, serial)) ||
        entries.RevocationDate(i).Month() != 1 + static_cast<int>(i % 12) ||
        entries.ReasonCode(i) != (i % 11 == 10 ? kCrlNoReason : i % 11)) {
      ADD_FAILURE() << "entry " << i << " reads " << Reads(entries.Get(i));
      break;
    }
  }
  EXPECT_EQ(entries.FindLatest(SerialOf(7, serial)), kEntries);
  EXPECT_EQ(entries.FindLatest(SerialOf(kEntries - 1, serial)), kEntries - 1);
  EXPECT_EQ(entries.FindLatest(SerialOf(kEntries, serial)), CrlEntryList::kNotFound);

  Blob again;
  reread.Encode(again);
  EXPECT_TRUE(again.Equals(der));
}

}  // namespace
}  // namespace tavrpki::test
