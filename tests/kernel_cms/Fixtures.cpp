#include "kernel_cms/Fixtures.h"

#include "asn1/ASN1PrintableString.h"
#include "asn1/ASN1Utf8String.h"
#include "asn1/x509/ASN1Certificate.h"
#include "crypto/params/Dke.h"
#include "kernel/CKernelAllParams.h"
#include "support/CertificateDraft.h"

namespace tavrpki::test {
namespace {

std::vector<std::uint8_t> Template() {
  ASN1Certificate cert;
  ASN1TBSCert& body = cert.TBSCertificate();
  body.SerialNumber().SetValue(0x1234567);
  body.Issuer().AddAttribute("2.5.4.3", ASN1Utf8String("placeholder"));
  body.Subject().AddAttribute("2.5.4.3", ASN1Utf8String("CMS signer"));
  body.Subject().AddAttribute("2.5.4.6", ASN1PrintableString("UA"));
  body.SetValidity(DateTime(2026, 1, 1), DateTime(2036, 1, 1));
  return EncodeDraft(cert);
}

}  // namespace

Signer MakeSigner(const Kernel::CKernel& kernel, bool ownExtensions, __int64 serial) {
  params::Dke dke = params::kDke1;
  Kernel::CKernelAllParams params(kernel);
  params.SetRandomSBox(dke.data());
  params.SetCryptSBox(dke.data());
  params.SetSignParams(kernel.GenerateAsymmetric4145Params("1.2.804.2.1.1.1.1.3.1.1.2.6", dke.data()));
  params.SetCryptParams(kernel.GenerateAsymmetric4145Params("1.2.804.2.1.1.1.1.3.1.1.2.6", dke.data()));
  Kernel::CKernelDoubleKeyPair keys = kernel.Generate4145DoubleKeyPair(params, true);
  Kernel::CKernelCertificate cert(kernel);
  const std::vector<std::uint8_t> der = Template();
  cert.InitFromBuffer(der.data(), static_cast<unsigned long>(der.size()), false);
  if (ownExtensions) {
    cert.SetCertKeys(keys);
    cert.SetAdditionalParams(params);
  } else {
    cert.SetCertSignKeys(keys);
  }
  cert.SetSerialNo(serial);
  cert.MakeIssuerEqualSubject();
  cert.Ensign(keys, dke.data());
  return {keys, cert};
}

}  // namespace tavrpki::test
