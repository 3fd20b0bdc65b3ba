#include "asn1/cms/SignedMessageText.h"

#include <cstdio>
#include <cstring>
#include <map>

#include "asn1/ASN1OctetString.h"
#include "asn1/ASN1UTCTime.h"
#include "asn1/Der.h"
#include "asn1/cms/ASN1ContentInfo.h"
#include "asn1/cms/ASN1ESSCertIDv2.h"
#include "asn1/cms/ASN1SignedData.h"
#include "asn1/cms/CmsOids.h"
#include "asn1/x509/ASN1Certificate.h"
#include "core/Exception.h"

namespace tavrpki {
namespace {

constexpr const char* kOidTstInfo = "1.2.840.113549.1.9.16.1.4";

std::string Named(const std::string& oid) {
  static const std::map<std::string, const char*> kNames = {
      {kOidData, "data"},
      {kOidSignedData, "signed-data"},
      {kOidTstInfo, "time-stamp info"},
      {kOidAttrContentType, "content-type"},
      {kOidAttrMessageDigest, "message-digest"},
      {kOidAttrSigningTime, "signing-time"},
      {kOidAttrSigningCertificateV2, "signing-certificate-v2"},
      {kOidAttrContentTimeStamp, "content-time-stamp"},
      {kOidAttrSignatureTimeStamp, "signature-time-stamp"},
      {kOidGost34311, "GOST 34.311-95"},
      {kOidDstuSignaturePolynomial, "DSTU 4145-2002"},
      {kOidDstuSignatureNormal, "DSTU 4145-2002 (normal basis)"},
  };
  const auto it = kNames.find(oid);
  return it == kNames.end() ? oid : oid + " (" + it->second + ")";
}

std::string Hex(ByteView bytes) {
  std::string text;
  char digits[3];
  for (std::uint8_t b : bytes) {
    std::snprintf(digits, sizeof digits, "%02X", b);
    text += digits;
  }
  return text;
}

std::string TimeText(const DateTime& time) {
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d UTC", time.Year(), time.Month(), time.Day(),
                time.Hour(), time.Minute(), time.Second());
  return text;
}

std::string Algorithm(const ASN1AttrTypeValue& algorithm) {
  std::string text = Named(algorithm.TypeText().CStr());
  if (!algorithm.Value().IsEmpty() || algorithm.Value().TagNumber() == 5)
    text += ", parameters " + std::to_string(algorithm.Value().Size()) + " bytes";
  return text;
}

// A name's one-line rendering without the separator after its last attribute.
std::string NameText(const ASN1Name& name) {
  std::string text = name.ToUtf8Text();
  while (!text.empty() && (text.back() == ' ' || text.back() == ';')) text.pop_back();
  return text;
}

std::string Der(const ASN1Primitive& element) {
  Blob der;
  element.Encode(der);
  return Hex(der);
}

void AppendMessage(std::string& out, ByteView der, const std::string& indent);

// genTime of a TSTInfo: SEQUENCE { version, policy, messageImprint, serialNumber, genTime, ... }
std::string GenTime(ByteView tstInfo) {
  try {
    DerReader fields = DerReader(tstInfo).Enter();
    for (int skip = 0; skip < 4; ++skip) fields.Next();
    ASN1GeneralizedTime time;
    fields.Read(time);
    return TimeText(time.GetTime());
  } catch (const ExceptionBase&) {
    return "";
  }
}

std::string ValueText(const std::string& type, const ASN1Primitive& value, const std::string& indent) {
  try {
    Blob der;
    value.Encode(der);
    if (type == kOidAttrContentType) {
      ASN1OID oid;
      oid.Decode(der);
      return Named(oid.ToText().CStr());
    }
    if (type == kOidAttrMessageDigest) {
      ASN1OctetString digest;
      digest.Decode(der);
      return Hex(digest.Value().View());
    }
    if (type == kOidAttrSigningTime) {
      if (value.TagNumber() == 24) {
        ASN1GeneralizedTime time;
        time.Decode(der);
        return TimeText(time.GetTime());
      }
      ASN1UTCTime time;
      time.Decode(der);
      return TimeText(time.GetTime());
    }
    if (type == kOidAttrSigningCertificateV2) {
      ASN1ESSCertIDv2 ess;
      ess.Decode(der);
      return "\n" + indent + "  hash algorithm: " + Algorithm(ess.HashAlgorithm()) + "\n" + indent +
             "  certificate hash: " + Hex(ess.CertHash().View()) + "\n" + indent + "  issuer: " +
             NameText(ess.Issuer()) + (ess.IsGeneralNames() ? " (as GeneralNames)" : " (as Name)") + "\n" +
             indent + "  serial: " + Hex(ess.SerialNumber().Bytes().View());
    }
    if (type == kOidAttrContentTimeStamp || type == kOidAttrSignatureTimeStamp) {
      std::string nested = "time-stamp token, a signed message:\n";
      AppendMessage(nested, der, indent + "    ");
      while (!nested.empty() && nested.back() == '\n') nested.pop_back();
      return nested;
    }
  } catch (const ExceptionBase&) {
    // shown as DER below
  }
  return "DER " + Der(value);
}

void AppendAttributes(std::string& out, const char* title, const std::vector<ASN1Attribute>& attributes,
                      const std::string& indent) {
  if (attributes.empty()) return;
  out += indent + title + ":\n";
  for (const ASN1Attribute& attribute : attributes) {
    const std::string type = attribute.TypeText().CStr();
    for (const ASN1Primitive& value : attribute.Values()) {
      const std::string text = ValueText(type, value, indent + "  ");
      out += indent + "  " + Named(type) + (!text.empty() && text[0] == '\n' ? ":" : ": ") + text + "\n";
    }
  }
}

void AppendMessage(std::string& out, ByteView der, const std::string& indent) {
  ASN1OID type;
  const ByteView content = ASN1ContentInfo::ReadContent(der, type);
  out += indent + "content type: " + Named(type.ToText().CStr()) + "\n";
  if (!type.ToText().Equals(kOidSignedData)) return;
  ASN1SignedData signedData;
  signedData.Decode(content);
  out += indent + "version: " + std::to_string(signedData.Version()) + "\n";
  for (const ASN1AttrTypeValue& digest : signedData.DigestAlgorithms())
    out += indent + "digest algorithm: " + Algorithm(digest) + "\n";
  const std::string contentType = signedData.ContentType().ToText().CStr();
  out += indent + "encapsulated content: " + Named(contentType) + ", ";
  if (signedData.Content().IsEmpty()) {
    out += "detached\n";
  } else {
    out += std::to_string(signedData.Content().Size()) + " bytes\n";
    if (contentType == kOidTstInfo) {
      const std::string genTime = GenTime(signedData.Content().View());
      if (!genTime.empty()) out += indent + "time stamped: " + genTime + "\n";
    }
  }
  out += indent + "certificates: " + std::to_string(signedData.Certificates().size()) + "\n";
  for (const Blob& cert : signedData.Certificates()) {
    try {
      out += indent + "  " + CertificateSubjectText(cert.View()) + " serial " + CertificateSerialText(cert.View()) +
             "\n";
    } catch (const ExceptionBase&) {
      out += indent + "  (not a certificate the library reads, " + std::to_string(cert.Size()) + " bytes)\n";
    }
  }
  out += indent + "crls: " + std::to_string(signedData.Crls().size()) + "\n";
  out += indent + "signers: " + std::to_string(signedData.SignerInfos().size()) + "\n";
  int index = 0;
  for (const ASN1SignerInfo& signer : signedData.SignerInfos()) {
    out += indent + "signer " + std::to_string(index++) + ":\n";
    const std::string inner = indent + "  ";
    out += inner + "version: " + std::to_string(signer.Version()) + "\n";
    if (signer.SubjectKeyIdentifier().IsEmpty()) {
      out += inner + "issuer: " + NameText(signer.Issuer()) + "\n";
      out += inner + "serial: " + Hex(signer.SerialNumber().Bytes().View()) + "\n";
    } else {
      out += inner + "subject key identifier: " + Hex(signer.SubjectKeyIdentifier().View()) + "\n";
    }
    const Blob found = signedData.FindSignerCertificate(signer);
    out += inner + "certificate: " + (found.IsEmpty() ? "not in the message" : "in the message") + "\n";
    out += inner + "digest algorithm: " + Algorithm(signer.DigestAlgorithm()) + "\n";
    out += inner + "signature algorithm: " + Algorithm(signer.SignatureAlgorithm()) + "\n";
    out += inner + "signature: " + std::to_string(signer.Signature().Size()) + " bytes\n";
    AppendAttributes(out, "signed attributes", signer.SignedAttrs(), inner);
    AppendAttributes(out, "unsigned attributes", signer.UnsignedAttrs(), inner);
  }
}

ASN1Certificate Certificate(std::span<const std::uint8_t> der) {
  ASN1Certificate cert;
  cert.Decode(der);
  return cert;
}

}  // namespace

std::string SignedMessageText(std::span<const std::uint8_t> der) {
  std::string out;
  AppendMessage(out, der, "");
  return out;
}

std::string CertificateSubjectText(std::span<const std::uint8_t> certificate) {
  return NameText(Certificate(certificate).TBSCertificate().Subject());
}

std::string CertificateSerialText(std::span<const std::uint8_t> certificate) {
  return Hex(Certificate(certificate).TBSCertificate().SerialNumber().Bytes().View());
}

std::string SigningTimeText(std::span<const std::uint8_t> signerInfo) {
  ASN1SignerInfo signer;
  signer.Decode(signerInfo);
  if (!signer.HasSignedAttribute(kOidAttrSigningTime)) return "";
  return ValueText(kOidAttrSigningTime, signer.GetSignedAttribute(kOidAttrSigningTime).GetFirstValue(), "");
}

}  // namespace tavrpki
