// The catalogue as compiled against the catalogue as written: every coded entry's
// Windows-1251 bytes (converted at compile time) must read back through iconv as
// the UTF-8 text in core/Catalogue.h, and every code must sit in its layer's range.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "core/Catalogue.h"
#include "platform/CodePage.h"

namespace {

using namespace tavrpki;

struct Entry {
  const char* name;
  const Message* message;
};

// Every entry with a code, in the order of the header.
const Entry kEntries[] = {
    {"kMsgKeyStorageLibraryBadFormat", &kMsgKeyStorageLibraryBadFormat},
    {"kMsgKeyStorageLibraryNotLoaded", &kMsgKeyStorageLibraryNotLoaded},
    {"kMsgKeyStorageLibraryLoadFailed", &kMsgKeyStorageLibraryLoadFailed},
    {"kMsgCryptoCore", &kMsgCryptoCore},
    {"kMsgPrivateKeyCheckFailed", &kMsgPrivateKeyCheckFailed},
    {"kMsgPublicKeyCheckFailed", &kMsgPublicKeyCheckFailed},
    {"kMsgWrongKeyUsage", &kMsgWrongKeyUsage},
    {"kMsgInvalidHandle", &kMsgInvalidHandle},
    {"kMsgRandomNumberFailed", &kMsgRandomNumberFailed},
    {"kMsgRandomNotInitialized", &kMsgRandomNotInitialized},
    {"kMsgToUnicodeFailed", &kMsgToUnicodeFailed},
    {"kMsgToUtf8Failed", &kMsgToUtf8Failed},
    {"kMsgAttributeNotFound", &kMsgAttributeNotFound},
    {"kMsgRequestAttributesEmpty", &kMsgRequestAttributesEmpty},
    {"kMsgRequestAttributeNotFound", &kMsgRequestAttributeNotFound},
    {"kMsgIntegerCompareFailed", &kMsgIntegerCompareFailed},
    {"kMsgIntegerConvertFailed", &kMsgIntegerConvertFailed},
    {"kMsgBadCertExtensions", &kMsgBadCertExtensions},
    {"kMsgBadTbsCertificate", &kMsgBadTbsCertificate},
    {"kMsgPolynomialTypeNotSet", &kMsgPolynomialTypeNotSet},
    {"kMsgBadECBinaryDecode", &kMsgBadECBinaryDecode},
    {"kMsgBadECBinaryEncode", &kMsgBadECBinaryEncode},
    {"kMsgBadCertificate", &kMsgBadCertificate},
    {"kMsgBadCrlEntry", &kMsgBadCrlEntry},
    {"kMsgUnknownCrlExtension", &kMsgUnknownCrlExtension},
    {"kMsgCrlTimeNotSet", &kMsgCrlTimeNotSet},
    {"kMsgBadCrl", &kMsgBadCrl},
    {"kMsgNothingToSign", &kMsgNothingToSign},
    {"kMsgBadQcStatement", &kMsgBadQcStatement},
    {"kMsgBadBasicConstraints", &kMsgBadBasicConstraints},
    {"kMsgBadCertificatePolicy", &kMsgBadCertificatePolicy},
    {"kMsgBadExtendedKeyUsage", &kMsgBadExtendedKeyUsage},
    {"kMsgBadAuthorityKeyId", &kMsgBadAuthorityKeyId},
    {"kMsgBadOcspSingleRequest", &kMsgBadOcspSingleRequest},
    {"kMsgBadOcspResponse50043", &kMsgBadOcspResponse50043},
    {"kMsgBadOcspRequest", &kMsgBadOcspRequest},
    {"kMsgBadOcspResponse", &kMsgBadOcspResponse},
    {"kMsgBadOcspSingleResponse", &kMsgBadOcspSingleResponse},
    {"kMsgBadDistributionPoint", &kMsgBadDistributionPoint},
    {"kMsgBadAuthorityInfoAccess", &kMsgBadAuthorityInfoAccess},
    {"kMsgBadContentInfo", &kMsgBadContentInfo},
    {"kMsgBadSignerInfo", &kMsgBadSignerInfo},
    {"kMsgBadSignedData", &kMsgBadSignedData},
    {"kMsgBadTstInfo", &kMsgBadTstInfo},
    {"kMsgBadSignedData50055", &kMsgBadSignedData50055},
    {"kMsgSignedAttributeNotFound", &kMsgSignedAttributeNotFound},
    {"kMsgBadEssCertId", &kMsgBadEssCertId},
    {"kMsgBadAttributeCollection", &kMsgBadAttributeCollection},
    {"kMsgBadSignKeyUsage", &kMsgBadSignKeyUsage},
    {"kMsgBadCryptKeyUsage", &kMsgBadCryptKeyUsage},
    {"kMsgItemIndexOutOfRange", &kMsgItemIndexOutOfRange},
    {"kMsgItemBufferEmpty", &kMsgItemBufferEmpty},
    {"kMsgBufferTooSmall", &kMsgBufferTooSmall},
    {"kMsgCertSignatureAlgorithmUnsupported", &kMsgCertSignatureAlgorithmUnsupported},
    {"kMsgRequestSignatureAlgorithmUnsupported", &kMsgRequestSignatureAlgorithmUnsupported},
    {"kMsgNoDateAfterBeforeExtension", &kMsgNoDateAfterBeforeExtension},
    {"kMsgNoContainerNameExtension", &kMsgNoContainerNameExtension},
    {"kMsgNoCryptPublicKeyExtension", &kMsgNoCryptPublicKeyExtension},
    {"kMsgNoSBoxExtension", &kMsgNoSBoxExtension},
    {"kMsgBadPermissionsFormat", &kMsgBadPermissionsFormat},
    {"kMsgNoSubjectKeyIdExtension", &kMsgNoSubjectKeyIdExtension},
    {"kMsgNoAuthorityKeyIdExtension", &kMsgNoAuthorityKeyIdExtension},
    {"kMsgCaCertificateNotFound", &kMsgCaCertificateNotFound},
    {"kMsgChainEmpty", &kMsgChainEmpty},
    {"kMsgCertificateNotValidNow", &kMsgCertificateNotValidNow},
    {"kMsgNoBasicConstraintsExtension", &kMsgNoBasicConstraintsExtension},
    {"kMsgBadCaBasicConstraints", &kMsgBadCaBasicConstraints},
    {"kMsgPathLengthExceeded", &kMsgPathLengthExceeded},
    {"kMsgNoKeyUsageExtension", &kMsgNoKeyUsageExtension},
    {"kMsgKeyUsageLacksValue", &kMsgKeyUsageLacksValue},
    {"kMsgCrlSignatureAlgorithmUnsupported", &kMsgCrlSignatureAlgorithmUnsupported},
    {"kMsgCertStorageNotSet", &kMsgCertStorageNotSet},
    {"kMsgInvalidParameter", &kMsgInvalidParameter},
    {"kMsgNoCrlSignKeyUsage", &kMsgNoCrlSignKeyUsage},
    {"kMsgBadCaCertificateSignature", &kMsgBadCaCertificateSignature},
    {"kMsgBadCrlSignature", &kMsgBadCrlSignature},
    {"kMsgCertificateRevoked", &kMsgCertificateRevoked},
    {"kMsgCertificateCannotSignCrl", &kMsgCertificateCannotSignCrl},
    {"kMsgNoDeltaCrlIndicator", &kMsgNoDeltaCrlIndicator},
    {"kMsgExportableKeyCannotBeSaved", &kMsgExportableKeyCannotBeSaved},
    {"kMsgKeyNotExportable", &kMsgKeyNotExportable},
    {"kMsgKeyMustBeExportable", &kMsgKeyMustBeExportable},
    {"kMsgCertContextFailed", &kMsgCertContextFailed},
    {"kMsgCrlContextFailed", &kMsgCrlContextFailed},
    {"kMsgNoAuthorityInfoAccess", &kMsgNoAuthorityInfoAccess},
    {"kMsgOcspServerError", &kMsgOcspServerError},
    {"kMsgBadAuthorityInfoAccessFormat", &kMsgBadAuthorityInfoAccessFormat},
    {"kMsgOcspNoCertificateStatus", &kMsgOcspNoCertificateStatus},
    {"kMsgOcspNoIssuerKeyHash", &kMsgOcspNoIssuerKeyHash},
    {"kMsgOcspSignerCaNotFound", &kMsgOcspSignerCaNotFound},
    {"kMsgOcspSignatureUnverifiable", &kMsgOcspSignatureUnverifiable},
    {"kMsgOcspCertificateRevoked", &kMsgOcspCertificateRevoked},
    {"kMsgOcspStatusUnknown", &kMsgOcspStatusUnknown},
    {"kMsgChainIndexOutOfRange", &kMsgChainIndexOutOfRange},
    {"kMsgOcspSignerNoExtendedKeyUsage", &kMsgOcspSignerNoExtendedKeyUsage},
    {"kMsgOcspSignerCannotSignOcsp", &kMsgOcspSignerCannotSignOcsp},
    {"kMsgSignerInfoFromCertFailed", &kMsgSignerInfoFromCertFailed},
    {"kMsgSignerInfoUnknownError", &kMsgSignerInfoUnknownError},
    {"kMsgSetSignerAttributeFailed", &kMsgSetSignerAttributeFailed},
    {"kMsgGetSignerAttributeFailed", &kMsgGetSignerAttributeFailed},
    {"kMsgSignedDataError", &kMsgSignedDataError},
    {"kMsgSignerInfoCheckFailed", &kMsgSignerInfoCheckFailed},
    {"kMsgSignedDataEncodeFailed", &kMsgSignedDataEncodeFailed},
    {"kMsgChainLacksCertificate", &kMsgChainLacksCertificate},
    {"kMsgCertificateNotInStorage", &kMsgCertificateNotInStorage},
    {"kMsgRootNotTrusted", &kMsgRootNotTrusted},
    {"kMsgCrlIssuerCertificateNotFound", &kMsgCrlIssuerCertificateNotFound},
    {"kMsgOcspSignerCaSignatureUnverifiable", &kMsgOcspSignerCaSignatureUnverifiable},
    {"kMsgEnvelopeWrongState", &kMsgEnvelopeWrongState},
    {"kMsgEnvelopeInitFailed", &kMsgEnvelopeInitFailed},
    {"kMsgNoTemplateNameExtension", &kMsgNoTemplateNameExtension},
    {"kMsgEnvelopeNoKeyForCertificate", &kMsgEnvelopeNoKeyForCertificate},
    {"kMsgEnvelopeRecipientNotAdded", &kMsgEnvelopeRecipientNotAdded},
    {"kMsgEnvelopeUnknownError", &kMsgEnvelopeUnknownError},
    {"kMsgEnvelopeIndexOutOfRange", &kMsgEnvelopeIndexOutOfRange},
    {"kMsgTspSignerNoExtendedKeyUsage", &kMsgTspSignerNoExtendedKeyUsage},
    {"kMsgRegistryOpenFailed", &kMsgRegistryOpenFailed},
    {"kMsgRegistryReadFailed", &kMsgRegistryReadFailed},
    {"kMsgRegistryWrongType", &kMsgRegistryWrongType},
    {"kMsgOidNotInitialized", &kMsgOidNotInitialized},
    {"kMsgParamsVersionUnsupported", &kMsgParamsVersionUnsupported},
    {"kMsgExtModuleUnsupportedExtension", &kMsgExtModuleUnsupportedExtension},
    {"kMsgExtModuleNotLoaded", &kMsgExtModuleNotLoaded},
    {"kMsgExtModuleBadParameters", &kMsgExtModuleBadParameters},
    {"kMsgExtModuleError", &kMsgExtModuleError},
};

struct Written {
  std::string name;
  unsigned long code;
  std::string utf8;
};

std::vector<Written> ReadCatalogueSource() {
  std::ifstream file(TAVRPKI_SOURCE_DIR "/core/Catalogue.h", std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  const std::string source = text.str();
  const std::regex entry(R"re(Message (\w+)\{(\d+), (?:Cp1251<)?"((?:[^"\\]|\\.)*)">?\};)re");
  std::vector<Written> out;
  for (auto it = std::sregex_iterator(source.begin(), source.end(), entry); it != std::sregex_iterator();
       ++it)
    out.push_back({(*it)[1], std::stoul((*it)[2]), (*it)[3]});
  return out;
}

TEST(Catalogue, EveryEntryReadsBackAsWritten) {
  const auto written = ReadCatalogueSource();
  ASSERT_EQ(written.size(), std::size(kEntries)) << "an entry is missing from this test's table";
  for (std::size_t i = 0; i < written.size(); ++i) {
    SCOPED_TRACE(written[i].name);
    EXPECT_EQ(written[i].name, kEntries[i].name);
    EXPECT_EQ(written[i].code, kEntries[i].message->code);
    std::string utf8;
    ASSERT_EQ(platform::Cp1251ToUtf8(kEntries[i].message->format, utf8), 0);
    EXPECT_EQ(utf8, written[i].utf8);
  }
}

TEST(Catalogue, CodesLieInTheirLayersRanges) {
  const std::pair<unsigned long, unsigned long> kRanges[] = {
      {30001, 30003},   {40003, 40013},   {50006, 50058},   {60001, 60002},
      {70000, 70001},   {100000, 100066}, {150000, 150002}, {160000, 160000},
      {230000, 230000}, {280000, 280003},
  };
  for (const auto& e : kEntries) {
    bool inRange = false;
    for (const auto& [low, high] : kRanges) inRange |= e.message->code >= low && e.message->code <= high;
    EXPECT_TRUE(inRange) << e.name << " " << e.message->code;
  }
}

TEST(Catalogue, NoEntryIsListedTwiceAndOnlyTheKnownCodesCarryTwoWordings) {
  std::set<std::pair<unsigned long, std::string>> seen;
  std::map<unsigned long, int> wordings;
  for (const auto& e : kEntries) {
    EXPECT_TRUE(seen.insert({e.message->code, e.message->format}).second) << e.name;
    ++wordings[e.message->code];
  }
  std::set<unsigned long> twice;
  for (const auto& [code, count] : wordings)
    if (count > 1) twice.insert(code);
  EXPECT_EQ(twice, (std::set<unsigned long>{50043, 100034}));
}

TEST(Catalogue, FormatsUseOnlyTheConversionsTheirThrowersFill) {
  // A stray '%' in a message would make printf read an argument that is not there.
  const std::regex conversion("%(0x|s|d|x|u)");
  for (const auto& e : kEntries) {
    const std::string text = std::regex_replace(std::string(e.message->format), conversion, "");
    EXPECT_EQ(text.find('%'), std::string::npos) << e.name;
  }
}

}  // namespace
