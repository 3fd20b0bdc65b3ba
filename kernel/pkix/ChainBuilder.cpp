#include "kernel/pkix/ChainBuilder.h"

#include <algorithm>

#include "core/Catalogue.h"
#include "ext/PKIAuthKeyId.h"
#include "ext/PKISubjKeyId.h"
#include "kernel/pkix/Certificate.h"

namespace tavrpki::pkix {
namespace {

// Both identifiers are required; only the authority's is used for the lookup.
PKIAuthKeyId RequireKeyIdentifiers(const ASN1Certificate& cert) {
  PKISubjKeyId subjectKeyId;
  ReadExtension(cert, subjectKeyId, kMsgNoSubjectKeyIdExtension);
  PKIAuthKeyId authorityKeyId;
  ReadExtension(cert, authorityKeyId, kMsgNoAuthorityKeyIdExtension);
  return authorityKeyId;
}

[[noreturn]] void IssuerNotFound(const ASN1Certificate& last) {
  const String issuer = last.TBSCertificate().Issuer().ToText();
  Raise(kMsgCaCertificateNotFound, issuer.CStr());
}

}  // namespace

CertificateList BuildChain(ChainServices& services, const ASN1Certificate& cert) {
  CertificateList chain;
  chain.entries.push_back({cert, services.IsTrusted(cert)});
  PKIAuthKeyId authorityKeyId = RequireKeyIdentifiers(cert);
  while (!IsSelfSigned(chain.entries.back().certificate)) {
    ASN1Certificate issuer;
    if (!services.FindByKeyId(authorityKeyId.GetKeyId(), authorityKeyId.GetSerialNumber(), issuer))
      IssuerNotFound(chain.entries.back().certificate);
    // Two CAs that name each other as issuer (cross certificates without a
    // root in the storage) would otherwise make the walk endless.
    const bool seen = std::any_of(chain.entries.begin(), chain.entries.end(),
                                  [&](const CertificateEntry& entry) { return entry.certificate.Equals(issuer); });
    if (seen) IssuerNotFound(chain.entries.back().certificate);
    const bool trusted = services.IsTrusted(issuer);
    chain.entries.push_back({std::move(issuer), trusted});
    authorityKeyId = RequireKeyIdentifiers(chain.entries.back().certificate);
  }
  return chain;
}

}  // namespace tavrpki::pkix
