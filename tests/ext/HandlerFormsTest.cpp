// Every handler in both forms (tests/data/ext/handler-forms.vec), the factory by
// OID, and the slots each handler has no form for.
#include <typeinfo>

#include "core/OidTable.h"
#include "tests/ext/Support.h"

namespace tavrpki::test {
namespace {

template <typename T>
T DecodedAs(const Vector& v, const std::string& key) {
  T element;
  element.Decode(B(v.Get(key)));
  return element;
}

std::string InputOid(const Vector& v) {
  if (v.Has("extension")) return DecodedAs<ASN1CertExtension>(v, "extension").OidText().CStr();
  return DecodedAs<ASN1Attribute>(v, "attribute").TypeText().CStr();
}

// A fresh handler of the record's class, having read `first_attribute` when given.
std::unique_ptr<PKIEntityBase> Fresh(const Vector& v) {
  std::unique_ptr<PKIEntityBase> handler = MakeByName(v.section, InputOid(v).c_str());
  if (handler && v.Has("first_attribute")) handler->FromAttribute(DecodedAs<ASN1Attribute>(v, "first_attribute"));
  return handler;
}

std::string Expected(const Vector& v, const std::string& written, const std::string& input) {
  return v.Has(written) ? v.Get(written) : v.Get(input);
}

TEST(ExtensionHandlers, BothFormsTable) {
  OidSandbox sandbox;
  const std::vector<Vector> vectors = ReadVectorFile("ext/handler-forms.vec");
  ASSERT_GE(vectors.size(), 60u);
  for (const Vector& v : vectors) {
    SCOPED_TRACE(v.Where());
    std::unique_ptr<PKIEntityBase> handler = Fresh(v);
    ASSERT_TRUE(handler);
    if (v.Has("error")) {
      const std::string before = Describe(*handler);
      const Failure failure = Catch([&] {
        if (v.Has("extension"))
          handler->FromExtension(DecodedAs<ASN1CertExtension>(v, "extension"));
        else
          handler->FromAttribute(DecodedAs<ASN1Attribute>(v, "attribute"));
      });
      EXPECT_EQ(failure.message, v.Get("error"));
      EXPECT_EQ(failure.code, v.Get("code") == "-1" ? kNoCode : std::stoull(v.Get("code")));
      EXPECT_EQ(Describe(*handler), before) << "a failed read changed the handler";
      v.ExpectAllUsed();
      continue;
    }
    if (v.Has("extension")) {
      handler->FromExtension(DecodedAs<ASN1CertExtension>(v, "extension"));
      EXPECT_EQ(Describe(*handler), v.Get("reads"));
      const ASN1CertExtension written = handler->ToExtension();
      EXPECT_EQ(Der(written), Expected(v, "writes_extension", "extension"));
      // What is written reads back as the same value.
      std::unique_ptr<PKIEntityBase> again = Fresh(v);
      again->FromExtension(written);
      EXPECT_EQ(Describe(*again), Describe(*handler));
    }
    if (v.Has("attribute")) {
      std::unique_ptr<PKIEntityBase> fromAttribute = Fresh(v);
      fromAttribute->FromAttribute(DecodedAs<ASN1Attribute>(v, "attribute"));
      EXPECT_EQ(Describe(*fromAttribute), v.Get("reads"));
      const ASN1Attribute written = fromAttribute->ToAttribute();
      EXPECT_EQ(Der(written), Expected(v, "writes_attribute", "attribute"));
      std::unique_ptr<PKIEntityBase> again = Fresh(v);
      again->FromAttribute(written);
      EXPECT_EQ(Describe(*again), Describe(*fromAttribute));
      // A request's attribute becomes the certificate's extension.
      if (v.Has("extension")) {
        EXPECT_EQ(Der(fromAttribute->ToExtension()), Expected(v, "writes_extension", "extension"));
      }
    }
    v.ExpectAllUsed();
  }
}

TEST(ExtensionHandlers, FactoryByExactOidText) {
  OidSandbox sandbox;
  const std::string root = kTestRootOid;
  struct Row {
    std::string oid;
    const std::type_info& type;
    int critical;
  };
  const Row rows[] = {
      {"2.5.29.15", typeid(PKIKeyUsage), 1},
      {"2.5.29.32", typeid(PKIPolicies), 0},
      {"2.5.29.35", typeid(PKIAuthKeyId), 0},
      {"2.5.29.14", typeid(PKISubjKeyId), 0},
      {"2.5.29.19", typeid(PKIBasicConstraints), 1},
      {"2.5.29.37", typeid(PKIExtendedKeyUsage), 0},
      {"2.5.29.27", typeid(PKIDeltaCRLIndicator), 1},
      {"2.5.29.31", typeid(PKICRLDistributionPoint), 0},
      {"2.5.29.46", typeid(PKICRLDistributionPoint), 0},
      {"2.5.29.9", typeid(PKISubjectDirAttr), 0},
      {"1.3.6.1.5.5.7.0.18.3", typeid(PKIEnforcedCert), 1},
      {root + ".1", typeid(PKICryptPublicKey), 0},
      {root + ".2", typeid(PKITemplateName), 0},
      {root + ".3", typeid(PKIPermissions), 0},
      {root + ".4", typeid(PKIObjectName), 0},
      {root + ".5", typeid(PKIKeyContainerName), 0},
      {root + ".6", typeid(PKIRndCryptDKE), 1},
      {root + ".8", typeid(PKIDateTime), 0},
      {root + ".9", typeid(PKIAllParams), 0},
      // Everything else is a text under its own OID, once one is read.
      {"1.3.6.1.5.5.7.1.1", typeid(PKIDefault), 0},  // made by the certificate API only
      {"1.3.6.1.5.5.7.1.3", typeid(PKIDefault), 0},  // QC statements under their usual OID
      {root + ".7", typeid(PKIDefault), 0},
      {root, typeid(PKIDefault), 0},
      {root + ".10", typeid(PKIDefault), 0},
      {"2.5.29.150", typeid(PKIDefault), 0},
      {"2.5.29.1", typeid(PKIDefault), 0},
      {"2.5.29.15 ", typeid(PKIDefault), 0},
      {"2.5.29.015", typeid(PKIDefault), 0},
      {"", typeid(PKIDefault), 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.oid);
    const std::unique_ptr<PKIEntityBase> handler = MakeExtensionHandler(row.oid.c_str());
    ASSERT_TRUE(handler);
    EXPECT_EQ(typeid(*handler), row.type);
    EXPECT_STREQ(handler->GetOID().CStr(), row.type == typeid(PKIDefault) ? "1" : row.oid.c_str());
    EXPECT_EQ(handler->IsCritical(), row.critical);
  }
}

// A handler that overrides none of the conversions.
class Bare : public PKIEntityBase {
 public:
  Bare() : PKIEntityBase("1.2.3", 0) {}
};

TEST(ExtensionHandlers, SlotsWithoutAFormFail) {
  OidSandbox sandbox;
  const ASN1Attribute attribute("1.2.3", ASN1Utf8String("x"));
  const ASN1CertExtension extension("1.2.3", false, ASN1Utf8String("x"));
  struct Row {
    std::string name;
    std::unique_ptr<PKIEntityBase> handler;
    bool attributeForm;
    bool extensionForm;
    const char* message;
  };
  Row rows[] = {
      {"base", std::make_unique<Bare>(), false, false, "Not Implemented."},
      {"authority info", std::make_unique<PKIAuthorityInfo>(), false, true, "Not implemented"},
      {"distribution points", std::make_unique<PKICRLDistributionPoint>(), false, true, "Not implemented"},
      {"delta indicator", std::make_unique<PKIDeltaCRLIndicator>(), false, true, "Not implemented"},
      {"all parameters", std::make_unique<PKIAllParams>(), true, false, "Not Implemented"},
  };
  for (Row& row : rows) {
    SCOPED_TRACE(row.name);
    PKIEntityBase& h = *row.handler;
    std::vector<std::function<void()>> slots;
    if (!row.attributeForm) {
      slots.push_back([&] { h.ToAttribute(); });
      slots.push_back([&] { h.FromAttribute(attribute); });
    }
    if (!row.extensionForm) {
      slots.push_back([&] { h.ToExtension(); });
      slots.push_back([&] { h.FromExtension(extension); });
    }
    for (const auto& slot : slots) {
      const Failure failure = Catch(slot);
      EXPECT_EQ(failure.message, row.message);
      EXPECT_EQ(failure.code, kNoCode);
    }
  }
}

// Requests never carry key identifiers: the attribute form is empty both ways.
TEST(ExtensionHandlers, KeyIdentifiersHaveAnEmptyAttributeForm) {
  PKISubjKeyId subject;
  PKIAuthKeyId authority;
  subject.SetKeyId(B("0102"));
  authority.SetKeyId(B("0304"));
  for (PKIEntityBase* h : std::initializer_list<PKIEntityBase*>{&subject, &authority}) {
    const ASN1Attribute attribute = h->ToAttribute();
    EXPECT_FALSE(attribute.HasType());
    EXPECT_TRUE(attribute.Values().empty());
    const std::string before = Der(h->ToExtension());
    h->FromAttribute(ASN1Attribute(h->GetOID().CStr(), ASN1OctetString(B("FFFF"))));
    EXPECT_EQ(Der(h->ToExtension()), before);
  }
}

// The lists go out as OIDs: an item that is not one fails the writing, not the reading.
TEST(ExtensionHandlers, ListItemsThatAreNoOidFailWhenWritten) {
  const std::unique_ptr<PKIEntityBase> handlers[] = {std::make_unique<PKIExtendedKeyUsage>(),
                                                     std::make_unique<PKIPolicies>(),
                                                     std::make_unique<PKIEnforcedCert>()};
  for (const auto& h : handlers) {
    SCOPED_TRACE(h->GetOID().CStr());
    h->FromAttribute(ASN1Attribute(h->GetOID().CStr(), ASN1Utf8String("|1.2.3||sign|")));
    EXPECT_EQ(Catch([&] { h->ToExtension(); }).message, "Invalid OID String");
    EXPECT_EQ(Der(h->ToAttribute()), Der(ASN1Attribute(h->GetOID().CStr(), ASN1Utf8String("|1.2.3||sign|"))));
  }
}

}  // namespace
}  // namespace tavrpki::test
