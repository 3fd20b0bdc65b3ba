#include "tests/asn1_x509/Support.h"

#include <map>

namespace tavrpki::test {
namespace {

std::string Join(const std::vector<std::string>& parts, const char* separator = " ") {
  std::string out;
  for (const std::string& part : parts) out += (out.empty() ? "" : separator) + part;
  return out;
}

template <typename T>
std::string EncodingOf(const T& value) {
  Blob out;
  value.Encode(out);
  return H(out);
}

template <typename T>
Decoded Run(ByteView der) {
  T value;
  value.Decode(der);
  return {Reads(value), EncodingOf(value)};
}

const std::map<std::string, Decoded (*)(ByteView)> kDecoders = {
    {"Certificate", Run<ASN1Certificate>},
    {"TBSCertificate", Run<ASN1TBSCert>},
    {"Extensions", Run<ExtensionsCollection>},
    {"Extension", Run<ASN1CertExtension>},
    {"BasicConstraints", Run<ASN1BasicConstriants>},
    {"AuthKeyID", Run<ASN1AuthKeyID>},
    {"DistributionPoint", Run<ASN1DistributionPoint>},
    {"AuthInfoAccess", Run<ASN1AuthInfoAccess>},
    {"ExtKeyUsage", Run<ASN1ExtKeyUsage>},
    {"CertPolicies", Run<ASN1CertPolicies>},
    {"QCStatements", Run<ASN1QCStatements>},
};

// Returns the problem with the element at the start of `in`, and its size.
std::string Check(ByteView in, std::size_t& size, const std::string& path) {
  if (in.size() < 2) return path + ": truncated header";
  const std::uint8_t identifier = in[0];
  if ((identifier & 0x1F) == 0x1F) return path + ": high tag number form";
  std::size_t at = 1;
  std::size_t length = in[at++];
  if (length == 0x80) return path + ": indefinite length";
  if (length > 0x80) {
    const std::size_t count = length & 0x7F;
    if (count > 4 || in.size() < at + count) return path + ": bad length octets";
    if (in[at] == 0) return path + ": length with a leading zero octet";
    length = 0;
    for (std::size_t i = 0; i < count; ++i) length = length << 8 | in[at++];
    if (length < 0x80) return path + ": long form for a short length";
  }
  if (in.size() - at < length) return path + ": content past the end";
  const ByteView content = in.subspan(at, length);
  size = at + length;
  if (identifier == 0x01 && (length != 1 || (content[0] != 0x00 && content[0] != 0xFF)))
    return path + ": BOOLEAN not 00/FF";
  if (identifier == 0x02) {
    if (length == 0) return path + ": empty INTEGER";
    if (length > 1 && ((content[0] == 0x00 && content[1] < 0x80) || (content[0] == 0xFF && content[1] >= 0x80)))
      return path + ": INTEGER not minimal";
  }
  if (identifier == 0x03 && (length == 0 || content[0] > 7 || (length == 1 && content[0] != 0)))
    return path + ": bad BIT STRING unused bits";
  if ((identifier & 0x20) != 0) {
    std::size_t offset = 0;
    for (int child = 0; offset < content.size(); ++child) {
      std::size_t childSize = 0;
      std::string problem = Check(content.subspan(offset), childSize, path + "/" + std::to_string(child));
      if (!problem.empty()) return problem;
      offset += childSize;
    }
  }
  return "";
}

}  // namespace

std::string Reads(const ASN1BasicConstriants& v) {
  return v.IsCA() ? "CA " + std::to_string(v.PathLenConstraint()) : "EE";
}

std::string Reads(const ASN1AuthKeyID& v) {
  std::string out = (v.KeyIdentifierWrapped() != 0 ? "wrapped " : "") + H(v.KeyIdentifier());
  if (v.AuthorityCertIssuer().Count() > 0) out += " issuer=" + Utf8(v.AuthorityCertIssuer().ToText().CStr());
  if (!v.AuthorityCertSerialNumber().IsEmpty()) out += " serial=" + H(v.AuthorityCertSerialNumber().Bytes());
  return out;
}

std::string Reads(const ASN1DistributionPoint& v) {
  std::vector<std::string> urls;
  for (const String& url : v.Urls()) urls.push_back(url.CStr());
  return Join(urls);
}

std::string Reads(const ASN1AuthInfoAccess& v) {
  std::vector<std::string> parts;
  if (v.FirstUrl().Length() != 0) parts.push_back(std::string("first=") + v.FirstUrl().CStr());
  if (v.SecondUrl().Length() != 0) parts.push_back(std::string("second=") + v.SecondUrl().CStr());
  for (const ASN1AttrTypeValue& other : v.Others())
    parts.push_back(std::string(other.TypeText().CStr()) + "=" + String::FromBytes(other.Value().View()).CStr());
  return Join(parts);
}

std::string Reads(const ASN1ExtKeyUsage& v) {
  std::vector<std::string> oids;
  for (const ASN1OID& oid : v.Items()) oids.push_back(oid.ToText().CStr());
  return Join(oids);
}

template <typename List>
std::string ReadsTypes(const List& v) {
  std::vector<std::string> oids;
  for (const ASN1AttrTypeValue& item : v.Items()) oids.push_back(item.TypeText().CStr());
  return Join(oids);
}
std::string Reads(const ASN1CertPolicies& v) { return ReadsTypes(v); }
std::string Reads(const ASN1QCStatements& v) { return ReadsTypes(v); }

std::string Reads(const ExtensionsCollection& v) {
  std::vector<std::string> oids;
  for (const ASN1CertExtension& e : v) oids.push_back(std::string(e.OidText().CStr()) + (e.IsCritical() ? "!" : ""));
  return Join(oids, ",");
}

std::string Reads(const ASN1CertExtension& v) {
  return std::string(v.OidText().CStr()) + (v.IsCritical() ? "!" : "") + " " + H(v.Value());
}

std::string Reads(const ASN1TBSCert& v) { return Summary(v); }
std::string Reads(const ASN1Certificate& v) {
  return Summary(v.TBSCertificate()) + " signature=" + H(v.GetSignature());
}

Decoded DecodeAs(const std::string& type, ByteView der) {
  const auto decoder = kDecoders.find(type);
  if (decoder == kDecoders.end()) {
    ADD_FAILURE() << "no decoder named " << type;
    return {};
  }
  return decoder->second(der);
}

std::string Summary(const ASN1TBSCert& body) {
  std::string out = "version=" + std::to_string(body.Version());
  out += " serial=" + H(body.SerialNumber().Bytes());
  out += " from=" + Show(body.NotBefore()) + " to=" + Show(body.NotAfter());
  out += body.RawValidity().IsEmpty() ? " validity=rebuilt" : " validity=kept";
  out += " extensions=" + Reads(body.Extensions());
  return out;
}

std::string StrictDerProblem(ByteView der) {
  std::size_t size = 0;
  std::string problem = Check(der, size, "0");
  if (problem.empty() && size != der.size()) problem = "bytes after the element";
  return problem;
}

}  // namespace tavrpki::test
