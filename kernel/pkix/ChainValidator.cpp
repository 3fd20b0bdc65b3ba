#include "kernel/pkix/ChainValidator.h"

#include <algorithm>
#include <vector>

#include "asn1/crl/CRLMerger.h"
#include "core/Catalogue.h"
#include "core/ExceptionBase.h"
#include "ext/PKIBasicConstraints.h"
#include "ext/PKIKeyUsage.h"
#include "kernel/pkix/Certificate.h"
#include "kernel/pkix/ChainBuilder.h"
#include "kernel/pkix/RevocationList.h"
#include "kernel/pkix/VerifiedLists.h"

namespace tavrpki::pkix {
namespace {

constexpr std::uint8_t kKeyCertSign = 0x04;  // of the key usage's first octet
constexpr std::uint8_t kStatusRevoked = 1;
constexpr std::uint8_t kStatusUnknown = 2;

// The OCSP reason texts of revoked answers; any other code has no name.
const char* OcspReasonText(std::uint32_t reason) {
  switch (reason) {
    case 1: return Cp1251<"компрометація особистого ключа">;
    case 2: return Cp1251<"компрометація особистого ключа акредитованого центру">;
    case 3: return Cp1251<"зміна даних про підписувача">;
    case 4: return Cp1251<"сертифікат ключа замінений">;
    case 5: return Cp1251<"закінчення строку чинності сертифіката">;
    case 6: return Cp1251<"сертифікат ключа блоковано">;
    case 8: return Cp1251<"сертифікат ключа поновлено">;
    default: return Cp1251<"Причина не визначена">;
  }
}

String SubjectText(const ASN1Certificate& cert) { return cert.TBSCertificate().Subject().ToText(); }

void AppendLine(std::string& text, const std::string& line) {
  if (line.empty()) return;
  if (!text.empty()) text += "\r\n";
  text += line;
}

class Validator {
 public:
  Validator(ChainServices& services, const ValidationOptions& options, std::vector<ASN1Certificate>& underway)
      : m_services(services), m_options(options), m_underway(underway) {}

  std::string Run(const CertificateList& chain) {
    const std::vector<CertificateEntry>& entries = chain.entries;
    if (entries.empty()) Raise(kMsgChainEmpty);
    if (!entries.back().trusted) Raise(kMsgRootNotTrusted);
    // Signer chains met below that lead back to this certificate are already
    // being validated here: they are not entered again, so validation ends.
    m_underway.push_back(entries.front().certificate);
    struct Leave {
      std::vector<ASN1Certificate>& underway;
      ~Leave() { underway.pop_back(); }
    } leave{m_underway};
    m_pathCounting = false;
    m_remaining = 0;
    for (std::size_t i = entries.size(); i-- > 0;) {
      const ASN1Certificate& cert = entries[i].certificate;
      const ASN1Certificate& issuer = i + 1 < entries.size() ? entries[i + 1].certificate : cert;
      CheckDates(cert);
      if (i != 0 || entries.size() == 1) CheckCa(cert);
      bool ocspDone = false;
      if (m_options.useOcsp) ocspDone = CheckOcsp(cert);
      if (m_options.checkCrl && !ocspDone) CheckCrls(cert, issuer, chain);
    }
    return m_text;
  }

 private:
  void CheckDates(const ASN1Certificate& cert) {
    const ASN1TBSCert& body = cert.TBSCertificate();
    // Equal times are valid; a certificate both not yet and no longer valid
    // (notAfter before notBefore) gets two lines.
    for (const bool outside : {m_options.at.Less(body.NotBefore()), m_options.at.Greater(body.NotAfter())}) {
      if (!outside) continue;
      const String subject = SubjectText(cert);
      if (m_options.throwOnError) Raise(kMsgCertificateNotValidNow, subject.CStr());
      const Exception failure(kMsgCertificateNotValidNow.code, kMsgCertificateNotValidNow.format, subject.CStr());
      AppendLine(m_text, failure.GetErrorMessage());
    }
  }

  void CheckCa(const ASN1Certificate& cert) {
    const ExtensionsCollection& extensions = cert.TBSCertificate().Extensions();
    const ASN1CertExtension* constraints = extensions.Find("2.5.29.19");
    if (constraints == nullptr) Raise(kMsgNoBasicConstraintsExtension, SubjectText(cert).CStr());
    PKIBasicConstraints basic;
    basic.FromExtension(*constraints);
    if (basic.GetCA() != 1) Raise(kMsgBadCaBasicConstraints);
    // A constraint of 0 reads the same as none, so it is not enforced; once one
    // is counting, the constraints of the CAs below are not consulted.
    if (!m_pathCounting && basic.GetPathLenConstraint() != 0) {
      m_pathCounting = true;
      m_remaining = basic.GetPathLenConstraint();
    }
    if (m_pathCounting) {
      if (m_remaining < 0) Raise(kMsgPathLengthExceeded, SubjectText(cert).CStr());
      --m_remaining;
    }
    const ASN1CertExtension* usage = extensions.Find("2.5.29.15");
    if (usage == nullptr) Raise(kMsgNoKeyUsageExtension, SubjectText(cert).CStr());
    PKIKeyUsage keyUsage;
    keyUsage.FromExtension(*usage);
    if ((keyUsage.GetKeyUsage() & kKeyCertSign) == 0) Raise(kMsgKeyUsageLacksValue, SubjectText(cert).CStr());
  }

  // True when a status was obtained, whatever came of it.
  bool CheckOcsp(const ASN1Certificate& cert) {
    bool obtained = false;
    try {
      OcspAnswer answer;
      try {
        answer = m_services.OcspStatus(cert, nullptr);
      } catch (const ExceptionBase& failure) {
        if (failure.GetErrorCode() != kMsgNoAuthorityInfoAccess.code || m_options.ocspUrl == nullptr) throw;
        answer = m_services.OcspStatus(cert, m_options.ocspUrl);
      }
      obtained = true;
      const CertificateList responderChain = BuildChain(m_services, answer.responder);
      ValidateSigner(responderChain, cert);
      if (!VerifyAgainstChain(answer.responder, responderChain.entries)) Raise(kMsgOcspSignerCaSignatureUnverifiable);
      if (answer.certStatus == kStatusRevoked)
        Raise(kMsgOcspCertificateRevoked, static_cast<int>(answer.reason), OcspReasonText(answer.reason),
              SubjectText(cert).CStr());
      if (answer.certStatus == kStatusUnknown) Raise(kMsgOcspStatusUnknown);
    } catch (const ExceptionBase&) {
      if (m_options.ocspStrict) throw;
    }
    return obtained;
  }

  // Validates the chain of an OCSP responder or a list signer with this
  // validation's options, unless it contains the certificate being checked or
  // leads to one whose validation is underway; its date lines join this text.
  void ValidateSigner(const CertificateList& signerChain, const ASN1Certificate& checked) {
    const auto contains = [&](const ASN1Certificate& wanted) {
      return std::any_of(signerChain.entries.begin(), signerChain.entries.end(),
                         [&](const CertificateEntry& entry) { return entry.certificate.Equals(wanted); });
    };
    if (contains(checked)) return;
    if (std::any_of(m_underway.begin(), m_underway.end(), contains)) return;
    Validator nested(m_services, m_options, m_underway);
    AppendLine(m_text, nested.Run(signerChain));
  }

  void CheckCrls(const ASN1Certificate& cert, const ASN1Certificate& issuer, const CertificateList& chain) {
    ASN1CRL base, delta;
    bool deltaFound = false;
    if (!m_services.FindCrls(cert, base, delta, deltaFound)) return;
    CRLMerger merger;
    for (const ASN1CRL* list : {&base, deltaFound ? &delta : nullptr}) {
      if (list == nullptr) continue;
      CheckCrlSignature(*list, cert, issuer, chain);
      merger.Add(list->TBSCertList().RevokedCertificates());
    }
    if (merger.IsRevoked(cert.TBSCertificate().SerialNumber()))
      Raise(kMsgCertificateRevoked, SubjectText(cert).CStr());
  }

  void CheckCrlSignature(const ASN1CRL& list, const ASN1Certificate& cert, const ASN1Certificate& issuer,
                         const CertificateList& chain) {
    const ASN1Certificate signer = m_services.CrlSigner(list);
    const ASN1Certificate* verifier = nullptr;
    if (signer.Equals(issuer)) {
      verifier = &issuer;
    } else {
      for (const CertificateEntry& entry : chain.entries)
        if (entry.certificate.Equals(signer)) verifier = &entry.certificate;
    }
    if (verifier == nullptr) {
      const CertificateList signerChain = BuildChain(m_services, signer);
      ValidateSigner(signerChain, cert);
      if (!VerifyAgainstChain(signer, signerChain.entries)) Raise(kMsgBadCaCertificateSignature);
      verifier = &signer;
    }
    RequireCrlSignUsage(*verifier, kMsgNoCrlSignKeyUsage);
    if (!VerifyRevocationListRemembered(list, *verifier)) {
      const ASN1TBSCertList& body = list.TBSCertList();
      Raise(kMsgBadCrlSignature, body.Issuer().ToText().CStr(), body.CrlNumber().ToText().CStr());
    }
  }

  ChainServices& m_services;
  const ValidationOptions& m_options;
  std::vector<ASN1Certificate>& m_underway;
  std::string m_text;
  bool m_pathCounting = false;
  std::int32_t m_remaining = 0;
};

}  // namespace

std::string ValidateChain(ChainServices& services, const CertificateList& chain, const ValidationOptions& options) {
  std::vector<ASN1Certificate> underway;
  Validator validator(services, options, underway);
  return validator.Run(chain);
}

}  // namespace tavrpki::pkix
