#include "asn1/cms/ASN1SignedData.h"

#include "asn1/ASN1Integer.h"
#include "asn1/ASN1OctetString.h"
#include "asn1/Der.h"
#include "asn1/cms/CmsOids.h"
#include "asn1/cms/Coded.h"
#include "asn1/x509/ASN1Certificate.h"
#include "core/Catalogue.h"

namespace tavrpki {
namespace {

constexpr const char* kOidSubjectKeyId = "2.5.29.14";

// The [n] list of DER elements, written as they are.
void AppendList(ASN1Primitive& to, std::uint32_t tagNumber, const std::vector<Blob>& elements) {
  ASN1Primitive list(ASN1Primitive::kContextSpecific, true, tagNumber);
  for (const Blob& element : elements) list.Append(element);
  to.AppendChild(list);
}

// Header octets of an element with `contentSize` octets of content.
void AppendHeader(Blob& out, std::uint8_t identifier, std::uint64_t contentSize) {
  std::uint8_t octets[1 + 9];
  octets[0] = identifier;
  std::uint8_t* end = der::WriteLength(octets + 1, contentSize);
  out.Append(ByteView(octets, static_cast<std::size_t>(end - octets)));
}

bool KeyIdMatches(const ASN1Certificate& cert, const Blob& keyId) {
  const ASN1CertExtension* extension = cert.TBSCertificate().Extensions().Find(kOidSubjectKeyId);
  if (extension == nullptr) return false;
  ASN1OctetString value;
  value.Decode(extension->Value());
  return value.Value().Equals(keyId);
}

}  // namespace

ASN1Primitive ASN1SignedData::DigestAlgorithmsSet() const {
  ASN1Primitive set(kUniversal, true, 17);
  for (const ASN1AttrTypeValue& algorithm : m_digestAlgorithms) set.AppendChild(algorithm);
  return set;
}

ASN1Primitive ASN1SignedData::Sequence() const {
  ASN1Primitive sequence(kUniversal, true, 16);
  sequence.AppendChild(ASN1Integer(m_version));
  sequence.AppendChild(DigestAlgorithmsSet());
  ASN1Primitive encap(kUniversal, true, 16);
  encap.AppendChild(m_eContentType);
  if (!m_eContent.IsEmpty()) {
    ASN1Primitive wrapper(kContextSpecific, true, 0);
    wrapper.AppendChild(ASN1OctetString(m_eContent.View()));
    encap.AppendChild(wrapper);
  }
  sequence.AppendChild(encap);
  if (!m_certificates.empty()) AppendList(sequence, 0, m_certificates);
  if (!m_crls.empty()) AppendList(sequence, 1, m_crls);
  ASN1Primitive signers(kUniversal, true, 17);
  for (const ASN1SignerInfo& signer : m_signerInfos) signers.AppendChild(signer);
  sequence.AppendChild(signers);
  return sequence;
}

void ASN1SignedData::Encode(Blob& out) const { Sequence().Encode(out); }

std::uint32_t ASN1SignedData::EncodedSize() const { return Sequence().EncodedSize(); }

Blob ASN1SignedData::StreamFooter() const {
  Blob footer;
  ASN1Primitive tail(kUniversal, true, 16);
  if (!m_certificates.empty()) AppendList(tail, 0, m_certificates);
  if (!m_crls.empty()) AppendList(tail, 1, m_crls);
  ASN1Primitive signers(kUniversal, true, 17);
  for (const ASN1SignerInfo& signer : m_signerInfos) signers.AppendChild(signer);
  tail.AppendChild(signers);
  footer.Assign(tail.View());  // the children only, without the helper's own header
  return footer;
}

// Lengths grow from the inside out; every one past the encapsulated content
// counts the content octets and the footer, neither of which is here.
Blob ASN1SignedData::StreamHeader(std::uint64_t dataSize, std::uint64_t footerSize, bool detached) const {
  Blob encap;
  Blob type;
  m_eContentType.Encode(type);
  if (detached || dataSize == 0) {
    // No content, no [0]: as the whole message is written without eContent.
    AppendHeader(encap, 0x30, type.Size());
    encap.Append(type);
  } else {
    Blob octetHeader;
    AppendHeader(octetHeader, 0x04, dataSize);
    Blob wrapped;
    AppendHeader(wrapped, 0xA0, octetHeader.Size() + dataSize);
    wrapped.Append(octetHeader);
    Blob inner(type);
    inner.Append(wrapped);
    AppendHeader(encap, 0x30, inner.Size() + dataSize);
    encap.Append(inner);
  }
  Blob fields;
  ASN1Integer(m_version).Encode(fields);
  Blob set;
  DigestAlgorithmsSet().Encode(set);
  fields.Append(set);
  fields.Append(encap);
  const std::uint64_t tail = dataSize + footerSize;

  Blob signedData;
  AppendHeader(signedData, 0x30, fields.Size() + tail);
  signedData.Append(fields);
  Blob explicitContent;
  AppendHeader(explicitContent, 0xA0, signedData.Size() + tail);
  explicitContent.Append(signedData);
  Blob inner;
  ASN1OID(kOidSignedData).Encode(inner);
  inner.Append(explicitContent);
  Blob header;
  AppendHeader(header, 0x30, inner.Size() + tail);
  header.Append(inner);
  return header;
}

void ASN1SignedData::Decode(ByteView in) {
  cms::Coded(kMsgBadSignedData, [&] {
    der::Header header;
    DerReader fields = DerReader(in).Enter(header);
    if (header.TagNumber() != 16) Raise(kMsgBadSignedData);
    ASN1SignedData read;
    ASN1Integer version;
    fields.Read(version);
    read.m_version = static_cast<std::int32_t>(version.GetValue());

    // Only tag numbers are compared from here on, never the class.
    der::Header setHeader;
    DerReader digests = fields.Enter(setHeader);
    if (setHeader.TagNumber() != 17) Raise(kMsgBadSignedData);
    while (digests.HasMore()) digests.Read(read.m_digestAlgorithms.emplace_back());

    DerReader encap = fields.Enter();
    encap.Read(read.m_eContentType);
    if (encap.HasMore()) {
      DerReader wrapper = encap.Enter();  // [0], identifier not checked
      // The content is copied once, straight from the input: it is most of the message.
      const der::Header octets = der::ReadHeader(wrapper.Rest());
      if (octets.SingleOctet() != 0x04) Raise(kMsgBadSignedData);
      read.m_eContent.Assign(der::Content(wrapper.Rest(), octets));
    }
    if (fields.HasMore() && der::ReadHeader(fields.Rest()).TagNumber() == 0) {
      DerReader certificates = fields.Enter();
      while (certificates.HasMore()) read.m_certificates.emplace_back(certificates.Next());
    }
    if (fields.HasMore() && der::ReadHeader(fields.Rest()).TagNumber() == 1) {
      DerReader crls = fields.Enter();
      while (crls.HasMore()) read.m_crls.emplace_back(crls.Next());
    }
    // A last element that is not a SET is no error: there are simply no signers.
    if (fields.HasMore() && der::ReadHeader(fields.Rest()).TagNumber() == 17) {
      DerReader signers = fields.Enter();
      while (signers.HasMore()) signers.Read(read.m_signerInfos.emplace_back());
    }
    *this = std::move(read);
  });
}

Blob ASN1SignedData::FindSignerCertificate(const ASN1SignerInfo& signer) const {
  for (const Blob& der : m_certificates) {
    try {
      ASN1Certificate cert;
      cert.Decode(der);
      const ASN1TBSCert& body = cert.TBSCertificate();
      const bool matches = signer.SubjectKeyIdentifier().IsEmpty()
                               ? body.Issuer().Equals(signer.Issuer()) &&
                                     body.SerialNumber() == signer.SerialNumber()
                               : KeyIdMatches(cert, signer.SubjectKeyIdentifier());
      if (matches) return der;
    } catch (const ExceptionBase&) {
      // A certificate that does not parse names nobody.
    }
  }
  return Blob();
}

}  // namespace tavrpki
