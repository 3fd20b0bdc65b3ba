// `PKIEntityBase`: the base of the extension handlers. A handler holds the value
// of one certificate extension in plain form and converts it in four directions:
// to and from an `ASN1CertExtension` (the certificate's form) and to and from an
// `ASN1Attribute` (the form a certification request asks for it in).
//
// Handlers are made by their users directly or by OID through
// `MakeExtensionHandler` (ext/ExtensionHandlers.h) and destroyed through this base.
// A from-operation that fails throws the value type's own coded failure and
// leaves the handler as it was.
#pragma once

#include <cstdint>

#include "asn1/String.h"
#include "asn1/cms/ASN1Attribute.h"
#include "asn1/x509/ASN1CertExtension.h"

namespace tavrpki {

class PKIEntityBase {
 public:
  virtual ~PKIEntityBase() = default;

  virtual String GetOID() const { return m_oid; }
  virtual void SetOID(const String& oid) { m_oid = oid; }
  virtual void SetCritical(std::uint8_t critical) { m_critical = critical != 0 ? 1 : 0; }
  virtual std::uint8_t IsCritical() const { return m_critical; }

  // An attribute of type GetOID() whose single value is the attribute form of the value.
  virtual ASN1Attribute ToAttribute() const;
  // An extension with extnID GetOID(), the critical flag, and the extension form
  // of the value as extnValue's content.
  virtual ASN1CertExtension ToExtension() const;
  // Reads the value from the attribute's first value.
  virtual void FromAttribute(const ASN1Attribute& attribute);
  // Reads the value from the DER inside extnValue and takes the critical flag.
  virtual void FromExtension(const ASN1CertExtension& extension);

 protected:
  PKIEntityBase(const char* oid, std::uint8_t critical) : m_oid(oid), m_critical(critical) {}
  PKIEntityBase(const PKIEntityBase&) = default;
  PKIEntityBase& operator=(const PKIEntityBase&) = default;

  // The attribute of type oid holding `value`; the extension of this handler
  // holding `value`'s encoding.
  ASN1Attribute MakeAttribute(const ASN1Primitive& value) const;
  ASN1CertExtension MakeExtension(const ASN1Any& value) const;

  String m_oid;
  std::uint8_t m_critical;
};

}  // namespace tavrpki
