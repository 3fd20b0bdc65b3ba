// Certificates the library makes: a DER template written with the structure
// objects, then SetCertKeys, the key identifiers, names, dates and Ensign, for
// the chains of made-chains.vec. What they must satisfy: strict DER, the
// conventions of the real certificates (signature octets as the core's
// signature of GOST 34.311 over the body's exact bytes, key identifier = GOST
// 34.311 of the key BIT STRING's value), verification singly and as a chain,
// and the keys and parameters they carry back out.
#include <gtest/gtest.h>

#include <string>

#include "asn1/ASN1PrintableString.h"
#include "asn1/ASN1Utf8String.h"
#include "asn1/x509/ASN1Certificate.h"
#include "core/Cp1251.h"
#include "crypto/params/Dke.h"
#include "ext/PKIBasicConstraints.h"
#include "ext/PKIDateTime.h"
#include "ext/PKIKeyUsage.h"
#include "kernel/CKernelAllParams.h"
#include "kernel/CKernelCertificateChain.h"
#include "kernel/HandleCast.h"
#include "kernel_cert/Fixtures.h"
#include "support/CertificateDraft.h"
#include "support/DkeParams.h"
#include "tests/asn1_x509/Support.h"

namespace tavrpki::test {
namespace {

using Kernel::CKernelAllParams;
using Kernel::CKernelCertificate;
using Kernel::CKernelDoubleKeyPair;

params::Dke Dke1() { return params::kDke1; }

// A template as a registration authority would hand it over: names, validity,
// key usage, basic constraints, and the validity period the CA signs for. The
// key, the issuer and the signature are placeholders the library replaces.
std::vector<std::uint8_t> Template(const char* commonName, bool ca) {
  ASN1Certificate cert;
  ASN1TBSCert& body = cert.TBSCertificate();
  body.SerialNumber().SetValue(1);
  body.Issuer().AddAttribute("2.5.4.3", ASN1Utf8String("placeholder"));
  body.Subject().AddAttribute("2.5.4.10", ASN1Utf8String(Cp1251<"Тестовий центр сертифікації">));
  body.Subject().AddAttribute("2.5.4.3", ASN1Utf8String(commonName));
  body.Subject().AddAttribute("2.5.4.6", ASN1PrintableString("UA"));
  body.SetValidity(DateTime(2026, 1, 1), DateTime(2026, 1, 2));
  PKIKeyUsage usage;
  usage.SetKeyUsage(ca ? 0x06 : 0xC0);  // keyCertSign, cRLSign / digitalSignature, nonRepudiation
  body.Extensions().Append(usage.ToExtension());
  PKIBasicConstraints constraints;
  constraints.SetCA(ca ? 1 : 0);
  body.Extensions().Append(constraints.ToExtension());
  PKIDateTime period;
  period.SetPeriod(ca ? 10 : 2, 0, 0);
  body.Extensions().Append(period.ToExtension());
  return EncodeDraft(cert);
}

// The subject's certificate from a template: keys, issuer, serial, identifiers,
// dates, and the issuer's signature.
CKernelCertificate Make(const Kernel::CKernel& kernel, const char* name, bool ca, const CKernelDoubleKeyPair& keys,
                        const CKernelCertificate* issuer, const CKernelDoubleKeyPair& issuerKeys,
                        __int64 serial) {
  CKernelCertificate cert = LoadCert(kernel, Template(name, ca));
  cert.SetCertKeys(keys);
  cert.SetSerialNo(serial);
  cert.AddSubjectKeyIdentifier();
  if (issuer == nullptr) {
    cert.MakeIssuerEqualSubject();
    cert.AddAuthorityKeyIdentifier();
  } else {
    cert.SetIssuerFromCert(*issuer);
    cert.AddAuthorityKeyIdentifier(*issuer);
  }
  cert.SetDatesFromExtension(DateTime(2026, 3, 1, 12).SystemTime(), DateTime(2040, 1, 1).SystemTime());
  params::Dke randomSBox = Dke1();
  cert.Ensign(issuerKeys, randomSBox.data());
  return cert;
}

std::vector<unsigned char> KeyId(const CKernelCertificate& cert, bool authority) {
  return Fetch([&](unsigned char* b, unsigned long* l) {
    authority ? cert.GetAuthorityKeyId(b, l) : cert.GetSubjectKeyId(b, l);
  });
}

// Checks one made certificate against the conventions of the real ones.
void ExpectConventions(const Kernel::CKernel& kernel, const CKernelCertificate& cert,
                       const CKernelDoubleKeyPair& issuerKeys, const std::string& algorithm,
                       std::size_t signatureOctets) {
  const std::vector<unsigned char> der = DerOf(cert);
  EXPECT_EQ(StrictDerProblem(ByteView(der)), "");
  EXPECT_EQ(DerOf(LoadCert(kernel, der)), der);

  ASN1Certificate parsed;
  parsed.Decode(ByteView(der));
  EXPECT_EQ(parsed.SignatureAlgorithm().TypeText().CStr(), algorithm);
  EXPECT_EQ(parsed.TBSCertificate().Signature().TypeText().CStr(), algorithm);
  EXPECT_TRUE(parsed.SignatureAlgorithm().Value().IsEmpty());  // no parameters, as the real ones

  // The signature octets are what the kernel's own hash signature gives for the
  // GOST 34.311 hash of the body exactly as written.
  const Blob signature = parsed.GetSignature();
  EXPECT_EQ(signature.Size(), signatureOctets);
  const ByteView body = parsed.TBSCertificate().SignedBytes();
  params::Dke dke = Dke1();
  std::array<unsigned char, 32> hash{};
  kernel.CalcHash(body.data(), static_cast<unsigned long>(body.size()), hash.data(), dke.data());
  EXPECT_TRUE(kernel.VerifyHashSignature(hash.data(), signature.Data(), signature.Size(), issuerKeys));

  // The key identifier is the hash of the key BIT STRING's value (the OCTET
  // STRING that carries the compressed key, least significant byte first).
  const Blob& keyField = parsed.TBSCertificate().PublicKeyInfo().SubjectPublicKey().Bytes();
  EXPECT_EQ(keyField.Data()[0], 0x04);
  std::array<unsigned char, 32> id{};
  kernel.CalcHash(keyField.Data(), keyField.Size(), id.data(), dke.data());
  EXPECT_EQ(KeyId(cert, false), std::vector<unsigned char>(id.begin(), id.end()));
}

class MadeCertificates : public CertTest {};

TEST_F(MadeCertificates, ChainsOnEachCurveVerifyAndFollowTheConventions) {
  for (const Vector& v : ReadVectorFile("kernel_cert/made-chains.vec")) {
    SCOPED_TRACE(v.Where());
    const CKernelDoubleKeyPair rootKeys = m_kernel.Generate4145DoubleKeyPair(MakeParams(m_kernel, v.Get("root").c_str()), false);
    const CKernelDoubleKeyPair caKeys = m_kernel.Generate4145DoubleKeyPair(MakeParams(m_kernel, v.Get("ca").c_str()), false);
    const CKernelDoubleKeyPair eeKeys = m_kernel.Generate4145DoubleKeyPair(MakeParams(m_kernel, v.Get("ee").c_str()), false);
    const CKernelCertificate root = Make(m_kernel, "Root", true, rootKeys, nullptr, rootKeys, 1);
    const CKernelCertificate ca = Make(m_kernel, "CA", true, caKeys, &root, rootKeys, 2);
    const CKernelCertificate ee = Make(m_kernel, Cp1251<"Петренко П. П.">, false, eeKeys, &ca, caKeys, 3);

    ExpectConventions(m_kernel, ca, rootKeys, v.Get("ca_algorithm"), std::stoul(v.Get("ca_signature_octets")));
    ExpectConventions(m_kernel, ee, caKeys, v.Get("ee_algorithm"), std::stoul(v.Get("ee_signature_octets")));
    ExpectConventions(m_kernel, root, rootKeys, v.Get("ca_algorithm"), std::stoul(v.Get("ca_signature_octets")));

    EXPECT_TRUE(root.VerifySignature(root.GetCertSignKey()));
    EXPECT_TRUE(ca.VerifySignature(root.GetCertSignKey()));
    EXPECT_TRUE(ee.VerifySignature(ca.GetCertSignKey()));
    EXPECT_FALSE(ee.VerifySignature(root.GetCertSignKey()));
    EXPECT_FALSE(ca.VerifySignature(ca.GetCertSignKey()));

    Kernel::CKernelCertificateChain chain(m_kernel);
    chain.Add(ee, false);
    chain.Add(ca, false);
    chain.Add(root, true);
    EXPECT_TRUE(ee.VerifySignature(chain));

    EXPECT_TRUE(root.IsSelfSigned());
    EXPECT_FALSE(ca.IsSelfSigned());
    EXPECT_EQ(KeyId(ca, true), KeyId(root, false));
    EXPECT_EQ(KeyId(ee, true), KeyId(ca, false));
  }
}

// What a made certificate gives back: its keys serve the kernel's certificate
// forms, its dates come from the period, its parameters and S-boxes return.
TEST_F(MadeCertificates, KeysDatesAndParametersComeBackOut) {
  const CKernelAllParams params = MakeParams(m_kernel);
  const CKernelDoubleKeyPair keys = m_kernel.Generate4145DoubleKeyPair(params, false);
  CKernelCertificate cert = Make(m_kernel, "Self", true, keys, nullptr, keys, 7);

  const _SYSTEMTIME notBefore = cert.GetDateValidNotBefore();
  const _SYSTEMTIME notAfter = cert.GetDateValidNotAfter();
  EXPECT_EQ(notBefore.wYear, 2026);
  EXPECT_EQ(notBefore.wHour, 12);
  EXPECT_EQ(notAfter.wYear, 2036);  // 10 years, before the 2040 limit
  EXPECT_EQ(notAfter.wMonth, 3);

  const std::string data = "The quick brown fox jumps over the lazy dog";
  const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
  const auto length = static_cast<unsigned long>(data.size());
  const std::vector<unsigned char> signature =
      Fetch([&](unsigned char* b, unsigned long* l) { m_kernel.EnsignBuffer(bytes, length, b, l, keys, params); });
  EXPECT_TRUE(m_kernel.VerifyBufferSignature(bytes, length, signature.data(),
                                             static_cast<unsigned long>(signature.size()), cert));
  const std::vector<unsigned char> ciphertext =
      Fetch([&](unsigned char* b, unsigned long* l) { m_kernel.EncryptAsymmetric(cert, bytes, length, b, l); });
  const std::vector<unsigned char> plaintext = Fetch([&](unsigned char* b, unsigned long* l) {
    m_kernel.DecryptAsymmetric(keys, ciphertext.data(), static_cast<unsigned long>(ciphertext.size()), b, l);
  });
  EXPECT_EQ(std::string(plaintext.begin(), plaintext.begin() + static_cast<long>(data.size())), data);

  EXPECT_EQ(CodeOf([&] { (void)cert.GetParams(); }), 100006u);  // no S-box extension yet
  cert.SetAdditionalParams(params);
  const CKernelAllParams back = cert.GetParams();
  EXPECT_EQ(back.GetSignParams().GetAsymmetric_CurrentLength(), 257u);
  EXPECT_EQ(back.GetCryptParams().GetAsymmetric_CurrentLength(), 257u);
  std::array<unsigned char, 128> sbox{};
  back.GetCryptSBox(sbox.data());
  EXPECT_EQ(sbox, Dke1());
}

}  // namespace
}  // namespace tavrpki::test
