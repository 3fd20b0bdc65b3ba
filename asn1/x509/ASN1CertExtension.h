// One certificate extension, and `ExtensionsCollection`, the [3] list of a
// certificate body (also used by revocation lists and requests).
//
//   Extension ::= SEQUENCE { extnID OBJECT IDENTIFIER,
//                            critical BOOLEAN DEFAULT FALSE,
//                            extnValue OCTET STRING }   -- the DER of the value
//
// Extensions are found by the dotted text of their OID ("2.5.29.19").
#pragma once

#include <vector>

#include "asn1/ASN1Bool.h"
#include "asn1/ASN1OID.h"
#include "asn1/ASN1OctetString.h"
#include "asn1/ASN1Primitive.h"
#include "asn1/String.h"

namespace tavrpki {

class ASN1CertExtension : public ASN1Primitive {
 public:
  ASN1CertExtension() : ASN1Primitive(kUniversal, true, 16) {}
  // An extension whose extnValue holds the encoding of `value`.
  ASN1CertExtension(const char* oid, bool critical, const ASN1Any& value);

  const ASN1OID& ExtnId() const { return m_extnId; }
  String OidText() const { return m_extnId.ToText(); }
  void SetOid(const char* oid) { m_extnId.SetText(oid); }
  bool IsCritical() const { return m_critical; }
  void SetCritical(bool critical) { m_critical = critical; }
  // The DER of the extension value (the content of extnValue).
  const Blob& Value() const { return m_extnValue.Value(); }
  void SetValue(ByteView der) { m_extnValue.SetValue(der); }
  void SetValue(const ASN1Any& value);
  // Decodes the value into `value` (one of the value types of ExtensionValues.h);
  // the value type's own failures pass through.
  void DecodeValue(ASN1Any& value) const { value.Decode(m_extnValue.Value()); }

  // The BOOLEAN is written only when the extension is critical (DEFAULT FALSE).
  void Encode(Blob& out) const override;
  // The first octet must be 30, else the uncoded message
  // "Буфер не є коректним кодованим розширенням сертифікату". A BOOLEAN is read
  // when the element after the OID has the identifier 01. On failure nothing changes.
  void Decode(ByteView in) override;
  std::uint32_t EncodedSize() const override;

 private:
  friend class ExtensionsCollection;
  ASN1Primitive Sequence() const;
  // Decode into an extension nobody sees yet: no scratch copies (the list reads
  // every extension this way, as certificate loading spends its time here).
  void DecodeFresh(ByteView in);

  ASN1OID m_extnId;
  bool m_critical = false;  // an ASN1Bool only on the wire
  ASN1OctetString m_extnValue;
};

//   extensions [3] EXPLICIT SEQUENCE SIZE (1..MAX) OF Extension
//
// Written as A3 len { 30 len { ... } } even when the list is empty (A3 02 30 00),
// which the body writes for every version 3 certificate.
class ExtensionsCollection : public ASN1Primitive {
 public:
  ExtensionsCollection() : ASN1Primitive(kContextSpecific, true, 3) {}

  using const_iterator = std::vector<ASN1CertExtension>::const_iterator;
  const_iterator begin() const { return m_extensions.begin(); }
  const_iterator end() const { return m_extensions.end(); }
  std::uint32_t Count() const { return static_cast<std::uint32_t>(m_extensions.size()); }
  // The extension at `index` (std::out_of_range past the end).
  const ASN1CertExtension& Get(std::uint32_t index) const { return m_extensions.at(index); }

  void Append(const ASN1CertExtension& extension) { m_extensions.push_back(extension); }
  // Copies the first extension whose OID text equals `oid` into `out` and returns
  // true; false (and `out` untouched) when there is none.
  bool Find(const char* oid, ASN1CertExtension& out) const;
  // The first such extension in place, or null; valid until the list changes.
  const ASN1CertExtension* Find(const char* oid) const;
  // Removes the first extension with that OID only.
  void Remove(const char* oid);
  void Clear() { m_extensions.clear(); }

  void Encode(Blob& out) const override;
  // The identifiers must be A3 and then 30, else code 50024. On failure nothing changes.
  void Decode(ByteView in) override;
  std::uint32_t EncodedSize() const override;

 private:
  // The content bytes of the element base are not the list: keep them out of reach.
  using Blob::Append;
  ASN1Primitive Element() const;

  std::vector<ASN1CertExtension> m_extensions;
};

}  // namespace tavrpki
