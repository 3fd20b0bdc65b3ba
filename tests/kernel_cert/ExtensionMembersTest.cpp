// The certificate members that read and write extensions through their
// handlers: URLs collected into one distribution point, the access extension
// kept, replaced or removed, dates from the validity period, the texts of the
// library's own extensions, and what each reports when its extension is missing.
#include <gtest/gtest.h>

#include <functional>

#include "asn1/x509/ASN1Certificate.h"
#include "asn1/x509/ExtensionValues.h"
#include "ext/PKIDateTime.h"
#include "ext/PKIPermissions.h"
#include "kernel/HandleCast.h"
#include "kernel_cert/Fixtures.h"

namespace tavrpki::test {
namespace {

using Kernel::CKernelCertificate;

const ExtensionsCollection& Extensions(const CKernelCertificate& cert) {
  return Kernel::CertificateOf(cert).TBSCertificate().Extensions();
}

std::vector<std::string> Urls(const CKernelCertificate& cert, const char* oid) {
  const ASN1CertExtension* extension = Extensions(cert).Find(oid);
  if (extension == nullptr) return {"(absent)"};
  ASN1DistributionPoint point;
  extension->DecodeValue(point);
  std::vector<std::string> urls;
  for (const String& url : point.Urls()) urls.emplace_back(url.CStr());
  return urls;
}

std::string Access(const CKernelCertificate& cert) {
  const ASN1CertExtension* extension = Extensions(cert).Find("1.3.6.1.5.5.7.1.1");
  if (extension == nullptr) return "(absent)";
  ASN1AuthInfoAccess access;
  extension->DecodeValue(access);
  return std::string(access.FirstUrl().CStr()) + " " + access.SecondUrl().CStr();
}

std::string Text(const std::function<void(char*, unsigned long*)>& get) {
  unsigned long length = 0;
  get(nullptr, &length);
  std::string text(length, '\0');
  get(text.data(), &length);
  EXPECT_EQ(text.back(), '\0');  // the length counts the terminating NUL
  return text.c_str();
}

class ExtensionMembers : public CertTest {
 protected:
  // The test root: few extensions, none of the library's own.
  CKernelCertificate m_cert = LoadCertFile(m_kernel, "real/test-pki/root.cer");
};

TEST_F(ExtensionMembers, DistributionPointsCollectUrlsInCallOrder) {
  m_cert.ClearCRLDitributionPoints();
  m_cert.AddCRLDistributionPoint("http://a.example/full.crl");
  m_cert.AddCRLDistributionPoint("http://b.example/full.crl");
  m_cert.AddDeltaCRLDistribuinPoint("http://a.example/delta.crl");  // joins the root's own
  EXPECT_EQ(Urls(m_cert, "2.5.29.31"),
            (std::vector<std::string>{"http://a.example/full.crl", "http://b.example/full.crl"}));
  EXPECT_EQ(Urls(m_cert, "2.5.29.46"),
            (std::vector<std::string>{"http://ca.ua/crls/delta.crl", "http://a.example/delta.crl"}));
  const ExtensionsCollection& list = Extensions(m_cert);
  EXPECT_EQ(std::string(list.Get(list.Count() - 2).OidText().CStr()), "2.5.29.31");

  // Loaded back, a further URL joins the same point.
  CKernelCertificate loaded = LoadCert(m_kernel, DerOf(m_cert));
  loaded.AddCRLDistributionPoint("http://c.example/full.crl");
  EXPECT_EQ(Urls(loaded, "2.5.29.31").size(), 3u);

  m_cert.ClearCRLDitributionPoints();
  EXPECT_EQ(Urls(m_cert, "2.5.29.31"), std::vector<std::string>{"(absent)"});
  EXPECT_EQ(Urls(m_cert, "2.5.29.46").size(), 2u);
  m_cert.ClearDeltaCRLDistribuinPoints();
  EXPECT_EQ(Urls(m_cert, "2.5.29.46"), std::vector<std::string>{"(absent)"});
  EXPECT_EQ(CodeOf([&] { m_cert.AddCRLDistributionPoint(nullptr); }), 100021u);
}

TEST_F(ExtensionMembers, AccessUrlsReplacedOneByOneOrRemoved) {
  const struct {
    const char* first;
    const char* second;
    const char* reads;
  } steps[] = {
      {"http://ocsp.example", nullptr, "http://ocsp.example "},
      {nullptr, "http://tsp.example", "http://ocsp.example http://tsp.example"},
      {"http://ocsp2.example", nullptr, "http://ocsp2.example http://tsp.example"},
      {nullptr, nullptr, "(absent)"},
      {nullptr, nullptr, "(absent)"},
      {nullptr, "http://tsp.example", " http://tsp.example"},
  };
  for (const auto& step : steps) {
    m_cert.SetAuthInformationAccess(step.first, step.second);
    EXPECT_EQ(Access(m_cert), step.reads);
  }
}

TEST_F(ExtensionMembers, DatesFromThePeriod) {
  const struct {
    DateTime from;
    int years, months, days;
    DateTime to;
    DateTime notAfter;
  } rows[] = {
      {DateTime(2008, 2, 29), 1, 0, 0, DateTime(2020, 1, 1), DateTime(2009, 2, 28)},
      {DateTime(2008, 1, 31), 0, 1, 0, DateTime(2020, 1, 1), DateTime(2008, 2, 29)},
      // A day the month lacks counts again once days are added (DateTime::AddPeriod).
      {DateTime(2008, 1, 31), 0, 1, 1, DateTime(2020, 1, 1), DateTime(2008, 3, 3)},
      {DateTime(2020, 6, 1, 10), 5, 0, 0, DateTime(2023, 1, 1), DateTime(2023, 1, 1)},  // cut at `to`
      {DateTime(2020, 6, 1, 10), 1, 0, 0, DateTime(2021, 6, 1, 10), DateTime(2021, 6, 1, 10)},
  };
  EXPECT_EQ(CodeOf([&] { m_cert.SetDatesFromExtension(rows[0].from.SystemTime(), rows[0].to.SystemTime()); }),
            100003u);
  for (const auto& row : rows) {
    PKIDateTime period;
    period.SetPeriod(row.years, row.months, row.days);
    Blob der;
    period.ToExtension().Encode(der);
    m_cert.AddExtension(der.Data(), der.Size());
    m_cert.SetDatesFromExtension(row.from.SystemTime(), row.to.SystemTime());
    EXPECT_TRUE(DateTime(m_cert.GetDateValidNotBefore()).Equal(row.from));
    EXPECT_TRUE(DateTime(m_cert.GetDateValidNotAfter()).Equal(row.notAfter));
    // Written as two UTCTimes that read back the same.
    const CKernelCertificate loaded = LoadCert(m_kernel, DerOf(m_cert));
    EXPECT_TRUE(DateTime(loaded.GetDateValidNotAfter()).Equal(row.notAfter));
  }
}

TEST_F(ExtensionMembers, MissingExtensionsReportTheirOwnCodes) {
  unsigned char buffer[64];
  char text[64];
  unsigned long length = sizeof buffer;
  CKernelCertificate bare = m_cert;
  for (const char* oid : {"2.5.29.14", "2.5.29.35"}) Kernel::CertificateOf(bare).TBSCertificate().Extensions().Remove(oid);
  const struct {
    const char* what;
    unsigned long code;
    std::function<void()> call;
  } cases[] = {
      {"subject key id", 100009, [&] { bare.GetSubjectKeyId(buffer, &length); }},
      {"authority key id", 100010, [&] { bare.GetAuthorityKeyId(buffer, &length); }},
      {"authority from an issuer without one", 100009, [&] { m_cert.AddAuthorityKeyIdentifier(bare); }},
      {"self-signed without subject key id", 100009, [&] { (void)bare.IsSelfSigned(); }},
      {"container name", 100004, [&] { m_cert.GetKeyContainerName(text, &length); }},
      {"key pairs by container name", 100004, [&] { (void)m_cert.LoadKeyPairs(nullptr); }},
      {"template name", 100060, [&] { m_cert.GetTemplateName(text, &length); }},
      {"key-agreement key", 100005, [&] { (void)m_cert.GetCertKeys(); }},
      {"parameters without the key-agreement key", 100005, [&] { (void)m_cert.GetParams(); }},
      {"encryption for a certificate without one", 100005,
       [&] { m_kernel.EncryptAsymmetric(m_cert, buffer, 1, buffer, &length); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(CodeOf(c.call), c.code);
  }
}

TEST_F(ExtensionMembers, OwnTextsAndTheSelfSignedCheck) {
  char name[] = "container-01";
  m_cert.SetKeyContainerName(name);
  EXPECT_EQ(Text([&](char* b, unsigned long* l) { m_cert.GetKeyContainerName(b, l); }), "container-01");

  // The test root names its own key as the authority's, without a serial.
  EXPECT_TRUE(m_cert.IsSelfSigned());
  CKernelCertificate other = m_cert;
  other.AddAuthorityKeyIdentifier();  // now with its own serial
  EXPECT_TRUE(other.IsSelfSigned());
  other.SetSerialNo(99);  // which no longer matches
  EXPECT_FALSE(other.IsSelfSigned());
  const CKernelCertificate user = LoadCertFile(m_kernel, "real/test-pki/userfiz.cer");
  EXPECT_FALSE(user.IsSelfSigned());
}

// The permissions extension (root.3, or an OID the caller names) read into a
// permissions object, entry by entry in list order.
TEST_F(ExtensionMembers, PermissionsFromTheirExtension) {
  const auto entries = [](const Kernel::CKernelPermissions& p) {
    return static_cast<const std::vector<Kernel::PermissionEntry>*>(p.GetHandle())->size();
  };
  EXPECT_EQ(entries(m_cert.GetPermissions(nullptr)), 0u);

  PKIPermissions own;
  own.SetList({String("docs.*:read=1"), String("mail:send=*")});
  PKIPermissions other;
  other.SetOID(String("1.2.3.4.5"));
  other.SetList({String("archive:write=1")});
  for (const PKIEntityBase* handler : {static_cast<const PKIEntityBase*>(&own), static_cast<const PKIEntityBase*>(&other)}) {
    Blob der;
    handler->ToExtension().Encode(der);
    m_cert.AddExtension(der.Data(), der.Size());
  }
  const Kernel::CKernelPermissions permissions = m_cert.GetPermissions(nullptr);
  EXPECT_EQ(entries(permissions), 2u);
  EXPECT_TRUE(permissions.IsAllowed("docs.2026.march", "read", "1"));
  EXPECT_TRUE(permissions.IsAllowed("mail", "send", "x"));
  EXPECT_FALSE(permissions.IsAllowed("archive", "write", "1"));
  EXPECT_TRUE(m_cert.GetPermissions("1.2.3.4.5").IsAllowed("archive", "write", "1"));

  PKIPermissions malformed;
  malformed.SetList({String("no separators")});
  Blob der;
  malformed.ToExtension().Encode(der);
  m_cert.AddExtension(der.Data(), der.Size());
  EXPECT_EQ(CodeOf([&] { (void)m_cert.GetPermissions(nullptr); }), 100007u);
}

}  // namespace
}  // namespace tavrpki::test
