// The attributes of a certification request, in the order they were added or
// read. Unlike the CMS collection, two attributes of one type may stand side by
// side: a request says what its subject asks for, and the authority decides.
#pragma once

#include <cstdint>
#include <vector>

#include "asn1/cms/ASN1Attribute.h"

namespace tavrpki {

class RequestAttributesCollection {
 public:
  std::uint32_t Count() const { return static_cast<std::uint32_t>(m_attributes.size()); }
  bool IsEmpty() const { return m_attributes.empty(); }
  void Append(const ASN1Attribute& attribute) { m_attributes.push_back(attribute); }
  // 50015 while the collection is empty, 50016 for an index past the end.
  const ASN1Attribute& Get(std::uint32_t index) const;
  // The first attribute of that type: 50015 while empty, 50016 when none matches.
  const ASN1Attribute& Find(const char* oid) const;

  std::vector<ASN1Attribute>::const_iterator begin() const { return m_attributes.begin(); }
  std::vector<ASN1Attribute>::const_iterator end() const { return m_attributes.end(); }

 private:
  std::vector<ASN1Attribute> m_attributes;
};

}  // namespace tavrpki
