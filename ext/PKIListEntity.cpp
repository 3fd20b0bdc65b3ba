#include "ext/PKIListEntity.h"

#include "asn1/ASN1Utf8String.h"
#include "ext/TextForms.h"
#include "ext/ValueForms.h"

namespace tavrpki {

ASN1Attribute PKIListEntity::ToAttribute() const { return MakeAttribute(ASN1Utf8String(ListText(m_items).CStr())); }

void PKIListEntity::FromAttribute(const ASN1Attribute& attribute) {
  m_items = ParseListText(ext::TextOf(attribute.GetFirstValue()).CStr());
}

}  // namespace tavrpki
