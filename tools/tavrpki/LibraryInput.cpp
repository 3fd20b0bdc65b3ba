#include "LibraryInput.h"

#include <cstdio>

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

SignedAndIssuer ReadSignedAndIssuer(const Args& args) {
  const Options options(args, {"issuer"}, {});
  if (options.Positional().size() != 1) throw UsageError{"give one FILE (or - for standard input)"};
  SignedAndIssuer paths{options.Positional()[0], options.Required("issuer")};
  if (paths.file == "-" && paths.issuer == "-") throw UsageError{"only one input can be standard input"};
  return paths;
}

int SignatureVerdict(bool verified) {
  std::puts(verified ? "ok" : "bad signature");
  return verified ? 0 : 1;
}

}  // namespace tavrpki::tool
