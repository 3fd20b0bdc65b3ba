// The key-agreement public key, root.1 (core/OidTable.h), not critical when created.
//   extension and attribute alike: the SubjectPublicKeyInfo of the key with its
//   DSTU 4145 parameters (crypto/params/SubjectPublicKey.h)
// The key pair held has usage 1 (encryption) and no private key once read.
#pragma once

#include "crypto/objects/CKeyPair.h"
#include "ext/PKIEntityBase.h"

namespace tavrpki {

class PKICryptPublicKey : public PKIEntityBase {
 public:
  PKICryptPublicKey();

  const CKeyPair& GetKeyPair() const { return m_keyPair; }
  // Only the public key and the parameters of `pair` are kept.
  void SetKeyPair(const CKeyPair& pair);

  // Writing compresses the point on its curve: a key off the curve fails (40003).
  ASN1Attribute ToAttribute() const override;
  ASN1CertExtension ToExtension() const override;
  void FromAttribute(const ASN1Attribute& attribute) override;
  void FromExtension(const ASN1CertExtension& extension) override;

 private:
  CKeyPair m_keyPair;
};

}  // namespace tavrpki
