// The extensions of the real certificates read through their handlers: the
// values must be those an independent reading found (tests/data/asn1_x509/
// real-certs.vec), and each must be written back byte for byte unless
// tests/data/ext/real-extensions.vec names it as one whose handler has another form.
#include <algorithm>
#include <cstring>
#include <map>
#include <sstream>
#include <typeinfo>

#include "asn1/x509/ASN1Certificate.h"
#include "tests/ext/Support.h"

namespace tavrpki::test {
namespace {

std::string Joined(const std::vector<String>& items) {
  std::string out;
  for (const String& item : items) out += (out.empty() ? "" : " ") + std::string(item.CStr());
  return out;
}

ASN1Certificate Load(const std::string& file) {
  const std::vector<std::uint8_t> der = ReadFileBytes(DataPath(file));
  ASN1Certificate certificate;
  certificate.Decode(ByteView(der));
  return certificate;
}

// The value the independent reading wrote for one handler, in the handler's terms.
void ExpectIndependentValue(const Vector& facts, const PKIEntityBase& h) {
  if (auto* p = dynamic_cast<const PKIKeyUsage*>(&h)) {
    // The first octet after the unused-bits count (the first eight named bits),
    // except in the test PKI's four-octet form 03 05 uu 00 00 00 XX, which means XX.
    const std::string bits = facts.Get("key_usage");
    const bool lastOctetForm = bits.size() == 14 && bits.compare(0, 4, "0305") == 0 && bits.compare(6, 6, "000000") == 0;
    EXPECT_EQ(String::Formatted("%02X", p->GetKeyUsage()).CStr(), bits.substr(lastOctetForm ? 12 : 6, 2));
  } else if (auto* p = dynamic_cast<const PKIAuthKeyId*>(&h)) {
    EXPECT_EQ(H(p->GetKeyId()), facts.Get("aki"));
  } else if (auto* p = dynamic_cast<const PKIBasicConstraints*>(&h)) {
    const std::string reads = p->GetCA() != 0 ? "CA " + std::to_string(p->GetPathLenConstraint()) : "EE";
    EXPECT_EQ(reads, facts.Get("basic_constraints"));
  } else if (auto* p = dynamic_cast<const PKIExtendedKeyUsage*>(&h)) {
    EXPECT_EQ(Joined(p->GetList()), facts.Get("eku"));
  } else if (auto* p = dynamic_cast<const PKIPolicies*>(&h)) {
    EXPECT_EQ(Joined(p->GetList()), facts.Get("policies"));
  } else if (auto* p = dynamic_cast<const PKICRLDistributionPoint*>(&h)) {
    if (std::strcmp(p->GetOID().CStr(), "2.5.29.31") == 0) {
      EXPECT_EQ(Joined(p->GetUrls()), facts.Get("crl_urls"));
    }
  }
}

TEST(ExtensionHandlers, RealCertificateExtensions) {
  OidSandbox sandbox;
  std::map<std::string, Vector> rewrites;
  for (Vector& v : ReadVectorFile("ext/real-extensions.vec")) rewrites.emplace(v.Get("file"), v);
  const std::vector<Vector> certificates = ReadVectorFile("asn1_x509/real-certs.vec");
  ASSERT_EQ(certificates.size(), rewrites.size());
  std::size_t identical = 0;
  for (const Vector& facts : certificates) {
    SCOPED_TRACE(facts.Where());
    const auto found = rewrites.find(facts.Get("file"));
    ASSERT_NE(found, rewrites.end()) << "no entry in real-extensions.vec";
    const Vector& expected = found->second;
    const std::vector<std::string> rewritten = Words(expected.Get("rewritten"));
    const std::vector<std::string> unread = Words(expected.Get("not_text"));

    const ASN1Certificate certificate = Load(facts.Get("file"));
    for (const ASN1CertExtension& extension : certificate.TBSCertificate().Extensions()) {
      const std::string oid = extension.OidText().CStr();
      SCOPED_TRACE(oid);
      std::unique_ptr<PKIEntityBase> h = MakeExtensionHandler(oid.c_str());
      if (typeid(*h) == typeid(PKIDefault)) {
        // Extensions without a handler of their own are read as texts, which these are not.
        EXPECT_NE(std::find(unread.begin(), unread.end(), oid), unread.end());
        EXPECT_EQ(Catch([&] { h->FromExtension(extension); }).message,
                  "Примітивний елемент не є правильним UTF8 рядком");
        EXPECT_STREQ(h->GetOID().CStr(), "1");
        continue;
      }
      h->FromExtension(extension);
      EXPECT_EQ(h->IsCritical() != 0, extension.IsCritical());
      ExpectIndependentValue(facts, *h);
      const bool same = Der(h->ToExtension()) == Der(extension);
      const bool listed = std::find(rewritten.begin(), rewritten.end(), oid) != rewritten.end();
      EXPECT_NE(same, listed) << (same ? "written back unchanged but listed as rewritten" : "written back otherwise");
      identical += same ? 1 : 0;
    }
    // The authority information access has no factory entry; the certificate API reads it.
    ASN1CertExtension access;
    if (certificate.TBSCertificate().Extensions().Find("1.3.6.1.5.5.7.1.1", access)) {
      PKIAuthorityInfo info;
      info.FromExtension(access);
      std::string first;
      std::string second;
      for (const std::string& description : Words(facts.Get("access"))) {
        const std::size_t equals = description.find('=');
        if (description.substr(0, equals) == "1.3.6.1.5.5.7.48.3") first = description.substr(equals + 1);
        if (description.substr(0, equals) == "1.3.6.1.5.5.7.3.9.1") second = description.substr(equals + 1);
      }
      EXPECT_EQ(info.GetFirstUrl().CStr(), first);
      EXPECT_EQ(info.GetSecondUrl().CStr(), second);
    }
    for (const char* key : {"version", "serial", "signature_algorithm", "not_before", "not_after", "signature_octets",
                            "key_octets", "extensions", "qc_statements", "access", "eku", "aki", "crl_urls",
                            "basic_constraints", "policies", "key_usage"})
      facts.Skip(key);
    facts.ExpectAllUsed();
    expected.Skip("key");
    expected.ExpectAllUsed();
  }
  EXPECT_GE(identical, 50u);
}

}  // namespace
}  // namespace tavrpki::test
