// The choice of an issuer's newest base and delta list among those of a real
// SQLite store, as tables (tests/data/kernel_storage/crl-choice.vec): lists are
// built from the test PKI's real full and delta lists with other numbers and
// dates, or taken as published.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <tavrpki/SqliteCertStore.h>

#include "../sqlitestore/StoreSupport.h"
#include "asn1/crl/ASN1CRL.h"
#include "asn1/x509/ASN1Certificate.h"
#include "ext/PKIDeltaCRLIndicator.h"
#include "kernel/pkix/StoredCrls.h"
#include "support/VectorFile.h"

namespace tavrpki::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes File(const std::string& name) { return ReadFileBytes(DataPath(name)); }

// "base#9@20160301", "delta#12>9", "bad", "bad:delta#3>9" or a file name: see the table's header.
Bytes Build(const std::string& token) {
  if (token == "bad" || token.rfind("bad:", 0) == 0) {
    Bytes der = token == "bad" ? File("real/test-pki/full.crl") : Build(token.substr(4));
    const Bytes reasonCode = {0x06, 0x03, 0x55, 0x1D, 0x15};
    const auto at = std::search(der.begin(), der.end(), reasonCode.begin(), reasonCode.end());
    EXPECT_NE(at, der.end());
    if (at != der.end()) at[3] = 0x1E;  // 2.5.30.21: outside the arc entry extensions must come from
    return der;
  }
  const bool base = token.rfind("base", 0) == 0, delta = token.rfind("delta", 0) == 0;
  if (!base && !delta) return File(token);
  ASN1CRL crl;
  crl.Decode(File(base ? "real/test-pki/full.crl" : "real/test-pki/delta.crl"));
  ASN1TBSCertList& body = crl.TBSCertList();
  body.CrlExtensions().Remove("2.5.29.20");
  body.CrlExtensions().Remove("2.5.29.27");
  body.CrlNumber().SetValue(0);  // no number extension unless one is given
  std::istringstream in(token.substr(base ? 4 : 5));
  for (char mark; in >> mark;) {
    if (mark == '#') {
      std::int64_t number = 0;
      in >> number;
      body.CrlNumber().SetValue(number);
    } else if (mark == '>') {
      std::int64_t number = 0;
      in >> number;
      PKIDeltaCRLIndicator indicator;
      indicator.SetBaseCRLNumber(ASN1Integer(number));
      body.CrlExtensions().Append(indicator.ToExtension());
    } else if (mark == '@') {
      std::string day;
      in >> day;
      body.SetThisUpdate(DateTime(std::stoi(day.substr(0, 4)), std::stoi(day.substr(4, 2)), std::stoi(day.substr(6, 2))));
    } else {
      ADD_FAILURE() << "bad token " << token;
    }
  }
  Blob out;
  crl.Encode(out);
  return {out.View().begin(), out.View().end()};
}

TEST(CrlChoice, NewestBaseAndDeltaOfTheIssuer) {
  for (const Vector& v : ReadVectorFile("kernel_storage/crl-choice.vec")) {
    SCOPED_TRACE(v.Where() + " " + v.Get("Lists"));
    TempDir dir;
    SqliteCertStore store(dir.File("store.db"));
    for (const auto& token : Words(v.Get("Lists"))) EXPECT_TRUE(store.Add(Build(token)).added) << token;
    ASN1Certificate cert;
    cert.Decode(File(v.Has("Cert") ? v.Get("Cert") : "real/test-pki/userfiz.cer"));
    auto lists = GatherCrls(store, cert.TBSCertificate().Issuer());
    const CrlChoice choice = ChooseCrls(lists);
    for (const auto& [key, chosen] : {std::pair{"Base", choice.base}, std::pair{"Delta", choice.delta}}) {
      const std::string expected = v.Get(key);
      if (expected == "-") {
        EXPECT_FALSE(chosen.has_value()) << key;
        continue;
      }
      ASSERT_TRUE(chosen.has_value()) << key;
      const ByteView der = lists[*chosen].der.View();
      EXPECT_EQ(Bytes(der.begin(), der.end()), Build(expected)) << key << " is not " << expected;
    }
    v.ExpectAllUsed();
  }
}

}  // namespace
}  // namespace tavrpki::test
