// The handlers whose value is one text, written as a UTF8String (Windows-1251
// inside the library, UTF-8 on the wire; a character the code page lacks reads
// as '?'). They differ only in OID, in whether they have an extension form and
// in which from-operations take the OID of their source:
//
//   class                 OID     extension form      takes the source's OID
//   PKITemplateName       root.2  UTF8String          never
//   PKIObjectName         root.4  UTF8String          never
//   PKIKeyContainerName   root.5  UTF8String          never
//   PKIAllParams          root.9  "Not Implemented"   from an attribute
//   PKIDefault            "1"     UTF8String          from both
//
// PKIDefault serves every OID the library has no handler for: it reads the
// first value as a UTF8String and writes it back under the OID it read.
// None is critical when created.
#pragma once

#include "asn1/String.h"
#include "ext/PKIEntityBase.h"

namespace tavrpki {

class PKITextEntity : public PKIEntityBase {
 public:
  const String& GetText() const { return m_text; }
  void SetText(const String& text) { m_text = text; }

  ASN1Attribute ToAttribute() const override;
  ASN1CertExtension ToExtension() const override;
  void FromAttribute(const ASN1Attribute& attribute) override;
  void FromExtension(const ASN1CertExtension& extension) override;

 protected:
  struct Form {
    bool hasExtension;
    bool oidFromAttribute;
    bool oidFromExtension;
  };
  PKITextEntity(const char* oid, Form form) : PKIEntityBase(oid, 0), m_form(form) {}

 private:
  Form m_form;
  String m_text;
};

class PKITemplateName : public PKITextEntity {
 public:
  PKITemplateName();
};

class PKIObjectName : public PKITextEntity {
 public:
  PKIObjectName();
};

class PKIKeyContainerName : public PKITextEntity {
 public:
  PKIKeyContainerName();
};

class PKIAllParams : public PKITextEntity {
 public:
  PKIAllParams();
};

class PKIDefault : public PKITextEntity {
 public:
  PKIDefault();
};

}  // namespace tavrpki
