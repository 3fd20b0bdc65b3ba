// `PKIListEntity`: the base of the handlers whose value is a list of texts
// (policies, key purposes, enforced statements, permissions). Their attribute
// form is the same everywhere, a UTF8String holding the list text |a||b|
// (ext/TextForms.h); only the extension forms differ.
#pragma once

#include <utility>
#include <vector>

#include "asn1/String.h"
#include "ext/PKIEntityBase.h"

namespace tavrpki {

class PKIListEntity : public PKIEntityBase {
 public:
  const std::vector<String>& GetList() const { return m_items; }
  void SetList(std::vector<String> items) { m_items = std::move(items); }
  void Add(const String& item) { m_items.push_back(item); }

  ASN1Attribute ToAttribute() const override;
  void FromAttribute(const ASN1Attribute& attribute) override;

 protected:
  using PKIEntityBase::PKIEntityBase;

  std::vector<String> m_items;
};

}  // namespace tavrpki
