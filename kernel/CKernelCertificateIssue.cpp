// The certificate members a certification authority needs beyond the template
// workflow: serial numbers of any length and a validity given outright.
#include <utility>

#include "asn1/DateTime.h"
#include "asn1/x509/ASN1Certificate.h"
#include "kernel/Boundary.h"
#include "kernel/CKernelCertificate.h"

namespace Kernel {

void CKernelCertificate::SetSerialNo(const unsigned char* octets, unsigned long length) {
  Boundary([&] {
    RequireArgument(octets != nullptr && length != 0 && length <= 0xFFFFFFFFu);
    m_certificate->TBSCertificate().SerialNumber().SetBytes(tavrpki::ByteView(octets, length));
  });
}

void CKernelCertificate::SetValidity(const _SYSTEMTIME& from, const _SYSTEMTIME& to) {
  Boundary([&] {
    const tavrpki::DateTime notBefore(from);
    const tavrpki::DateTime notAfter(to);
    RequireArgument(!notBefore.Greater(notAfter));
    m_certificate->TBSCertificate().SetValidity(notBefore, notAfter);
  });
}

}  // namespace Kernel
