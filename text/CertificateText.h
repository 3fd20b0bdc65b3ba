// A certificate as text for people, in the layout of `openssl x509 -text`, UTF-8:
// version, serial, signature algorithm (name and OID), issuer and subject (the
// one-line rendering, then each attribute on its own line by its short name),
// validity, the public key (curve, basis, S-box, key octets), every extension with
// its critical flag and decoded value, and the signature.
//
// Names and texts keep their characters (Cyrillic as it is); control characters in
// a certificate's texts are shown as "." so a crafted text cannot forge lines.
// Extension values and key parameters that do not read are shown with the reason
// and their octets in hexadecimal, the rest of the certificate still shown. The
// system's own extensions are recognised by their OIDs once GetKernelInstance has
// formed them from the configured root; before that they show as unknown ones.
//
// Failures: input that is not a certificate this system reads throws
// tavrpki::Exception (a tavrpki::ExceptionBase) with the decoder's code (50031 for
// a non-certificate, 50026 for a bad body, ...); nothing is returned then.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace tavrpki {

// The text of the DER certificate `der`, each line ended by "\n".
std::string CertificateText(std::span<const std::uint8_t> der);

}  // namespace tavrpki
