#include "ext/PKICryptPublicKey.h"

#include "core/OidTable.h"
#include "crypto/params/SubjectPublicKey.h"
#include "ext/ValueForms.h"

namespace tavrpki {

PKICryptPublicKey::PKICryptPublicKey() : PKIEntityBase(GetOidRoot1().c_str(), 0) {
  m_keyPair.SetUsage(CKeyPair::kEncryption);
}

void PKICryptPublicKey::SetKeyPair(const CKeyPair& pair) {
  // The private key never enters an extension: it is not copied at all.
  CKeyPair publicOnly;
  publicOnly.SetPublicKey(pair.GetPublicKey());
  publicOnly.SetParams(pair.GetParams());
  publicOnly.SetUsage(CKeyPair::kEncryption);
  m_keyPair = publicOnly;
}

ASN1Attribute PKICryptPublicKey::ToAttribute() const {
  return MakeAttribute(ext::ElementOf(SubjectPublicKeyInfoOf(m_keyPair)));
}

ASN1CertExtension PKICryptPublicKey::ToExtension() const { return MakeExtension(SubjectPublicKeyInfoOf(m_keyPair)); }

void PKICryptPublicKey::FromAttribute(const ASN1Attribute& attribute) {
  ASN1SubjPubKeyInfo info;
  ext::DecodeElement(attribute.GetFirstValue(), info);
  m_keyPair = PublicKeyPairOf(info, CKeyPair::kEncryption);
}

void PKICryptPublicKey::FromExtension(const ASN1CertExtension& extension) {
  ASN1SubjPubKeyInfo info;
  extension.DecodeValue(info);
  m_keyPair = PublicKeyPairOf(info, CKeyPair::kEncryption);
  m_critical = extension.IsCritical() ? 1 : 0;
}

}  // namespace tavrpki
