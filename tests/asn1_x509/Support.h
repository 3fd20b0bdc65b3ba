// Helpers of the certificate structure tests: one decoder per structure by name
// (so tables name the type they feed), a short text of what a value holds, and a
// strict DER checker for what the library writes.
#pragma once

#include <functional>
#include <string>

#include "asn1/x509/ASN1Certificate.h"
#include "asn1/x509/ExtensionValues.h"
#include "tests/asn1/Support.h"

namespace tavrpki::test {

struct Decoded {
  std::string reads;    // what the value holds, in the words of the tables
  std::string encodes;  // its encoding (hex)
};

// What a value holds, in the words of the tables.
std::string Reads(const ASN1BasicConstriants& v);  // "CA 2" or "EE"
std::string Reads(const ASN1AuthKeyID& v);         // "[wrapped ]ID[ issuer=...][ serial=HEX]"
std::string Reads(const ASN1DistributionPoint& v);  // the URLs
std::string Reads(const ASN1AuthInfoAccess& v);     // "first=URL second=URL method=URL ..."
std::string Reads(const ASN1ExtKeyUsage& v);        // the OIDs
std::string Reads(const ASN1CertPolicies& v);       // the policy OIDs
std::string Reads(const ASN1QCStatements& v);       // the statement OIDs
std::string Reads(const ExtensionsCollection& v);   // "OID!,OID" ("!" when critical)
std::string Reads(const ASN1CertExtension& v);      // "OID[!] VALUEHEX"
std::string Reads(const ASN1TBSCert& v);            // Summary
std::string Reads(const ASN1Certificate& v);        // Summary and " signature=HEX"

// Decodes `der` as the structure named `type` ("Certificate", "TBSCertificate",
// "Extensions", "Extension", "BasicConstraints", "AuthKeyID", "DistributionPoint",
// "AuthInfoAccess", "ExtKeyUsage", "CertPolicies", "QCStatements"), then encodes it.
// Unknown names fail the test.
Decoded DecodeAs(const std::string& type, ByteView der);

// What a certificate body holds: "version=2 serial=01 validity=UTC extensions=2.5.29.19!,2.5.29.15".
std::string Summary(const ASN1TBSCert& body);

// Empty when `der` is one DER element whose every nested element (constructed
// ones, recursively) uses minimal lengths, low tag numbers in one octet, BOOLEAN
// 00/FF, minimal INTEGERs and a BIT STRING unused-bits count below 8 (0 when
// empty); otherwise where and why not.
std::string StrictDerProblem(ByteView der);

// Uppercase hexadecimal of bytes, as the tables write them.
inline std::string HexOf(ByteView bytes) { return H(Blob(bytes)); }

}  // namespace tavrpki::test
