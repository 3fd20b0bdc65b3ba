// Validation of a certificate chain: trust of the root, validity dates, the CA
// constraints of every CA certificate, and revocation of every certificate by
// OCSP and/or the revocation lists of the certificate storage, validating the
// chains of OCSP responders and list signers in turn.
#pragma once

#include <string>

#include "asn1/DateTime.h"
#include "kernel/pkix/CertificateList.h"
#include "kernel/pkix/ChainServices.h"

namespace tavrpki::pkix {

struct ValidationOptions {
  // False: date failures (100013) are collected in the returned text, one per
  // line ("\r\n" between them), and validation goes on; every other failure
  // throws either way.
  bool throwOnError = true;
  bool checkCrl = false;
  bool useOcsp = false;
  // False: an OCSP failure, and a revoked or unknown answer, is ignored; a
  // certificate that got an answer is then not looked up in the lists.
  bool ocspStrict = false;
  // Asked, once, when a certificate names no responder (100033); may be null.
  const char* ocspUrl = nullptr;
  // The time the dates are checked at.
  DateTime at;
};

// Validates `chain` (index 0 the certificate it was built for, the last entry
// the root) and returns the collected date failures (empty when none).
// Failures: 100012 for an empty chain, 100054 for an untrusted root (before any
// date), then per certificate from the root down 100013 (dates), 100014 to
// 100018 (CA checks), 100039, 100040, 100057 and the OCSP client's codes
// (OCSP), 100023, 100024, 100025 and the storage's codes (lists).
std::string ValidateChain(ChainServices& services, const CertificateList& chain, const ValidationOptions& options);

}  // namespace tavrpki::pkix
