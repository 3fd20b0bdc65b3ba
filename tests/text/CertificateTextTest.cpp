// The certificate printer: extension values as a table (tests/data/text/extensions.vec)
// put into a real certificate, the real certificates themselves, and damaged input.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "asn1/x509/ASN1Certificate.h"
#include "core/ExceptionBase.h"
#include "core/OidTable.h"
#include "support/ConfigSandbox.h"
#include "support/VectorFile.h"
#include "text/CertificateText.h"

namespace tavrpki {
namespace {

using test::DataPath;
using test::ReadFileBytes;

std::vector<std::string> TrimmedLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    const auto first = line.find_first_not_of(' ');
    const auto last = line.find_last_not_of(' ');
    lines.push_back(first == std::string::npos ? "" : line.substr(first, last - first + 1));
  }
  return lines;
}

bool HasLine(const std::vector<std::string>& lines, const std::string& wanted) {
  for (const std::string& line : lines)
    if (line == wanted) return true;
  return false;
}

std::vector<std::uint8_t> WithOnlyExtension(const std::vector<std::uint8_t>& der, const char* oid, bool critical,
                                            const std::vector<std::uint8_t>& value) {
  ASN1Certificate certificate;
  certificate.Decode(der);
  ExtensionsCollection& extensions = certificate.TBSCertificate().Extensions();
  extensions.Clear();
  ASN1CertExtension extension;
  extension.SetOid(oid);
  extension.SetCritical(critical);
  extension.SetValue(ByteView(value));
  extensions.Append(extension);
  Blob out;
  certificate.Encode(out);
  return {out.begin(), out.end()};
}

TEST(CertificateText, ExtensionValues) {
  test::ConfigSandbox sandbox;
  sandbox.WriteSystem("\"RootOID\"=\"1.2.3.4\"");
  BuildOidTable();
  const auto root = ReadFileBytes(DataPath("real/test-pki/root.cer"));
  for (const auto& v : test::ReadVectorFile("text/extensions.vec")) {
    SCOPED_TRACE(v.Where());
    const auto der = WithOnlyExtension(root, v.Get("oid").c_str(), v.Get("critical") == "yes", v.Bytes("value"));
    const std::string text = CertificateText(der);
    const auto lines = TrimmedLines(text);
    for (const auto& [key, wanted] : v.fields) {
      if (key.rfind("line", 0) != 0) continue;
      v.Skip(key);
      EXPECT_TRUE(HasLine(lines, wanted)) << "missing: " << wanted << "\n" << text;
    }
    // Whatever the extension, the signature still closes the text.
    EXPECT_NE(text.find("Signature Value (64 bytes):"), std::string::npos);
    v.ExpectAllUsed();
  }
}

// Every real certificate prints whole: each extension decoded (none unreadable),
// names with their Cyrillic, the key with its curve.
TEST(CertificateText, RealCertificates) {
  std::size_t count = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(DataPath("real"))) {
    if (entry.path().extension() != ".cer") continue;
    SCOPED_TRACE(entry.path().string());
    ++count;
    const std::string text = CertificateText(ReadFileBytes(entry.path().string()));
    EXPECT_EQ(text.find("unreadable"), std::string::npos) << text;
    EXPECT_NE(text.find("Curve: DSTU4145-"), std::string::npos) << text;
    EXPECT_NE(text.find("X509v3 Key Usage: critical"), std::string::npos) << text;
    EXPECT_NE(text.find("C = UA"), std::string::npos) << text;
  }
  EXPECT_GE(count, 15u);
}

// Damaged certificates: every truncation and every flipped byte either prints or
// fails with one of the library's exceptions, and never reads past the input (the
// sanitizer build watches that).
TEST(CertificateText, DamagedInput) {
  const auto der = ReadFileBytes(DataPath("real/diia-test-sign-2022.cer"));
  std::size_t failures = 0;
  for (std::size_t size = 0; size < der.size(); ++size) {
    const std::vector<std::uint8_t> cut(der.begin(), der.begin() + static_cast<std::ptrdiff_t>(size));
    try {
      (void)CertificateText(cut);
      ADD_FAILURE() << "a certificate cut to " << size << " bytes printed";
    } catch (const ExceptionBase&) {
      ++failures;
    }
  }
  EXPECT_EQ(failures, der.size());
  for (std::size_t i = 0; i < der.size(); ++i) {
    auto flipped = der;
    flipped[i] ^= 0xFF;
    try {
      (void)CertificateText(flipped);
    } catch (const ExceptionBase&) {
    }
  }
}

}  // namespace
}  // namespace tavrpki
