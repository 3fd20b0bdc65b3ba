#include "asn1/x509/ASN1CertExtension.h"

#include "asn1/x509/Shapes.h"
#include "asn1/x509/X509Messages.h"
#include "core/Catalogue.h"

namespace tavrpki {

ASN1CertExtension::ASN1CertExtension(const char* oid, bool critical, const ASN1Any& value) : ASN1CertExtension() {
  SetOid(oid);
  SetCritical(critical);
  SetValue(value);
}

void ASN1CertExtension::SetValue(const ASN1Any& value) {
  Blob der;
  value.Encode(der);
  m_extnValue.SetValue(der);
}

ASN1Primitive ASN1CertExtension::Sequence() const {
  ASN1Primitive sequence(TagClass(), IsConstructed(), TagNumber());
  sequence.AppendChild(m_extnId);
  if (IsCritical()) sequence.AppendChild(ASN1Bool(true));  // FF, whatever octet was read
  sequence.AppendChild(m_extnValue);
  return sequence;
}

void ASN1CertExtension::Encode(Blob& out) const { Sequence().Encode(out); }

std::uint32_t ASN1CertExtension::EncodedSize() const { return Sequence().EncodedSize(); }

// Extension ::= SEQUENCE { extnID OBJECT IDENTIFIER, critical BOOLEAN DEFAULT FALSE,
//                          extnValue OCTET STRING }
void ASN1CertExtension::DecodeFresh(ByteView in) {
  DerReader fields = x509::Open(in, 0x30, kMsgBadCertExtension);
  fields.Read(m_extnId);
  if (x509::NextIs(fields, 0x01)) {
    ASN1Bool critical;
    fields.Read(critical);
    m_critical = critical.GetValue();
  }
  fields.Read(m_extnValue);
  // Elements after extnValue are not read (not an error here).
}

void ASN1CertExtension::Decode(ByteView in) {
  ASN1CertExtension extension;
  extension.DecodeFresh(in);
  *this = std::move(extension);
}

namespace {

// How many elements `list` holds, to size the list once. Only headers are read;
// a bad one just ends the count: reading the list in order reports it, after
// any earlier extension's own failure.
std::size_t ElementCount(DerReader list) {
  std::size_t count = 0;
  try {
    for (; list.HasMore(); ++count) list.Next();
  } catch (const Exception&) {
  }
  return count;
}

}  // namespace

bool ExtensionsCollection::Find(const char* oid, ASN1CertExtension& out) const {
  const ASN1CertExtension* found = Find(oid);
  if (found == nullptr) return false;
  out = *found;
  return true;
}

const ASN1CertExtension* ExtensionsCollection::Find(const char* oid) const {
  for (const ASN1CertExtension& extension : m_extensions)
    if (extension.OidText().Equals(oid)) return &extension;
  return nullptr;
}

void ExtensionsCollection::Remove(const char* oid) {
  for (auto it = m_extensions.begin(); it != m_extensions.end(); ++it)
    if (it->OidText().Equals(oid)) {
      m_extensions.erase(it);
      return;
    }
}

ASN1Primitive ExtensionsCollection::Element() const {
  ASN1Primitive list(kUniversal, true, 16);
  for (const ASN1CertExtension& extension : m_extensions) list.AppendChild(extension);
  ASN1Primitive tagged(TagClass(), IsConstructed(), TagNumber());
  tagged.AppendChild(list);
  return tagged;
}

void ExtensionsCollection::Encode(Blob& out) const { Element().Encode(out); }

std::uint32_t ExtensionsCollection::EncodedSize() const { return Element().EncodedSize(); }

//   [3] EXPLICIT SEQUENCE OF Extension
void ExtensionsCollection::Decode(ByteView in) {
  DerReader tagged = x509::Open(in, 0xA3, kMsgBadCertExtensions);
  DerReader list = x509::Enter(tagged, 0x30, kMsgBadCertExtensions);
  // Anything after the SEQUENCE inside [3] is not read (not an error here).
  std::vector<ASN1CertExtension> extensions;
  extensions.reserve(ElementCount(list));
  while (list.HasMore()) extensions.emplace_back().DecodeFresh(list.Next());
  m_extensions = std::move(extensions);
}

}  // namespace tavrpki
