// Helpers of the extension handler tests: handlers by class name, a short text
// of what a handler holds (in the words of tests/data/ext/handler-forms.vec), and
// the configuration that forms the system's own OIDs.
#pragma once

#include <memory>
#include <string>

#include "ext/ExtensionHandlers.h"
#include "support/ConfigSandbox.h"
#include "tests/asn1/Support.h"

namespace tavrpki::test {

// The root the tests form the system's own OIDs from.
inline constexpr const char* kTestRootOid = "1.3.6.1.4.1.99999";

// A sandbox whose "RootOID" is kTestRootOid, with the OID table built from it.
class OidSandbox : public ConfigSandbox {
 public:
  explicit OidSandbox(const std::string& moreValues = "");
};

// A new handler of the class named (a distribution point handler gets `oid`);
// unknown names fail the test and return null.
std::unique_ptr<PKIEntityBase> MakeByName(const std::string& name, const char* oid);

// "<OID>[!] <value>", the value as the vector file writes it (texts in UTF-8).
std::string Describe(const PKIEntityBase& handler);

// The DER of an element, in uppercase hexadecimal.
template <typename T>
std::string Der(const T& element) {
  return EncodeHex(element);
}

}  // namespace tavrpki::test
