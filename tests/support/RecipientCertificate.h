// A recipient certificate for the encrypted envelope, made by the library: a DER
// template, then SetCertKeys (the key-agreement key into root.1),
// SetAdditionalParams (the S-boxes into root.6), the key container name, and a
// signature by the holder's own key. The system's OIDs must have been formed
// (GetKernelInstance with a RootOID configured).
#pragma once

#include <string>

#include "asn1/ASN1Utf8String.h"
#include "asn1/x509/ASN1Certificate.h"
#include "crypto/params/Dke.h"
#include "kernel/CKernelAllParams.h"
#include "kernel/CKernelCertificate.h"
#include "kernel/CKernelDoubleKeyPair.h"
#include "support/CertificateDraft.h"

namespace tavrpki::test {

// A self-signed certificate for `keys` with both extensions an envelope needs;
// `container` names the key in the key storage when not empty.
inline Kernel::CKernelCertificate MakeRecipient(const Kernel::CKernel& kernel, const char* name,
                                                const Kernel::CKernelDoubleKeyPair& keys,
                                                const Kernel::CKernelAllParams& params,
                                                const std::string& container = "") {
  ASN1Certificate draft;
  ASN1TBSCert& body = draft.TBSCertificate();
  body.SerialNumber().SetValue(1);
  body.Issuer().AddAttribute("2.5.4.3", ASN1Utf8String(name));
  body.Subject().AddAttribute("2.5.4.3", ASN1Utf8String(name));
  body.SetValidity(DateTime(2026, 1, 1), DateTime(2028, 1, 1));
  const std::vector<std::uint8_t> der = EncodeDraft(draft);

  Kernel::CKernelCertificate cert(kernel);
  cert.InitFromBuffer(der.data(), static_cast<unsigned long>(der.size()), false);
  cert.SetCertKeys(keys);
  cert.SetAdditionalParams(params);
  if (!container.empty()) cert.SetKeyContainerName(const_cast<char*>(container.c_str()));
  params::Dke randomSBox = params::kDke1;
  cert.Ensign(keys, randomSBox.data());
  return cert;
}

}  // namespace tavrpki::test
