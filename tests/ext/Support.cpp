#include "tests/ext/Support.h"

#include <functional>
#include <map>

#include "core/OidTable.h"
#include "crypto/objects/CKeyPair.h"

namespace tavrpki::test {
namespace {

std::string Join(const std::vector<String>& items, const char* separator) {
  std::string out;
  for (const String& item : items) out += (out.empty() ? "" : separator) + Utf8(item.CStr());
  return out;
}

std::string Value(const PKIEntityBase& h) {
  if (auto* p = dynamic_cast<const PKIKeyUsage*>(&h)) return String::Formatted("%02X", p->GetKeyUsage()).CStr();
  if (auto* p = dynamic_cast<const PKISubjKeyId*>(&h)) return H(p->GetKeyId());
  if (auto* p = dynamic_cast<const PKIAuthKeyId*>(&h))
    return "id=" + H(p->GetKeyId()) + " serial=" + H(p->GetSerialNumber().Bytes());
  if (auto* p = dynamic_cast<const PKIBasicConstraints*>(&h))
    return String::Formatted("cA=%d pathLen=%d", p->GetCA(), p->GetPathLenConstraint()).CStr();
  if (auto* p = dynamic_cast<const PKIAuthorityInfo*>(&h))
    return std::string("first=") + p->GetFirstUrl().CStr() + " second=" + p->GetSecondUrl().CStr();
  if (auto* p = dynamic_cast<const PKICRLDistributionPoint*>(&h)) return Join(p->GetUrls(), " ");
  if (auto* p = dynamic_cast<const PKIDeltaCRLIndicator*>(&h)) return H(p->GetBaseCRLNumber().Bytes());
  if (auto* p = dynamic_cast<const PKIListEntity*>(&h)) return Join(p->GetList(), ",");
  if (auto* p = dynamic_cast<const PKISubjectDirAttr*>(&h)) {
    std::string out;
    for (const ASN1Attribute& attribute : p->GetAttributes().Attributes()) {
      out += (out.empty() ? "" : " ") + std::string(attribute.TypeText().CStr()) + "=";
      std::string values;
      for (const ASN1Primitive& value : attribute.Values()) {
        values += (values.empty() ? "" : ",") + std::to_string(value.TagNumber()) + ":";
        // Texts as text (Windows-1251 in PrintableStrings, as names hold them), others in hex.
        const std::uint32_t tag = value.TagNumber();
        if (tag == 12 || tag == 19)
          values += Utf8TextOf(value);
        else if (tag == 24)
          values += std::string(value.begin(), value.end());
        else
          values += H(value);
      }
      out += values;
    }
    return out;
  }
  if (auto* p = dynamic_cast<const PKIRndCryptDKE*>(&h))
    return String::Formatted("random=%02X..%02X cipher=%02X..%02X", p->GetRandomSBox().front(),
                             p->GetRandomSBox().back(), p->GetCryptSBox().front(), p->GetCryptSBox().back())
        .CStr();
  if (auto* p = dynamic_cast<const PKIDateTime*>(&h))
    return String::Formatted("%dY%dM%dD", p->GetYears(), p->GetMonths(), p->GetDays()).CStr();
  if (auto* p = dynamic_cast<const PKITextEntity*>(&h)) return Utf8(p->GetText().CStr());
  if (auto* p = dynamic_cast<const PKICryptPublicKey*>(&h)) {
    const CKeyPair& pair = p->GetKeyPair();
    return String::Formatted("m=%u", pair.GetParams().m).CStr() + std::string(" x=") +
           H(pair.GetPublicKey().GetX().GetValue()) + " y=" + H(pair.GetPublicKey().GetY().GetValue());
  }
  ADD_FAILURE() << "no description for this handler";
  return "";
}

}  // namespace

OidSandbox::OidSandbox(const std::string& moreValues) {
  WriteSystem(std::string("\"RootOID\"=\"") + kTestRootOid + "\"" + (moreValues.empty() ? "" : "\n" + moreValues));
  BuildOidTable();
}

std::unique_ptr<PKIEntityBase> MakeByName(const std::string& name, const char* oid) {
  using Make = std::function<std::unique_ptr<PKIEntityBase>()>;
  const std::map<std::string, Make> makers = {
      {"PKIKeyUsage", [] { return std::make_unique<PKIKeyUsage>(); }},
      {"PKISubjKeyId", [] { return std::make_unique<PKISubjKeyId>(); }},
      {"PKIAuthKeyId", [] { return std::make_unique<PKIAuthKeyId>(); }},
      {"PKIBasicConstraints", [] { return std::make_unique<PKIBasicConstraints>(); }},
      {"PKIAuthorityInfo", [] { return std::make_unique<PKIAuthorityInfo>(); }},
      {"PKICRLDistributionPoint", [&] { return std::make_unique<PKICRLDistributionPoint>(oid); }},
      {"PKIDeltaCRLIndicator", [] { return std::make_unique<PKIDeltaCRLIndicator>(); }},
      {"PKIExtendedKeyUsage", [] { return std::make_unique<PKIExtendedKeyUsage>(); }},
      {"PKIPolicies", [] { return std::make_unique<PKIPolicies>(); }},
      {"PKIEnforcedCert", [] { return std::make_unique<PKIEnforcedCert>(); }},
      {"PKISubjectDirAttr", [] { return std::make_unique<PKISubjectDirAttr>(); }},
      {"PKICryptPublicKey", [] { return std::make_unique<PKICryptPublicKey>(); }},
      {"PKITemplateName", [] { return std::make_unique<PKITemplateName>(); }},
      {"PKIPermissions", [] { return std::make_unique<PKIPermissions>(); }},
      {"PKIObjectName", [] { return std::make_unique<PKIObjectName>(); }},
      {"PKIKeyContainerName", [] { return std::make_unique<PKIKeyContainerName>(); }},
      {"PKIRndCryptDKE", [] { return std::make_unique<PKIRndCryptDKE>(); }},
      {"PKIDateTime", [] { return std::make_unique<PKIDateTime>(); }},
      {"PKIAllParams", [] { return std::make_unique<PKIAllParams>(); }},
      {"PKIDefault", [] { return std::make_unique<PKIDefault>(); }},
  };
  const auto found = makers.find(name);
  if (found == makers.end()) {
    ADD_FAILURE() << "no handler class " << name;
    return nullptr;
  }
  return found->second();
}

std::string Describe(const PKIEntityBase& handler) {
  const std::string value = Value(handler);
  return std::string(handler.GetOID().CStr()) + (handler.IsCritical() ? "!" : "") + (value.empty() ? "" : " " + value);
}

}  // namespace tavrpki::test
