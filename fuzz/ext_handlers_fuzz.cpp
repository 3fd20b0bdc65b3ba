// The extension handlers reading untrusted bytes: the first input byte picks the
// handler, the second the form (bit 0: attribute instead of extension; bit 1:
// the extension is critical), the rest is the value's DER. A read either
// succeeds, and then what the handler writes reads back to the same bytes, or
// fails with the library's exception and leaves the handler as it was.
// The seed corpus holds the extension values of tests/data/real and the
// attribute values of tests/data/ext/handler-forms.vec.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "core/OidTable.h"
#include "ext/ExtensionHandlers.h"

using namespace tavrpki;

namespace {

// The system's own OIDs need a root; the machine hive names one.
bool Configure() {
  const char* path = "/tmp/tavrpki-ext-handlers-fuzz.reg";
  std::ofstream(path) << "Windows Registry Editor Version 5.00\r\n\r\n"
                         "[HKEY_LOCAL_MACHINE\\SOFTWARE\\TAVR_PKI]\r\n\"RootOID\"=\"1.3.6.1.4.1.99999\"\r\n";
  setenv("TAVR_PKI_SYSTEM_CONFIG", path, 1);
  BuildOidTable();
  return true;
}
const bool kConfigured = Configure();

using Make = std::function<std::unique_ptr<PKIEntityBase>()>;
const Make kHandlers[] = {
    [] { return std::make_unique<PKIKeyUsage>(); },
    [] { return std::make_unique<PKISubjKeyId>(); },
    [] { return std::make_unique<PKIAuthKeyId>(); },
    [] { return std::make_unique<PKIBasicConstraints>(); },
    [] { return std::make_unique<PKIAuthorityInfo>(); },
    [] { return std::make_unique<PKICRLDistributionPoint>("2.5.29.31"); },
    [] { return std::make_unique<PKICRLDistributionPoint>("2.5.29.46"); },
    [] { return std::make_unique<PKIDeltaCRLIndicator>(); },
    [] { return std::make_unique<PKIExtendedKeyUsage>(); },
    [] { return std::make_unique<PKIPolicies>(); },
    [] { return std::make_unique<PKIEnforcedCert>(); },
    [] { return std::make_unique<PKISubjectDirAttr>(); },
    [] { return std::make_unique<PKICryptPublicKey>(); },
    [] { return std::make_unique<PKITemplateName>(); },
    [] { return std::make_unique<PKIPermissions>(); },
    [] { return std::make_unique<PKIObjectName>(); },
    [] { return std::make_unique<PKIKeyContainerName>(); },
    [] { return std::make_unique<PKIRndCryptDKE>(); },
    [] { return std::make_unique<PKIDateTime>(); },
    [] { return std::make_unique<PKIAllParams>(); },
    [] { return std::make_unique<PKIDefault>(); },
};

std::string DerOf(const ASN1Any& element) {
  Blob out;
  element.Encode(out);
  return std::string(out.begin(), out.end());
}

// Everything a handler shows: its OID, its flag and both forms it writes (or
// that it cannot write them).
std::string State(const PKIEntityBase& h) {
  std::string state = std::string(h.GetOID().CStr()) + (h.IsCritical() ? "!" : " ");
  for (const auto& form : {std::function<std::string()>([&] { return DerOf(h.ToExtension()); }),
                           std::function<std::string()>([&] { return DerOf(h.ToAttribute()); })}) {
    try {
      state += "|" + form();
    } catch (const Exception&) {
      state += "|-";
    }
  }
  return state;
}

template <class Body>
bool Writes(Body&& body) {
  try {
    body();
    return true;
  } catch (const Exception&) {
    return false;
  }
}

template <class Body>
void Must(Body&& body) {
  if (!Writes(body)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const Make& make = kHandlers[data[0] % std::size(kHandlers)];
  const bool attributeForm = (data[1] & 1) != 0;
  const bool critical = (data[1] & 2) != 0;
  // The value gets its own allocation, so that reading past it is caught.
  const std::unique_ptr<std::uint8_t[]> value(new std::uint8_t[size - 2]);
  std::copy(data + 2, data + size, value.get());
  const ByteView der(value.get(), size - 2);

  std::unique_ptr<PKIEntityBase> h = make();
  const std::string before = State(*h);
  try {
    if (attributeForm) {
      ASN1Primitive element;
      element.Decode(der);
      ASN1Attribute attribute(h->GetOID().CStr(), element);
      h->FromAttribute(attribute);
    } else {
      ASN1CertExtension extension;
      extension.SetOid(h->GetOID().CStr());
      extension.SetCritical(critical);
      extension.SetValue(der);
      h->FromExtension(extension);
    }
  } catch (const Exception&) {
    if (State(*h) != before) std::abort();  // a failed read changed the handler
    return 0;
  }

  // What a handler writes, it reads back, to the same bytes. Writing may fail
  // (a form the handler lacks, a list item that is no OID); reading what was
  // written may not.
  ASN1CertExtension extension;
  if (Writes([&] { extension = h->ToExtension(); })) {
    std::unique_ptr<PKIEntityBase> again = make();
    Must([&] { again->FromExtension(extension); });
    if (DerOf(again->ToExtension()) != DerOf(extension)) std::abort();
  }
  // Reading an attribute may normalise (directory attribute texts become
  // PrintableStrings), so that form must be stable from the second pass on.
  ASN1Attribute first;
  if (Writes([&] { first = h->ToAttribute(); }) && first.HasType()) {
    std::unique_ptr<PKIEntityBase> once = make();
    Must([&] { once->FromAttribute(first); });
    const ASN1Attribute second = once->ToAttribute();
    std::unique_ptr<PKIEntityBase> twice = make();
    Must([&] { twice->FromAttribute(second); });
    if (DerOf(twice->ToAttribute()) != DerOf(second)) std::abort();
  }
  return 0;
}
