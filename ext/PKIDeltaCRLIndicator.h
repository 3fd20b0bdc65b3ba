// Delta CRL indicator, "2.5.29.27", critical when created.
//   extension: BaseCRLNumber ::= INTEGER
//   attribute: none ("Not implemented")
#pragma once

#include "asn1/ASN1Integer.h"
#include "ext/PKIEntityBase.h"

namespace tavrpki {

class PKIDeltaCRLIndicator : public PKIEntityBase {
 public:
  PKIDeltaCRLIndicator();

  const ASN1Integer& GetBaseCRLNumber() const { return m_baseCrlNumber; }
  void SetBaseCRLNumber(const ASN1Integer& number) { m_baseCrlNumber = number; }

  ASN1Attribute ToAttribute() const override;
  ASN1CertExtension ToExtension() const override;
  void FromAttribute(const ASN1Attribute& attribute) override;
  void FromExtension(const ASN1CertExtension& extension) override;

 private:
  ASN1Integer m_baseCrlNumber;
};

}  // namespace tavrpki
