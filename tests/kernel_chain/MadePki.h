// A small PKI made with the library, for the chain tests and the chain
// benchmark: each party gets a key pair of its own (257-bit curve, DKE No.1) and
// a certificate from a draft (a CN, validity from 2026-01-01, key usage, basic
// constraints, key identifiers), signed by its issuer; lists are signed with
// CKernelCRL::Ensign. Everything made goes into the given certificate store.
#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include <tavrpki/SqliteCertStore.h>

#include "asn1/ASN1Utf8String.h"
#include "crypto/params/Dke.h"
#include "ext/PKIBasicConstraints.h"
#include "ext/PKIExtendedKeyUsage.h"
#include "ext/PKIKeyUsage.h"
#include "kernel/CKernelAllParams.h"
#include "kernel/CKernelCRL.h"
#include "kernel/CKernelCertificate.h"
#include "tests/support/CertificateDraft.h"
#include "tests/support/DkeParams.h"
#include "tests/support/Fetch.h"

namespace tavrpki::test {

inline constexpr std::uint8_t kCaUsage = 0x06;       // keyCertSign, cRLSign
inline constexpr std::uint8_t kCrlSignOnly = 0x02;   // cRLSign
inline constexpr std::uint8_t kSigningUsage = 0xC0;  // digitalSignature, nonRepudiation

struct CertPlan {
  const char* name;
  const char* issuer;             // null: self-signed, stored trusted
  const char* subject = nullptr;  // CN; the name when null
  bool ca = true;
  int pathLen = 0;
  std::uint8_t usage = kCaUsage;
  DateTime notAfter = DateTime(2030, 1, 1);
  bool untrusted = false;  // for a self-signed one
  const char* purpose = nullptr;  // the one key purpose of an extended key usage
};

struct EntrySpec {
  const char* cert;
  std::uint8_t reason;
  DateTime date;
};

struct CrlPlan {
  const char* signer;
  int number;
  int base = -1;  // a delta list of that base number; -1: a full list
  std::vector<EntrySpec> entries = {};
  bool changedAfterSigning = false;  // thisUpdate moved a day on once signed
};

class MadePki {
 public:
  struct Party {
    Kernel::CKernelDoubleKeyPair keys;
    Kernel::CKernelCertificate cert;
  };

  MadePki(const Kernel::CKernel& kernel, SqliteCertStore& store) : m_kernel(kernel), m_store(store) {}

  const Party& operator[](const std::string& name) const { return m_parties.at(name); }
  // The parameters every party's keys were made with.
  const Kernel::CKernelAllParams& Params() const { return m_params; }

  void Issue(const CertPlan& plan) {
    ASN1Certificate draft;
    ASN1TBSCert& body = draft.TBSCertificate();
    body.SerialNumber().SetValue(++m_serial);
    body.Issuer().AddAttribute("2.5.4.3", ASN1Utf8String("placeholder"));
    body.Subject().AddAttribute("2.5.4.3", ASN1Utf8String(plan.subject ? plan.subject : plan.name));
    body.SetValidity(DateTime(2026, 1, 1), plan.notAfter);
    PKIKeyUsage usage;
    usage.SetKeyUsage(plan.usage);
    body.Extensions().Append(usage.ToExtension());
    PKIBasicConstraints constraints;
    constraints.SetCA(plan.ca ? 1 : 0);
    constraints.SetPathLenConstraint(plan.pathLen);
    body.Extensions().Append(constraints.ToExtension());
    if (plan.purpose != nullptr) {
      PKIExtendedKeyUsage purposes;
      purposes.Add(plan.purpose);
      body.Extensions().Append(purposes.ToExtension());
    }

    Kernel::CKernelDoubleKeyPair keys = MakeKeys();
    const std::vector<std::uint8_t> der = EncodeDraft(draft);
    Kernel::CKernelCertificate cert(m_kernel);
    cert.InitFromBuffer(der.data(), static_cast<unsigned long>(der.size()), false);
    cert.SetCertSignKeys(keys);
    cert.AddSubjectKeyIdentifier();
    const Party* issuer = plan.issuer ? &m_parties.at(plan.issuer) : nullptr;
    if (issuer == nullptr) {
      cert.MakeIssuerEqualSubject();
      cert.AddAuthorityKeyIdentifier();
    } else {
      cert.SetIssuerFromCert(issuer->cert);
      cert.AddAuthorityKeyIdentifier(issuer->cert);
    }
    cert.Ensign(issuer ? issuer->keys : keys, m_dke.data());
    const std::int64_t id = m_store.Add(Fetch([&](unsigned char* b, unsigned long* n) { cert.GetCertBuffer(b, n); })).id;
    if (issuer == nullptr && !plan.untrusted) m_store.SetTrusted(id, 1);
    m_parties.emplace(plan.name, Party{keys, cert});
  }

  // Lists are current on 2026-06-01: from 2026-05-01 to 2026-07-01. The store's
  // id of the list.
  std::int64_t Sign(const CrlPlan& plan) {
    Kernel::CKernelCRL crl(m_kernel);
    crl.SetThisUpdate(DateTime(2026, 5, 1).SystemTime());
    crl.SetNextUpdate(DateTime(2026, 7, 1).SystemTime());
    crl.SetSerialNo(plan.number);
    if (plan.base >= 0) crl.SetDeltaIndicator(plan.base);
    for (const EntrySpec& entry : plan.entries)
      crl.AddNewEntry(m_parties.at(entry.cert).cert, entry.reason, entry.date.SystemTime());
    const Party& signer = m_parties.at(plan.signer);
    crl.Ensign(signer.cert, signer.keys, m_dke.data());
    std::vector<std::uint8_t> der = Fetch([&](unsigned char* b, unsigned long* n) { crl.GetCRLBuffer(b, n); });
    if (plan.changedAfterSigning) {
      const std::string thisUpdate = "260501000000Z";
      const auto at = std::search(der.begin(), der.end(), thisUpdate.begin(), thisUpdate.end());
      if (at != der.end()) at[5] = '2';
    }
    return m_store.Add(der).id;
  }

 private:
  Kernel::CKernelDoubleKeyPair MakeKeys() { return m_kernel.Generate4145DoubleKeyPair(m_params, false); }

  const Kernel::CKernel& m_kernel;
  SqliteCertStore& m_store;
  std::map<std::string, Party> m_parties;
  std::int64_t m_serial = 100;
  params::Dke m_dke = params::kDke1;
  Kernel::CKernelAllParams m_params = MakeParams(m_kernel);
};

}  // namespace tavrpki::test
