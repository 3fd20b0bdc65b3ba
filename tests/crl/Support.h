// Helpers of the revocation-list tests: one decoder per structure by name, and a
// short text of what a list or an entry holds, in the words of the tables.
#pragma once

#include <string>

#include "asn1/crl/ASN1CRL.h"
#include "asn1/crl/CRLMerger.h"
#include "tests/asn1_x509/Support.h"

namespace tavrpki::test {

// "SERIALHEX YYYY-MM-DD hh:mm:ss rREASON[ +OID,OID]" (the other extensions' OIDs).
std::string Reads(const ASN1CrlEntry& entry);
// "version=2 number=HEX this=... next=...|- entries=[entry; entry] extensions=OID!,OID".
std::string Reads(const ASN1TBSCertList& body);
// The body's text, then " algorithm=OID signature=HEX".
std::string Reads(const ASN1CRL& list);

// Decodes `der` as "CRL", "TBSCertList" or "CrlEntry", then encodes it.
Decoded DecodeCrlAs(const std::string& type, ByteView der);

// "YYMMDDhhmmssZ" to a DateTime, for tables that write dates as UTCTime texts.
DateTime Utc(const std::string& text);

}  // namespace tavrpki::test
