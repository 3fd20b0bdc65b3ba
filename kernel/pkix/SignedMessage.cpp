#include "kernel/pkix/SignedMessage.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <mutex>
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

// Which of the encodings the signature covers: the index into `encodings`, or -1.
// Both are checked with one point multiplication (dstu::VerifyAny).
int VerifyEncodings(std::span<const ByteView> encodings, const ASN1SignerInfo& info, const CKeyPair& signer) {
  std::vector<MessageHash> hashes;
  for (const ByteView bytes : encodings) hashes.push_back(Hash(bytes, HashSBox(signer.GetParams())));
  const ByteView signature = info.Signature().View();
  if (IsStoredOrderAlgorithm(info.SignatureAlgorithm().TypeText().CStr()))
    return dstu::VerifyAny(signer, hashes, signature);
  const std::vector<std::uint8_t> reversed(signature.rbegin(), signature.rend());
  return dstu::VerifyAny(signer, hashes, ByteView(reversed.data(), reversed.size()));
}

// The GOST 34.311 hash of a certificate's DER under an S-box, for ESSCertIDv2. A
// signer signs many messages with one certificate, and hashing it each time cost a
// quarter of a short message's signature: the last few answers are kept, keyed by
// the whole DER and the S-box (certificates are public; a match is exact).
MessageHash CertificateHash(ByteView der, const SBox& sbox) {
  struct Entry {
    std::vector<std::uint8_t> der;
    SBox sbox{};
    MessageHash hash{};
  };
  static std::mutex lock;
  static std::array<Entry, 4> entries;
  static std::size_t next = 0;
  {
    std::lock_guard<std::mutex> guard(lock);
    for (const Entry& entry : entries)
      if (entry.sbox == sbox && std::equal(der.begin(), der.end(), entry.der.begin(), entry.der.end())) return entry.hash;
  }
  const MessageHash hash = Hash(der, sbox.data());
  std::lock_guard<std::mutex> guard(lock);
  Entry& entry = entries[next];
  next = (next + 1) % entries.size();
  entry.der.assign(der.begin(), der.end());
  entry.sbox = sbox;
  entry.hash = hash;
  return hash;
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
  const MessageHash certHash = CertificateHash(der, sbox);
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
  // The system's own form first, then the SET OF form: the first that verifies wins.
  const Blob own = info.SignedAttributesBytes(false), setOf = info.SignedAttributesBytes(true);
  const ByteView encodings[] = {own.View(), setOf.View()};
  const int form = VerifyEncodings(encodings, info, signer);
  if (form == 0) result.form = AttrsForm::kOwn;
  if (form == 1) result.form = AttrsForm::kSetOf;
  return result;
}

}  // namespace tavrpki::pkix
