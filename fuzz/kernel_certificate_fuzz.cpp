// The exported certificate class over arbitrary bytes: InitFromBuffer (with and
// without accepting any signature algorithm, chosen by the first byte), then
// the writer and every getter that reads what was loaded: serials, dates, the
// extensions by OID, the key identifiers, the signing key out of
// subjectPublicKeyInfo (parameters and point decompression), the self-signed
// check and the signature check under its own key.
//
// A failure must be the library's exception and leave the object exactly as it
// was; anything else (a crash, a read past the input, a foreign exception)
// is a finding.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "asn1/x509/ASN1Certificate.h"
#include "kernel/CKernelCertificate.h"
#include "kernel/CKernelException.h"
#include "kernel/GetKernelInstance.h"
#include "kernel/HandleCast.h"
#include "tests/support/QuietConfiguration.h"

namespace {

const bool kQuietConfiguration = tavrpki::test::QuietConfiguration("/tmp/tavrpki-kernel-certificate-fuzz.reg");

std::vector<unsigned char> DerOf(const Kernel::CKernelCertificate& cert) {
  unsigned long length = 0;
  cert.GetCertBuffer(nullptr, &length);
  std::vector<unsigned char> der(length);
  cert.GetCertBuffer(der.data(), &length);
  der.resize(length);
  return der;
}

// Runs a getter; the library's exception is an answer like any other.
template <class Getter>
void Try(Getter&& getter) {
  try {
    getter();
  } catch (const Kernel::CKernelException&) {
  }
}

void ReadEverything(const Kernel::CKernelCertificate& cert) {
  std::vector<unsigned char> buffer(4096);
  unsigned long length = 0;
  Try([&] { (void)cert.GetSerialNo(); });
  Try([&] { cert.GetSerialNo(nullptr, &length); });
  (void)cert.GetDateValidNotBefore();
  (void)cert.GetDateValidNotAfter();
  for (const tavrpki::ASN1CertExtension& extension :
       Kernel::CertificateOf(cert).TBSCertificate().Extensions()) {
    length = static_cast<unsigned long>(buffer.size());
    Try([&] { cert.GetExtension(extension.OidText().CStr(), buffer.data(), &length); });
  }
  length = static_cast<unsigned long>(buffer.size());
  Try([&] { cert.GetSubjectKeyId(buffer.data(), &length); });
  length = static_cast<unsigned long>(buffer.size());
  Try([&] { cert.GetAuthorityKeyId(buffer.data(), &length); });
  Try([&] { (void)cert.IsSelfSigned(); });
  Try([&] { (void)cert.VerifySignature(cert.GetCertSignKey()); });
}

struct Setup {
  Kernel::CKernel kernel = GetKernelInstance();
  Kernel::CKernelCertificate seed{kernel};
  std::vector<unsigned char> seedDer;

  Setup() {
    std::ifstream in(TAVRPKI_FUZZ_SEED_CERT, std::ios::binary);
    const std::vector<unsigned char> der(std::istreambuf_iterator<char>(in), {});
    if (der.empty()) std::abort();
    seed.InitFromBuffer(der.data(), static_cast<unsigned long>(der.size()), false);
    seedDer = DerOf(seed);
  }
};

Setup& Shared() {
  static Setup setup;
  return setup;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2 || size > 16384) return 0;
  Setup& setup = Shared();
  const bool acceptAny = (data[0] & 1) != 0;
  Kernel::CKernelCertificate cert(setup.seed);
  try {
    cert.InitFromBuffer(data + 1, static_cast<unsigned long>(size - 1), acceptAny);
  } catch (const Kernel::CKernelException&) {
    if (DerOf(cert) != setup.seedDer) std::abort();  // a failed load changed the object
    return 0;
  }
  Try([&] { (void)DerOf(cert); });
  ReadEverything(cert);
  return 0;
}
