// Signed messages: the input is read as each structure of a signed message in
// turn (ContentInfo, SignedData, SignerInfo, signing-certificate-v2 value). Each
// either fails with its own one code and stays as it was, or writes a form that
// reads back to the same bytes and reports its size truthfully. A SignedData
// also goes through its signers, their attributes and the streamed form. The one
// thing a read message may hold that cannot be written is an attribute whose SET
// of values is empty or whose type OID has no octets: writing it fails with that
// attribute's own message.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "asn1/cms/ASN1ContentInfo.h"
#include "asn1/cms/ASN1ESSCertIDv2.h"
#include "asn1/cms/ASN1SignedData.h"
#include "asn1/cms/ASN1SignerInfo.h"
#include "asn1/cms/CmsOids.h"
#include "core/Catalogue.h"
#include "core/Exception.h"

using namespace tavrpki;

namespace {

template <typename T>
void RoundTrip(const T& element) {
  Blob first;
  element.Encode(first);
  if (element.EncodedSize() != first.Size()) std::abort();
  T again;
  again.Decode(first);  // must not throw: what we write, we read
  Blob second;
  again.Encode(second);
  if (!second.Equals(first)) std::abort();
}

// Decodes into a default object; false on the structure's own code, abort on any other.
template <typename T>
bool TryDecode(T& element, ByteView in, const Message& code) {
  Blob before;
  element.Encode(before);
  try {
    element.Decode(in);
  } catch (const Exception& error) {
    if (error.GetErrorCode() != code.code) std::abort();
    Blob after;
    element.Encode(after);
    if (!after.Equals(before)) std::abort();
    return false;
  }
  return true;
}

bool Writable(const ASN1Attribute& attribute) { return attribute.HasType() && !attribute.Values().empty(); }

// Signed attributes are written back as they were read; only the unsigned ones are
// written from their fields.
bool Writable(const ASN1SignerInfo& signer) {
  const auto writable = [](const ASN1Attribute& a) { return Writable(a); };
  return std::all_of(signer.UnsignedAttrs().begin(), signer.UnsignedAttrs().end(), writable);
}

bool Writable(const ASN1SignedData& signedData) {
  const auto& signers = signedData.SignerInfos();
  return std::all_of(signers.begin(), signers.end(), [](const ASN1SignerInfo& s) { return Writable(s); });
}

// An element holding such an attribute must refuse to be written, and say why.
template <typename T>
void ExpectUnwritable(const T& element) {
  Blob out;
  try {
    element.Encode(out);
  } catch (const Exception& error) {
    const char* said = error.GetErrorMessage();
    if (std::strcmp(said, kMsgAttributeValueEmpty.format) != 0 && std::strcmp(said, kMsgAttributeTypeEmpty.format) != 0)
      std::abort();
    return;
  }
  std::abort();
}

void CheckSignedData(const ASN1SignedData& signedData) {
  if (!Writable(signedData)) return ExpectUnwritable(signedData);
  RoundTrip(signedData);
  for (const ASN1SignerInfo& signer : signedData.SignerInfos()) {
    (void)signedData.FindSignerCertificate(signer);
    (void)signer.SignedAttributesBytes(true);
    if (signer.HasSignedAttribute(kOidAttrSigningCertificateV2)) {
      ASN1ESSCertIDv2 ess;
      Blob value;
      try {
        signer.GetSignedAttribute(kOidAttrSigningCertificateV2).GetFirstValue().Encode(value);
      } catch (const Exception&) {
        continue;
      }
      if (TryDecode(ess, value, kMsgBadEssCertId)) RoundTrip(ess);
    }
  }
  // The streamed pieces add up to the whole message.
  ASN1ContentInfo info;
  info.SetContentType(kOidSignedData);
  Blob body;
  signedData.Encode(body);
  ASN1Primitive element;
  element.Decode(body);
  info.SetContent(element);
  Blob whole;
  info.Encode(whole);
  const Blob footer = signedData.StreamFooter();
  Blob streamed = signedData.StreamHeader(signedData.Content().Size(), footer.Size(), false);
  streamed.Append(signedData.Content());
  streamed.Append(footer);
  if (!streamed.Equals(whole)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const ByteView in(data, size);
  ASN1ContentInfo info;
  if (TryDecode(info, in, kMsgBadContentInfo)) {
    RoundTrip(info);
    Blob content;
    info.Content().Encode(content);
    ASN1SignedData inner;
    if (TryDecode(inner, content, kMsgBadSignedData)) CheckSignedData(inner);
  }
  ASN1SignedData signedData;
  if (TryDecode(signedData, in, kMsgBadSignedData)) CheckSignedData(signedData);
  ASN1SignerInfo signer;
  if (TryDecode(signer, in, kMsgBadSignerInfo)) {
    if (Writable(signer))
      RoundTrip(signer);
    else
      ExpectUnwritable(signer);
  }
  ASN1ESSCertIDv2 ess;
  if (TryDecode(ess, in, kMsgBadEssCertId)) RoundTrip(ess);
  return 0;
}
