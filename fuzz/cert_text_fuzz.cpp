// The certificate printer over arbitrary bytes: it returns text or throws the
// library's exception, never crashes or reads past the input. The system's own
// extension OIDs are formed from a fixed root, so their printers run too.
#include <stdlib.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "core/ExceptionBase.h"
#include "core/OidTable.h"
#include "text/CertificateText.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const std::string path = "/tmp/tavrpki-cert-text-fuzz.reg";
  std::ofstream(path) << "Windows Registry Editor Version 5.00\r\n\r\n"
                         "[HKEY_LOCAL_MACHINE\\SOFTWARE\\TAVR_PKI]\r\n\"RootOID\"=\"1.2.3.4\"\r\n";
  setenv("TAVR_PKI_SYSTEM_CONFIG", path.c_str(), 1);
  tavrpki::BuildOidTable();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    const std::string text = tavrpki::CertificateText(std::span<const std::uint8_t>(data, size));
    // Every line is ended and no control character of the input reaches the text.
    if (text.empty() || text.back() != '\n') std::abort();
    for (char c : text)
      if ((static_cast<unsigned char>(c) < 0x20 && c != '\n') || c == 0x7F) std::abort();
  } catch (const tavrpki::ExceptionBase&) {
  }
  return 0;
}
