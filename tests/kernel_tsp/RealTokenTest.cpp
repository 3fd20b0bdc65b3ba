// The two time-stamp tokens of the real CAdES-T file (tests/data/real/README.md):
// the content time stamp (a signed attribute, stamping the content's digest) and
// the signature time stamp (an unsigned attribute, stamping the GOST 34.311 hash
// of the signer's signature octets). Neither carries its signer's certificate,
// so checking them takes the authority's certificate from a storage.
#include <gtest/gtest.h>

#include <tavrpki/SqliteCertStore.h>

#include "../sqlitestore/StoreSupport.h"
#include "asn1/cms/ASN1SignedData.h"
#include "asn1/cms/CmsOids.h"
#include "core/Catalogue.h"
#include "crypto/params/Dke.h"
#include "kernel/CKernelSignatureEnvelope.h"
#include "kernel/CKernelTSP.h"
#include "kernel/GetKernelInstance.h"
#include "support/ConfigSandbox.h"
#include "support/VectorFile.h"

namespace tavrpki::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct RealToken {
  const char* attribute;
  Bytes token;
  Bytes stamped;  // the hash it stamps
};

class RealTokens : public ::testing::Test {
 protected:
  void SetUp() override {
    m_sandbox.WriteSystem("\"UseLog\"=dword:00000000\n");
    const Bytes message = ReadFileBytes(DataPath("real/diia-cades-t-attached.p7s"));
    Kernel::CKernelSignatureEnvelope envelope(m_kernel);
    envelope.InitFromBuffer(message.data(), static_cast<unsigned long>(message.size()));
    const ASN1SignerInfo& signer = static_cast<ASN1SignedData*>(envelope.GetHandle())->SignerInfos().at(0);
    const auto valueOf = [](const std::vector<ASN1Attribute>& attributes, const char* oid) {
      for (const ASN1Attribute& attribute : attributes)
        if (attribute.TypeText() == oid) {
          Blob der;
          attribute.GetFirstValue().Encode(der);
          return Bytes(der.begin(), der.end());
        }
      ADD_FAILURE() << "no attribute " << oid;
      return Bytes();
    };
    const Blob digest = [&] {
      Blob der = Blob(ByteView(valueOf(signer.SignedAttrs(), kOidAttrMessageDigest)));
      return Blob(der.View().subspan(2));  // the OCTET STRING's content
    }();
    Bytes signatureHash(32);
    m_kernel.CalcHash(signer.Signature().Data(), signer.Signature().Size(), signatureHash.data(),
                      params::kDke1.data());
    m_tokens = {{kOidAttrContentTimeStamp, valueOf(signer.SignedAttrs(), kOidAttrContentTimeStamp),
                 Bytes(digest.begin(), digest.end())},
                {kOidAttrSignatureTimeStamp, valueOf(signer.UnsignedAttrs(), kOidAttrSignatureTimeStamp),
                 signatureHash}};
  }

  ConfigSandbox m_sandbox;
  Kernel::CKernel m_kernel = Kernel::GetKernelInstance();
  std::vector<RealToken> m_tokens;
};

unsigned long VerifyCode(const Kernel::CKernel& kernel, const RealToken& t) {
  return CodeOf([&] {
    Kernel::CKernelTSP::VerifyTSPToken(kernel, t.token.data(), static_cast<unsigned long>(t.token.size()),
                                       t.stamped.data());
  });
}

TEST_F(RealTokens, TimeAndCheckAgainstTheStampedHash) {
  TempDir dir;
  SqliteCertStore store(dir.File("store.db"));
  Kernel::CKernel withStore = Kernel::GetKernelInstance();
  withStore.SetCertStorage(&store);
  for (const RealToken& t : m_tokens) {
    SCOPED_TRACE(t.attribute);
    _SYSTEMTIME time{};
    Kernel::CKernelTSP::GetTSPTokenTime(t.token.data(), static_cast<unsigned long>(t.token.size()), &time);
    EXPECT_EQ(std::vector<int>({time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond}),
              std::vector<int>({2023, 9, 19, 18, 17, 19}));
    // The authority's certificate is in neither token nor, yet, the storage.
    EXPECT_EQ(VerifyCode(m_kernel, t), kMsgSignedDataError.code);
    EXPECT_EQ(VerifyCode(withStore, t), kMsgSignedDataError.code);
  }
  const Bytes cert = ReadFileBytes(DataPath("real/diia-tsp-2023.cer"));
  store.AddCertificate(cert.data(), static_cast<std::uint32_t>(cert.size()), nullptr);
  for (const RealToken& t : m_tokens) {
    SCOPED_TRACE(t.attribute);
    EXPECT_TRUE(Kernel::CKernelTSP::VerifyTSPToken(withStore, t.token.data(),
                                                   static_cast<unsigned long>(t.token.size()), t.stamped.data()));
    Bytes other = t.stamped;
    other[31] ^= 0x01;
    EXPECT_FALSE(Kernel::CKernelTSP::VerifyTSPToken(withStore, t.token.data(),
                                                    static_cast<unsigned long>(t.token.size()), other.data()));
  }
}

}  // namespace
}  // namespace tavrpki::test
