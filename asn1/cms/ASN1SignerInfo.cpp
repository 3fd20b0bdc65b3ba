#include "asn1/cms/ASN1SignerInfo.h"

#include <cstring>

#include "asn1/ASN1OctetString.h"
#include "asn1/Der.h"
#include "asn1/cms/Coded.h"
#include "core/Catalogue.h"

namespace tavrpki {
namespace {

bool IsType(const ASN1Attribute& attribute, const char* oid) {
  return attribute.HasType() && std::strcmp(attribute.TypeText().CStr(), oid) == 0;
}

}  // namespace

bool ASN1SignerInfo::HasSignedAttribute(const char* oid) const {
  for (const ASN1Attribute& attribute : m_signedAttrs)
    if (IsType(attribute, oid)) return true;
  return false;
}

const ASN1Attribute& ASN1SignerInfo::GetSignedAttribute(const char* oid) const {
  for (const ASN1Attribute& attribute : m_signedAttrs)
    if (IsType(attribute, oid)) return attribute;
  Raise(kMsgSignedAttributeNotFound);
}

ASN1Primitive ASN1SignerInfo::SignedAttrsElement() const {
  ASN1Primitive element(kContextSpecific, true, 0);
  for (const ASN1Attribute& attribute : m_signedAttrs) element.AppendChild(attribute);  // insertion order
  return element;
}

Blob ASN1SignerInfo::SignedAttributesBytes(bool setOfForm) const {
  Blob bytes;
  if (!m_signedAttrsRead.IsEmpty()) {
    bytes = m_signedAttrsRead;
  } else if (!m_signedAttrs.empty()) {
    SignedAttrsElement().Encode(bytes);
  }
  if (setOfForm && !bytes.IsEmpty()) *bytes.Data() = 0x31;
  return bytes;
}

ASN1Primitive ASN1SignerInfo::Sequence() const {
  ASN1Primitive sequence(kUniversal, true, 16);
  sequence.AppendChild(ASN1Integer(m_version));
  if (!m_subjectKeyIdentifier.IsEmpty()) {
    if (m_keyIdImplicit) {
      ASN1Primitive keyId(kContextSpecific, false, 0);
      keyId.Assign(m_subjectKeyIdentifier);
      sequence.AppendChild(keyId);
    } else {
      ASN1Primitive keyId(kContextSpecific, true, 0);
      keyId.AppendChild(ASN1OctetString(m_subjectKeyIdentifier.View()));
      sequence.AppendChild(keyId);
    }
  } else {
    ASN1Primitive issuerAndSerial(kUniversal, true, 16);
    issuerAndSerial.AppendChild(m_issuer);
    issuerAndSerial.AppendChild(m_serialNumber);
    sequence.AppendChild(issuerAndSerial);
  }
  sequence.AppendChild(m_digestAlgorithm);
  if (!m_signedAttrsRead.IsEmpty()) {
    sequence.Append(m_signedAttrsRead);
  } else if (!m_signedAttrs.empty()) {
    sequence.AppendChild(SignedAttrsElement());
  }
  sequence.AppendChild(m_signatureAlgorithm);
  sequence.AppendChild(ASN1OctetString(m_signature.View()));
  if (!m_unsignedAttrs.empty()) {
    ASN1Primitive unsignedAttrs(kContextSpecific, true, 1);
    for (const ASN1Attribute& attribute : m_unsignedAttrs) unsignedAttrs.AppendChild(attribute);
    sequence.AppendChild(unsignedAttrs);
  }
  return sequence;
}

void ASN1SignerInfo::Encode(Blob& out) const { Sequence().Encode(out); }

std::uint32_t ASN1SignerInfo::EncodedSize() const { return Sequence().EncodedSize(); }

void ASN1SignerInfo::Decode(ByteView in) {
  cms::Coded(kMsgBadSignerInfo, [&] {
    der::Header header;
    DerReader fields = DerReader(in).Enter(header);
    if (header.TagNumber() != 16) Raise(kMsgBadSignerInfo);
    ASN1SignerInfo read;
    ASN1Integer version;
    fields.Read(version);
    read.m_version = static_cast<std::int32_t>(version.GetValue());

    const der::Header sid = der::ReadHeader(fields.Rest());
    if (sid.TagClass() == kContextSpecific && sid.TagNumber() == 0) {
      const ByteView content = der::Content(fields.Rest(), sid);
      if (sid.IsConstructed()) {
        ASN1OctetString keyId;
        keyId.Decode(content);
        read.m_subjectKeyIdentifier.Assign(keyId.Value());
      } else {
        read.m_subjectKeyIdentifier.Assign(content);
        read.m_keyIdImplicit = true;
      }
      // An empty key identifier could not be told from issuer and serial later.
      if (read.m_subjectKeyIdentifier.IsEmpty()) Raise(kMsgBadSignerInfo);
      fields.Next();
    } else {
      if (sid.TagClass() != kUniversal || sid.TagNumber() != 16) Raise(kMsgBadSignerInfo);
      DerReader issuerAndSerial = fields.Enter();
      issuerAndSerial.Read(read.m_issuer);
      issuerAndSerial.Read(read.m_serialNumber);
    }
    fields.Read(read.m_digestAlgorithm);
    if (der::ReadHeader(fields.Rest()).TagNumber() == 0) {
      const ByteView element = fields.Next();
      read.m_signedAttrsRead.Assign(element);
      DerReader attributes(der::Content(element, der::ReadHeader(element)));
      while (attributes.HasMore()) attributes.Read(read.m_signedAttrs.emplace_back());
    }
    fields.Read(read.m_signatureAlgorithm);
    ASN1OctetString signature;
    fields.Read(signature);
    read.m_signature.Assign(signature.Value());
    // Anything after the signature other than [1] is not read.
    if (fields.HasMore() && der::ReadHeader(fields.Rest()).TagNumber() == 1) {
      DerReader attributes = fields.Enter();
      while (attributes.HasMore()) attributes.Read(read.m_unsignedAttrs.emplace_back());
    }
    read.SetTagClass(TagClass());
    read.SetConstructed(IsConstructed());
    read.SetTagNumber(TagNumber());
    *this = std::move(read);
  });
}

}  // namespace tavrpki
