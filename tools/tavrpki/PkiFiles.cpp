#include "PkiFiles.h"


#include "Output.h"
#include "asn1/InputForm.h"

namespace tavrpki::tool {
namespace {

std::string Base64(const std::vector<std::uint8_t>& data) {
  static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  std::size_t i = 0;
  for (; i + 3 <= data.size(); i += 3) {
    const unsigned v = data[i] << 16 | data[i + 1] << 8 | data[i + 2];
    for (int k = 18; k >= 0; k -= 6) out.push_back(kAlphabet[(v >> k) & 63]);
  }
  if (i + 1 == data.size()) {
    const unsigned v = data[i] << 16;
    out += {kAlphabet[v >> 18 & 63], kAlphabet[v >> 12 & 63], '=', '='};
  } else if (i + 2 == data.size()) {
    const unsigned v = data[i] << 16 | data[i + 1] << 8;
    out += {kAlphabet[v >> 18 & 63], kAlphabet[v >> 12 & 63], kAlphabet[v >> 6 & 63], '='};
  }
  return out;
}

}  // namespace

void WriteDerOrPem(const std::string& path, const std::vector<std::uint8_t>& der, bool pem, const char* label) {
  OutputFile out(path.empty() ? "-" : path);
  if (pem) {
    const std::string text = Base64(der);
    std::string body = std::string("-----BEGIN ") + label + "-----\n";
    for (std::size_t at = 0; at < text.size(); at += 64) body += text.substr(at, 64) + "\n";
    body += std::string("-----END ") + label + "-----\n";
    out.Write(body.data(), body.size());
  } else {
    out.Write(der.data(), der.size());
  }
  out.Commit();
}

Args OutputOption(const Args& args) {
  Args out = args;
  for (std::string& a : out)
    if (a == "-o") a = "--output";
  return out;
}

}  // namespace tavrpki::tool
