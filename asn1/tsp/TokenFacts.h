// What programs show of time-stamp tokens without checking them: the TSTInfo a
// token signs and who signed it, and the signature time stamp a CAdES-T signer
// carries among its unsigned attributes. Checking is Kernel::CKernelTSP's.
//
// Public header: the tool uses it. Bad input throws the library's exception
// (tavrpki::ExceptionBase) with the structure's code: 50051 (ContentInfo),
// 50053 (SignedData), 50052 (SignerInfo), 50054 (TSTInfo).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "asn1/tsp/TimeStamp.h"

namespace tavrpki::tsp {

struct TokenFacts {
  TstInfo info;
  std::string signerIssuer;  // the first signer's issuer as "CN = ...; " (UTF-8); empty without a signer
  std::string signerSerial;  // its serial number in upper-case hexadecimal
  Bytes signerCertificate;   // the certificate in the token that names that signer; empty when none does
};

// From the DER of a token (a ContentInfo of type signed-data).
TokenFacts ReadTokenFacts(std::span<const std::uint8_t> token);

// Whether `certificate` (DER) has the issuer and serial number of the token's
// first signer: the one to look for elsewhere when the token carries none. A
// certificate that does not decode names no one.
bool NamesTokenSigner(std::span<const std::uint8_t> token, std::span<const std::uint8_t> certificate);

struct SignatureTimeStamp {
  Bytes token;      // the first value of unsigned attribute 1.2.840.113549.1.9.16.2.14; empty when none
  Bytes signature;  // the signer's signature octets, which that token stamps (their GOST 34.311 hash)
};

// From the DER of one SignerInfo.
SignatureTimeStamp SignatureTimeStampOf(std::span<const std::uint8_t> signerInfo);

}  // namespace tavrpki::tsp
