// Certification requests: requests we sign verify and read back; the hand-built
// requests of tests/data/pkcs10 convert into the certificates their attributes
// ask for, with the library's handlers and with the example extension module;
// every refusal carries its code and leaves the request as it was.
#include <string>
#include <vector>

#include "asn1/Hex.h"
#include "asn1/pkcs10/ASN1CertRequest.h"
#include "kernel/CKernelAllParams.h"
#include "kernel/CKernelCertRequest.h"
#include "kernel/CKernelException.h"
#include "kernel/HandleCast.h"
#include "support/DkeParams.h"
#include "tests/kernel_cert/Fixtures.h"

namespace tavrpki::test {
namespace {

std::vector<unsigned char> DerOf(const Kernel::CKernelCertRequest& request) {
  return Fetch([&](unsigned char* b, unsigned long* l) { request.GetRequestBuffer(b, l); });
}

Kernel::CKernelCertRequest LoadRequest(const Kernel::CKernel& kernel, const std::vector<std::uint8_t>& der) {
  Kernel::CKernelCertRequest request(kernel);
  request.InitFromBuffer(der.data(), static_cast<unsigned long>(der.size()));
  return request;
}

void AddAttributeHex(Kernel::CKernelCertRequest& request, const std::string& hex) {
  const std::vector<std::uint8_t> der = FromHex(hex);
  request.AddAttribute(der.data(), static_cast<unsigned long>(der.size()));
}

std::string AttributeText(const Kernel::CKernelCertRequest& request, const char* oid) {
  unsigned long length = 0;
  request.GetAttributeAsString(oid, nullptr, &length);
  std::string text(length, '\0');
  request.GetAttributeAsString(oid, text.data(), &length);
  text.resize(length - 1);
  return text;
}

// The extensions of a certificate as "hex,hex,...".
std::string ExtensionList(const Kernel::CKernelCertificate& cert) {
  std::string list;
  for (const ASN1CertExtension& extension : Kernel::CertificateOf(cert).TBSCertificate().Extensions()) {
    Blob der;
    extension.Encode(der);
    if (!list.empty()) list += ",";
    list += HexEncode(der.View());
  }
  return list;
}

class RequestTest : public CertTest {
 protected:
  Kernel::CKernelDoubleKeyPair MakeKeys(const char* curve) {
    return m_kernel.Generate4145DoubleKeyPair(MakeParams(m_kernel, curve, kCurve257), false);
  }

  // A request with the subject of the real-shaped one, signed by a new key on `curve`.
  Kernel::CKernelCertRequest SignedRequest(const char* curve, bool withAttributes) {
    Kernel::CKernelCertRequest request = LoadRequest(m_kernel, FromHex(Record("bare").Get("request")));
    if (withAttributes) AddAttributeHex(request, "300B0603551D0F31040C023836");
    request.Ensign(MakeKeys(curve), m_dke.data());
    return request;
  }

  const Vector& Record(const std::string& section) {
    for (const Vector& v : m_vectors)
      if (v.Where().find("[" + section + "]") != std::string::npos) return v;
    ADD_FAILURE() << "no record " << section;
    return m_vectors.front();
  }

  void InstallExampleModule() {
    m_sandbox.WriteSystem(std::string("\"UseLog\"=dword:00000000\n\"RootOID\"=\"") + kTestOidRoot +
                          "\"\n\"ExtHandler\"=\"" + TAVRPKI_EXAMPLE_EXT_MODULE + "\"");
  }

  params::Dke m_dke = params::kDke1;
  std::vector<Vector> m_vectors = ReadVectorFile("pkcs10/requests.vec");
};

TEST_F(RequestTest, SignedRequestsVerifyAndReadBack) {
  for (const char* curve : {kCurve257, kCurve233Onb}) {
    for (bool withAttributes : {false, true}) {
      SCOPED_TRACE(std::string(curve) + (withAttributes ? " with attributes" : " bare"));
      const Kernel::CKernelCertRequest request = SignedRequest(curve, withAttributes);
      EXPECT_TRUE(request.VerifySignature());
      const std::vector<unsigned char> der = DerOf(request);
      const Kernel::CKernelCertRequest loaded = LoadRequest(m_kernel, der);
      EXPECT_TRUE(loaded.VerifySignature());
      EXPECT_EQ(DerOf(loaded), der);
      const ASN1CertRequest& inner = Kernel::RequestOf(loaded);
      EXPECT_EQ(inner.RequestInfo().Attributes().Count(), withAttributes ? 1u : 0u);
      // The algorithm is the key's own: "…3.1.2" for the normal basis.
      EXPECT_EQ(std::string(inner.SignatureAlgorithm().TypeText().CStr()),
                curve == kCurve233Onb ? "1.2.804.2.1.1.1.1.3.1.2" : "1.2.804.2.1.1.1.1.3.1.1");
      EXPECT_TRUE(inner.SignatureAlgorithm().Value().Equals(inner.RequestInfo().PublicKeyInfo().Algorithm().Value()));
    }
  }
}

// Any changed octet of the body (name, attributes) or of the signature makes the
// signature fail, as a false result and never a failure. A changed key may
// instead be refused as no key of its curve; it never verifies.
TEST_F(RequestTest, AnyChangedOctetFailsTheSignature) {
  const std::vector<unsigned char> der = DerOf(SignedRequest(kCurve257, true));
  const Kernel::CKernelCertRequest loaded = LoadRequest(m_kernel, der);
  const ASN1CertRequest& inner = Kernel::RequestOf(loaded);
  const std::size_t bodyEnd = 4 + inner.RequestInfo().SignedBytes().size();
  const std::size_t keyEnd = bodyEnd - 13;  // the key's last octet, before the 13-octet attribute
  for (std::size_t at : {std::size_t{20}, bodyEnd - 1, der.size() - 1, keyEnd - 1}) {
    SCOPED_TRACE(at);
    std::vector<unsigned char> changed = der;
    changed[at] ^= 0x01;
    bool verified = false;
    const unsigned long code = CodeOf([&] { verified = LoadRequest(m_kernel, changed).VerifySignature(); });
    EXPECT_FALSE(verified);
    if (at != keyEnd - 1) {
      EXPECT_EQ(code, 0u);
    }
  }
}

// A request signed in the reversed-octet form of another system loads; one
// under any other algorithm, or that does not decode, is refused and the
// request keeps what it held.
TEST_F(RequestTest, LoadRefusals) {
  const std::vector<unsigned char> good = DerOf(SignedRequest(kCurve257, false));
  const std::string hex = HexEncode(good);
  const std::string algorithm = "060B2A862402010101010301";  // "1.2.804.2.1.1.1.1.3.1" and one arc to come
  const std::size_t at = hex.rfind(algorithm + "01");
  ASSERT_NE(at, std::string::npos);
  auto withAlgorithmArc = [&](const std::string& arc) {
    std::string changed = hex;
    changed.replace(at + algorithm.size(), 2, arc);
    return FromHex(changed);
  };
  struct Row {
    const char* name;
    std::vector<std::uint8_t> der;
    unsigned long code;
  };
  const std::vector<Row> rows = {
      {"unsupported algorithm", withAlgorithmArc("03"), 100002},
      {"truncated", std::vector<std::uint8_t>(good.begin(), good.end() - 10), 0xFFFFFFFFu},
      {"only the header", std::vector<std::uint8_t>(good.begin(), good.begin() + 4), 0xFFFFFFFFu},
      {"not a SEQUENCE", FromHex("31030201" "00"), 0xFFFFFFFFu},
      {"body not a SEQUENCE", FromHex("3005" "0203010203"), 0xFFFFFFFFu},
  };
  Kernel::CKernelCertRequest request = LoadRequest(m_kernel, good);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(CodeOf([&] { request.InitFromBuffer(row.der.data(), static_cast<unsigned long>(row.der.size())); }),
              row.code);
    EXPECT_EQ(DerOf(request), good);
  }
  EXPECT_EQ(CodeOf([&] { request.InitFromBuffer(nullptr, 10); }), 100021u);
  EXPECT_EQ(CodeOf([&] { request.InitFromBuffer(good.data(), 0); }), 100021u);
}

// After the public key only a [0] element may follow.
TEST_F(RequestTest, StrayElementAfterTheKeyIsRefused) {
  std::string hex = Record("real-shaped").Get("request");
  const std::size_t at = hex.find("A075300B");
  ASSERT_NE(at, std::string::npos);
  hex.replace(at, 2, "A1");
  const std::vector<std::uint8_t> der = FromHex(hex);
  Kernel::CKernelCertRequest request(m_kernel);
  try {
    request.InitFromBuffer(der.data(), static_cast<unsigned long>(der.size()));
    ADD_FAILURE() << "loaded";
  } catch (const Kernel::CKernelException& e) {
    EXPECT_EQ(e.GetErrorCode(), 0xFFFFFFFFu);
    EXPECT_EQ(std::string(e.GetErrorMessage()), std::string(kMsgBadRequestAttributes.format));
  }
}

TEST_F(RequestTest, AttributesKeepOrderAndDuplicates) {
  Kernel::CKernelCertRequest request(m_kernel);
  EXPECT_EQ(CodeOf([&] { AttributeText(request, "2.5.29.15"); }), 50015u);
  AddAttributeHex(request, "300B0603551D0F31040C023836");
  AddAttributeHex(request, "300B0603551D0F31040C023036");
  EXPECT_EQ(AttributeText(request, "2.5.29.15"), "86");
  EXPECT_EQ(CodeOf([&] { AttributeText(request, "2.5.29.37"); }), 50016u);
  EXPECT_EQ(Kernel::RequestOf(request).RequestInfo().Attributes().Count(), 2u);

  const std::vector<std::uint8_t> before = FromHex("300B0603551D0F31040C023836");
  struct Row {
    const char* name;
    std::string hex;
  };
  // What AddAttribute refuses, leaving the two attributes as they were.
  for (const Row& row : {Row{"truncated", "300B0603551D0F31040C0238"}, Row{"trailing bytes", "300B0603551D0F31040C0238360500"},
                         Row{"no type", "3006310402023836"}}) {
    SCOPED_TRACE(row.name);
    EXPECT_NE(CodeOf([&] { AddAttributeHex(request, row.hex); }), 0u);
    EXPECT_EQ(Kernel::RequestOf(request).RequestInfo().Attributes().Count(), 2u);
  }
  EXPECT_EQ(CodeOf([&] { request.AddAttribute(nullptr, 5); }), 100021u);
  EXPECT_EQ(CodeOf([&] { request.AddAttribute(before.data(), 0); }), 100021u);
  unsigned long length = 0;
  EXPECT_EQ(CodeOf([&] { request.GetAttributeAsString(nullptr, nullptr, &length); }), 100021u);
  EXPECT_EQ(CodeOf([&] { request.GetAttributeAsString("2.5.29.15", nullptr, nullptr); }), 100021u);
}

// The key-agreement key travels as root.1 and arrives in the certificate as the
// extension GetCertKeys reads.
TEST_F(RequestTest, CryptKeyAttributeBecomesTheCertificateKey) {
  const Kernel::CKernelDoubleKeyPair keys = MakeKeys(kCurve257);
  Kernel::CKernelCertRequest request = LoadRequest(m_kernel, FromHex(Record("bare").Get("request")));
  request.AddCryptPublicKeyAttribute(keys);
  request.Ensign(keys, m_dke.data());
  ASSERT_TRUE(request.VerifySignature());
  const Kernel::CKernelCertificate cert = request.ConvertToCertificate();
  const Kernel::CKernelDoubleKeyPair fromCert = cert.GetCertKeys();
  EXPECT_TRUE(Kernel::KeysOf(fromCert).GetCryptPair().GetPublicKey() == Kernel::KeysOf(keys).GetCryptPair().GetPublicKey());
  EXPECT_TRUE(Kernel::KeysOf(fromCert).GetSignPair().GetPublicKey() == Kernel::KeysOf(keys).GetSignPair().GetPublicKey());
}

TEST_F(RequestTest, ConversionWithTheLibrarysHandlers) {
  for (const Vector& v : m_vectors) {
    if (!v.Has("converts")) continue;
    SCOPED_TRACE(v.Where());
    const Kernel::CKernelCertRequest request = LoadRequest(m_kernel, FromHex(v.Get("request")));
    const Kernel::CKernelCertificate cert = request.ConvertToCertificate();
    EXPECT_EQ(ExtensionList(cert), v.Get("converts"));
    const ASN1Certificate& inner = Kernel::CertificateOf(cert);
    const ASN1CertRequest& source = Kernel::RequestOf(request);
    EXPECT_TRUE(inner.TBSCertificate().Subject().Equals(source.RequestInfo().Subject()));
    EXPECT_EQ(std::string(inner.SignatureAlgorithm().TypeText().CStr()), "1.2.804.2.1.1.1.1.3.1.1");
    EXPECT_EQ(inner.TBSCertificate().Version(), 2);
    EXPECT_TRUE(inner.TBSCertificate().Issuer().Count() == 0);
    EXPECT_TRUE(inner.TBSCertificate().PublicKeyInfo().Equals(source.RequestInfo().PublicKeyInfo()));
    if (v.Has("attribute")) {
      const std::string pair = v.Get("attribute");
      const std::size_t eq = pair.find('=');
      EXPECT_EQ(AttributeText(request, pair.substr(0, eq).c_str()), pair.substr(eq + 1));
    }
  }
}

TEST_F(RequestTest, ConversionThroughTheExampleModule) {
  InstallExampleModule();
  for (const Vector& v : m_vectors) {
    SCOPED_TRACE(v.Where());
    const Kernel::CKernelCertRequest request = LoadRequest(m_kernel, FromHex(v.Get("request")));
    if (v.Has("module_converts")) {
      EXPECT_EQ(ExtensionList(request.ConvertToCertificate()), v.Get("module_converts"));
    } else {
      EXPECT_EQ(CodeOf([&] { request.ConvertToCertificate(); }), std::stoul(v.Get("module")));
    }
  }
}

}  // namespace
}  // namespace tavrpki::test
