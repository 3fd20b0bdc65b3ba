// Lookups by serial number: the latest entry of one list (FindLastCertificate's
// rule) and the merged view over a base list and its deltas (CRLMerger).
#include <sstream>

#include "tests/crl/Support.h"

namespace tavrpki::test {
namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::istringstream in(text);
  for (std::string part; std::getline(in, part, separator);) parts.push_back(part);
  return parts;
}

// "serial@UTCTime/reason" lists, "|" between lists.
std::vector<CrlEntryList> Lists(const std::string& text) {
  std::vector<CrlEntryList> lists;
  for (const std::string& part : Split(text, '|')) {
    CrlEntryList& list = lists.emplace_back();
    for (const std::string& word : Words(part)) {
      const std::size_t at = word.find('@'), slash = word.find('/');
      ASN1CrlEntry entry;
      entry.UserCertificate().SetBytes(ByteView(FromHex(word.substr(0, at))));
      entry.SetRevocationDate(Utc(word.substr(at + 1, slash - at - 1)));
      entry.SetReasonCode(static_cast<std::uint8_t>(std::stoi(word.substr(slash + 1))));
      list.Append(entry);
    }
  }
  return lists;
}

// "serial:expected" pairs.
std::vector<std::pair<ASN1Integer, std::string>> Queries(const std::string& text) {
  std::vector<std::pair<ASN1Integer, std::string>> queries;
  for (const std::string& word : Words(text)) {
    const std::size_t colon = word.find(':');
    ASN1Integer serial;
    serial.SetBytes(ByteView(FromHex(word.substr(0, colon))));
    queries.emplace_back(serial, word.substr(colon + 1));
  }
  return queries;
}

TEST(CrlLookups, Table) {
  const std::vector<Vector> vectors = ReadVectorFile("crl/lookups.vec");
  ASSERT_GE(vectors.size(), 10u);
  for (const Vector& v : vectors) {
    SCOPED_TRACE(v.Where());
    const std::vector<CrlEntryList> lists = Lists(v.Has("entries") ? v.Get("entries") : "");
    if (v.section == "List") {
      ASSERT_EQ(lists.size(), 1u);
      for (int pass = 0; pass < 2; ++pass)  // the index built by the first pass answers the second
        for (const auto& [serial, expected] : Queries(v.Get("latest"))) {
          const std::uint32_t index = lists[0].FindLatest(serial.View());
          EXPECT_EQ(index == CrlEntryList::kNotFound ? "none" : std::to_string(index), expected) << H(serial);
        }
      continue;
    }
    CRLMerger merger;
    for (const CrlEntryList& list : lists) merger.Add(list);
    if (v.Has("found"))
      for (const auto& [serial, expected] : Queries(v.Get("found"))) {
        ASN1CrlEntry entry;
        const bool found = merger.Find(serial, entry);
        const std::string date = ASN1UTCTime(entry.RevocationDate()).GetText().CStr();
        EXPECT_EQ(found ? date + "/" + std::to_string(entry.ReasonCode()) : "none", expected) << H(serial);
      }
    for (const auto& [serial, expected] : Queries(v.Get("revoked")))
      EXPECT_EQ(merger.IsRevoked(serial) ? "yes" : "no", expected) << H(serial);
    v.ExpectAllUsed();
  }
}

TEST(CrlLookups, IndexFollowsChangesAndEmptySerialsFail) {
  std::vector<CrlEntryList> lists = Lists("01@130301000000Z/1");
  CrlEntryList& list = lists[0];
  EXPECT_EQ(list.FindLatest(ByteView(FromHex("02"))), CrlEntryList::kNotFound);
  ASN1CrlEntry later;
  later.UserCertificate().SetValue(2);
  later.SetRevocationDate(Utc("130302000000Z"));
  list.Append(later);  // after a lookup built the index
  EXPECT_EQ(list.FindLatest(ByteView(FromHex("02"))), 1u);

  EXPECT_EQ(Catch([&] { list.FindLatest(ByteView()); }).code, 50021u);
  ASN1CrlEntry empty;
  list.Append(empty);
  EXPECT_EQ(Catch([&] { list.FindLatest(ByteView(FromHex("01"))); }).code, 50021u);
}

}  // namespace
}  // namespace tavrpki::test
