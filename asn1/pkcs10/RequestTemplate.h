// Certification requests for programs that hold DER: the starting point of a
// new request (a subject name's DER in, a request with that subject and nothing
// else out, for Kernel::CKernelCertRequest::InitFromBuffer; its key, algorithm
// and signature are placeholders that CKernelCertRequest::Ensign replaces), and
// the outline of a request for showing it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tavrpki {

// `subjectDer` must be a Name (else tavrpki::Exception, the name's decode failure).
std::vector<std::uint8_t> UnsignedRequestDer(std::span<const std::uint8_t> subjectDer);

struct RequestAttributeOutline {
  std::string type;                 // dotted OID
  std::size_t valueCount = 0;
  bool firstIsText = false;         // the first value is a UTF8String (or Printable/IA5)
  std::string firstText;            // its text as UTF-8 when it is one
};

struct RequestOutline {
  std::vector<std::uint8_t> subject;  // Name DER
  std::string signatureAlgorithm;     // dotted OID
  std::string keyAlgorithm;           // dotted OID of subjectPublicKeyInfo
  std::vector<std::uint8_t> publicKey;  // the key octets as stored
  std::vector<RequestAttributeOutline> attributes;
};

// A request that does not decode throws tavrpki::Exception.
RequestOutline OutlineRequest(std::span<const std::uint8_t> der);

}  // namespace tavrpki
