// The messages of RFC 3161 time stamping as plain values: the request a client
// sends, the response a time-stamp authority answers with, and the TSTInfo that
// the authority signs into its token (a CMS signed message whose encapsulated
// content, of type id-ct-TSTInfo, is that TSTInfo's DER).
//
// Public header: the tool and the time-stamp authority build and read these
// messages with it. Every value is copied in and out; nothing points into the
// bytes decoded. Decoding is strict: the outer element must be a SEQUENCE of the
// expected shape with nothing after its last field and nothing after the element
// itself, so what decodes also re-encodes byte for byte (DER input assumed: a
// BOOLEAN written at its DEFAULT, or a BIT STRING with trailing zero bits, is
// read but written the DER way). Failures throw the library's exception
// (tavrpki::ExceptionBase) with code 50055 for a request and 50054 for a response
// or a TSTInfo, and leave nothing half-built.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/Time.h"

namespace tavrpki::tsp {

using Bytes = std::vector<std::uint8_t>;

inline constexpr const char* kOidGost34311 = "1.2.804.2.1.1.1.1.2.1";
// The content type of a token's encapsulated TSTInfo.
inline constexpr const char* kOidTstInfo = "1.2.840.113549.1.9.16.1.4";
// The extended key usage a time-stamp authority's certificate must carry.
inline constexpr const char* kOidTimeStamping = "1.3.6.1.5.5.7.3.8";

// PKIStatus values.
enum PkiStatus : std::int64_t {
  kGranted = 0,
  kGrantedWithMods = 1,
  kRejection = 2,
  kWaiting = 3,
  kRevocationWarning = 4,
  kRevocationNotification = 5,
};

// PKIFailureInfo bit numbers; a failInfo value is the sum of (1u << bit).
enum FailureBit : unsigned {
  kBadAlg = 0,
  kBadRequest = 2,
  kBadDataFormat = 5,
  kTimeNotAvailable = 14,
  kUnacceptedPolicy = 15,
  kUnacceptedExtension = 16,
  kAddInfoNotAvailable = 17,
  kSystemFailure = 25,
};

//   MessageImprint ::= SEQUENCE { hashAlgorithm AlgorithmIdentifier,
//                                 hashedMessage OCTET STRING }
struct MessageImprint {
  std::string hashAlgorithm = kOidGost34311;  // dotted OID
  Bytes hashParameters;                      // DER of the parameters; empty: absent
  Bytes hashedMessage;
};

//   TimeStampReq ::= SEQUENCE {
//     version INTEGER { v1(1) },
//     messageImprint MessageImprint,
//     reqPolicy TSAPolicyId OPTIONAL,
//     nonce INTEGER OPTIONAL,
//     certReq BOOLEAN DEFAULT FALSE,
//     extensions [0] IMPLICIT Extensions OPTIONAL }
struct TimeStampReq {
  std::int64_t version = 1;
  MessageImprint messageImprint;
  std::string reqPolicy;  // dotted OID; empty: absent
  Bytes nonce;            // INTEGER content octets, big-endian; empty: absent
  bool certReq = false;
  Bytes extensions;       // the whole [0] element; empty: absent
};

//   PKIStatusInfo ::= SEQUENCE { status PKIStatus,
//                                statusString PKIFreeText OPTIONAL,
//                                failInfo PKIFailureInfo OPTIONAL }
//   PKIFreeText ::= SEQUENCE SIZE (1..MAX) OF UTF8String
//   PKIFailureInfo ::= BIT STRING
struct PkiStatusInfo {
  std::int64_t status = kGranted;
  std::vector<std::string> statusString;  // UTF-8 texts; empty: absent
  std::optional<std::uint32_t> failInfo;  // bits 0..31
};

//   TimeStampResp ::= SEQUENCE { status PKIStatusInfo,
//                                timeStampToken TimeStampToken OPTIONAL }
struct TimeStampResp {
  PkiStatusInfo status;
  Bytes timeStampToken;  // DER ContentInfo of the token; empty: absent
};

//   Accuracy ::= SEQUENCE { seconds INTEGER OPTIONAL,
//                           millis [0] INTEGER (1..999) OPTIONAL,
//                           micros [1] INTEGER (1..999) OPTIONAL }
struct Accuracy {
  std::optional<std::uint64_t> seconds;
  std::optional<std::uint32_t> millis;
  std::optional<std::uint32_t> micros;
};

//   TSTInfo ::= SEQUENCE {
//     version INTEGER { v1(1) },
//     policy TSAPolicyId,
//     messageImprint MessageImprint,
//     serialNumber INTEGER,
//     genTime GeneralizedTime,
//     accuracy Accuracy OPTIONAL,
//     ordering BOOLEAN DEFAULT FALSE,
//     nonce INTEGER OPTIONAL,
//     tsa [0] GeneralName OPTIONAL,
//     extensions [1] IMPLICIT Extensions OPTIONAL }
struct TstInfo {
  std::int64_t version = 1;
  std::string policy;  // dotted OID
  MessageImprint messageImprint;
  Bytes serialNumber;  // INTEGER content octets, big-endian, never empty
  // UTC, to the millisecond: written YYYYMMDDHHMMSS[.f]Z with the fraction's
  // trailing zeros dropped; a read fraction finer than milliseconds is cut there.
  _SYSTEMTIME genTime{};
  std::optional<Accuracy> accuracy;
  bool ordering = false;
  Bytes nonce;       // as in the request; empty: absent
  Bytes tsa;         // the whole [0] element (it holds one GeneralName); empty: absent
  Bytes extensions;  // the whole [1] element; empty: absent
};

Bytes Encode(const TimeStampReq& request);
Bytes Encode(const TimeStampResp& response);
Bytes Encode(const TstInfo& info);

TimeStampReq DecodeTimeStampReq(std::span<const std::uint8_t> der);
TimeStampResp DecodeTimeStampResp(std::span<const std::uint8_t> der);
TstInfo DecodeTstInfo(std::span<const std::uint8_t> der);

// The content octets of a non-negative INTEGER (a serial number or a nonce).
Bytes IntegerOctets(std::uint64_t value);

}  // namespace tavrpki::tsp
