// `PKIOidList<Value>`: a list handler whose extension is a SEQUENCE OF elements
// each led by an OID (`Value`: key purposes, policies, QC statements). Writing
// keeps only the OIDs; what follows an OID in a certificate (policy qualifiers,
// statement info) is not kept when reading.
#pragma once

#include <utility>
#include <vector>

#include "asn1/x509/ExtensionValues.h"
#include "ext/PKIListEntity.h"

namespace tavrpki {

namespace ext {
inline String OidTextOf(const ASN1OID& oid) { return oid.ToText(); }
inline String OidTextOf(const ASN1AttrTypeValue& element) { return element.TypeText(); }
}  // namespace ext

template <class Value>
class PKIOidList : public PKIListEntity {
 public:
  // An item that is not a dotted OID fails here ("Invalid OID String").
  ASN1CertExtension ToExtension() const override {
    Value value;
    for (const String& item : m_items) value.Items().emplace_back(item.CStr());
    return MakeExtension(value);
  }

  void FromExtension(const ASN1CertExtension& extension) override {
    Value value;
    extension.DecodeValue(value);
    std::vector<String> items;
    for (const auto& element : value.Items()) items.push_back(ext::OidTextOf(element));
    m_items = std::move(items);
    m_critical = extension.IsCritical() ? 1 : 0;
  }

 protected:
  using PKIListEntity::PKIListEntity;
};

}  // namespace tavrpki
