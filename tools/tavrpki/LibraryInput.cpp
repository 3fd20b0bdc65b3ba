#include "LibraryInput.h"

#include "Command.h"
#include "asn1/InputForm.h"

namespace tavrpki::tool {

std::vector<std::uint8_t> ReadDerFile(const std::string& path) {
  const auto data = ReadInputFile(path);
  if (data.empty()) throw UsageError{path + ": no data"};
  return DecodeDerInput(data).der;
}

Kernel::CKernelCertificate LoadCertificate(const Kernel::CKernel& kernel, const std::string& path) {
  const auto der = ReadDerFile(path);
  Kernel::CKernelCertificate certificate(kernel);
  certificate.InitFromBuffer(der.data(), static_cast<unsigned long>(der.size()), false);
  return certificate;
}

}  // namespace tavrpki::tool
