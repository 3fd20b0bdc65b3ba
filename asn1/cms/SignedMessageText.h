// Signed messages as text for people (UTF-8): the structure with every signed
// and unsigned attribute decoded, time-stamp tokens shown as the signed messages
// they are; and the few facts a verifier prints per signer.
//
// Public header: the tool uses it. Bad input throws the library's Exception with
// the structure's code (50051, 50053, 50052); an attribute value that does not
// decode is shown as its hexadecimal DER instead.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace tavrpki {

// The whole message (a DER ContentInfo of type signed-data).
std::string SignedMessageText(std::span<const std::uint8_t> der);

// The subject name of a certificate ("CN = ...; C = UA; ") and its serial number
// in hexadecimal.
std::string CertificateSubjectText(std::span<const std::uint8_t> certificate);
std::string CertificateSerialText(std::span<const std::uint8_t> certificate);

// The signing time of a DER SignerInfo as "YYYY-MM-DD HH:MM:SS UTC"; empty when it
// has none.
std::string SigningTimeText(std::span<const std::uint8_t> signerInfo);

}  // namespace tavrpki
