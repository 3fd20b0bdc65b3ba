// The starting point of a new certification request for programs that hold a
// subject name's DER: a request with that subject and nothing else, for
// Kernel::CKernelCertRequest::InitFromBuffer. Its key, algorithm and signature
// are placeholders that CKernelCertRequest::Ensign replaces.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace tavrpki {

// `subjectDer` must be a Name (else tavrpki::Exception, the name's decode failure).
std::vector<std::uint8_t> UnsignedRequestDer(std::span<const std::uint8_t> subjectDer);

}  // namespace tavrpki
