#include "kernel/pkix/SignedMessage.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "asn1/ASN1OctetString.h"
#include "asn1/cms/ASN1ESSCertIDv2.h"
#include "asn1/cms/CmsOids.h"
#include "core/Catalogue.h"
#include "crypto/dstu/Dstu4145Ops.h"
#include "crypto/params/Dke.h"
#include "crypto/params/DstuParams.h"
#include "crypto/symmetric/SymmetricOps.h"
#include "kernel/pkix/SignedBody.h"

namespace tavrpki::pkix {
namespace {

MessageHash Hash(ByteView bytes, const unsigned char* sbox) {
  MessageHash hash{};
  symmetric::CalcHash(bytes, hash, sbox);
  return hash;
}

bool VerifyBytes(ByteView bytes, const ASN1SignerInfo& info, const CKeyPair& signer) {
  const MessageHash hash = Hash(bytes, HashSBox(signer.GetParams()));
  const ByteView signature = info.Signature().View();
  if (IsStoredOrderAlgorithm(info.SignatureAlgorithm().TypeText().CStr()))
    return dstu::Verify(signer, hash, signature);
  const std::vector<std::uint8_t> reversed(signature.rbegin(), signature.rend());
  return dstu::Verify(signer, hash, ByteView(reversed.data(), reversed.size()));
}

}  // namespace

SBox ExpandedSBox(const CAsymmetric4145Params& params) {
  SBox sbox{};
  const unsigned char* table = HashSBox(params);
  if (table == nullptr) {
    std::copy(params::kDefaultSBox.begin(), params::kDefaultSBox.end(), sbox.begin());
  } else {
    std::copy_n(table, sbox.size(), sbox.begin());
  }
  return sbox;
}

ASN1SignerInfo SignerInfoFor(const ASN1Certificate& cert, const SBox& sbox) {
  const ASN1TBSCert& body = cert.TBSCertificate();
  ASN1SignerInfo info;
  info.SetVersion(1);
  info.SetIssuer(body.Issuer());
  info.SetSerialNumber(body.SerialNumber());
  const ASN1AttrTypeValue digest(kOidGost34311, ASN1OctetString(ByteView(sbox.data(), sbox.size())));
  info.SetDigestAlgorithm(digest);
  info.SetSignatureAlgorithm(body.PublicKeyInfo().Algorithm());

  Blob der;
  cert.Encode(der);
  ASN1ESSCertIDv2 ess;
  ess.SetHashAlgorithm(digest);
  const MessageHash certHash = Hash(der, sbox.data());
  ess.SetCertHash(ByteView(certHash.data(), certHash.size()));
  ess.SetIssuer(body.Issuer());
  ess.SetSerialNumber(body.SerialNumber());
  Blob essDer;
  ess.Encode(essDer);
  ASN1Primitive essValue;
  essValue.Decode(essDer);
  std::vector<ASN1Attribute>& attrs = info.MutableSignedAttrs();
  attrs.emplace_back(kOidAttrSigningCertificateV2, essValue);
  attrs.emplace_back(kOidAttrContentType, ASN1OID(kOidData));
  return info;
}

void ToStandardForm(ASN1SignerInfo& signer) {
  ASN1AttrTypeValue digest(signer.DigestAlgorithm());
  digest.SetValue(ASN1Primitive());
  signer.SetDigestAlgorithm(digest);
  for (ASN1Attribute& attribute : signer.MutableSignedAttrs()) {
    if (std::strcmp(attribute.TypeText().CStr(), kOidAttrSigningCertificateV2) != 0) continue;
    Blob der;
    attribute.GetFirstValue().Encode(der);
    ASN1ESSCertIDv2 ess;
    ess.Decode(der);
    ASN1AttrTypeValue hashAlgorithm(ess.HashAlgorithm());
    hashAlgorithm.SetValue(ASN1Primitive());
    ess.SetHashAlgorithm(hashAlgorithm);
    ess.SetGeneralNames(true);
    ess.Encode(der);
    attribute.Values().front().Decode(der);
    break;
  }
}

Blob MessageDigestOf(const ASN1SignerInfo& info) {
  Blob value;
  info.GetSignedAttribute(kOidAttrMessageDigest).GetFirstValue().Encode(value);
  ASN1OctetString digest;
  digest.Decode(value);
  return Blob(digest.Value());
}

Verification VerifySignerInfo(const ASN1SignerInfo& info, const MessageHash& hash, const CKeyPair& signer) {
  Verification result;
  const Blob digest = MessageDigestOf(info);
  result.digestMatches = digest.View().size() == hash.size() &&
                         std::equal(hash.begin(), hash.end(), digest.View().begin());
  // A digest that differs settles it: no signature check is spent on it.
  if (!result.digestMatches || info.SignedAttrs().empty()) return result;
  if (VerifyBytes(info.SignedAttributesBytes(false), info, signer)) {
    result.form = AttrsForm::kOwn;
  } else if (VerifyBytes(info.SignedAttributesBytes(true), info, signer)) {
    result.form = AttrsForm::kSetOf;
  }
  return result;
}

}  // namespace tavrpki::pkix
