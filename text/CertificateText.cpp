#include "text/CertificateText.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string_view>
#include <vector>

#include "asn1/ASN1Integer.h"
#include "asn1/ASN1Name.h"
#include "asn1/ASN1OID.h"
#include "asn1/ASN1Utf8String.h"
#include "asn1/Der.h"
#include "asn1/x509/ASN1Certificate.h"
#include "core/Exception.h"
#include "core/MessageText.h"
#include "core/OidTable.h"
#include "crypto/params/Dke.h"
#include "crypto/params/ParamsText.h"

namespace tavrpki {
namespace {

// ---------------------------------------------------------------- output

class Lines {
 public:
  void Add(int indent, std::string_view text) {
    m_text.append(static_cast<std::size_t>(indent), ' ');
    m_text.append(text);
    m_text.push_back('\n');
  }
  // Lines collected elsewhere, already ended.
  void Append(Lines&& block) { m_text += block.m_text; }
  std::string Take() { return std::move(m_text); }

 private:
  std::string m_text;
};

// Text from a certificate, made safe to print: control characters become ".".
// `utf8` is valid UTF-8 already (Utf8TextOf guarantees it).
std::string Printable(std::string_view utf8) {
  std::string out(utf8);
  for (char& c : out)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '.';
  return out;
}

// IA5String-like octets (URIs, e-mail addresses): ASCII, anything else as \xHH.
std::string Ascii(ByteView bytes) {
  std::string out;
  for (std::uint8_t b : bytes) {
    if (b >= 0x20 && b < 0x7F) {
      out.push_back(static_cast<char>(b));
    } else {
      char escaped[5];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", b);
      out += escaped;
    }
  }
  return out;
}

std::string Hex(ByteView bytes, std::string_view separator = ":") {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i != 0) out += separator;
    out.push_back(kDigits[bytes[i] >> 4]);
    out.push_back(kDigits[bytes[i] & 15]);
  }
  return out;
}

void HexBlock(Lines& out, int indent, ByteView bytes) {
  constexpr std::size_t kPerLine = 16;
  for (std::size_t i = 0; i < bytes.size(); i += kPerLine)
    out.Add(indent, Hex(bytes.subspan(i, std::min(kPerLine, bytes.size() - i))) +
                        (i + kPerLine < bytes.size() ? ":" : ""));
}

std::string FailureText(const ExceptionBase& error) {
  const unsigned long code = error.GetErrorCode();
  const bool coded = code != 0xFFFFFFFFul && code != static_cast<unsigned long>(-1);
  return MessageAsUtf8(error) + (coded ? " (code " + std::to_string(code) + ")" : "");
}

std::string Decimal(std::uint64_t value) { return std::to_string(value); }

// ---------------------------------------------------------------- reading

struct Element {
  der::Header header;
  ByteView content;
  ByteView whole;
  int Identifier() const { return header.SingleOctet(); }
};

Element Next(DerReader& reader) {
  Element e;
  e.whole = reader.Next();
  e.header = der::ReadHeader(e.whole);
  e.content = der::Content(e.whole, e.header);
  return e;
}

// The one element `in` holds, which must be a SEQUENCE (else "not a SEQUENCE").
constexpr Message kMsgNotSequence{kNoCode, "The value is not a SEQUENCE"};
constexpr Message kMsgUnexpected{kNoCode, "Unexpected element in the value"};

DerReader Sequence(ByteView in) {
  if (in.empty() || in[0] != 0x30) Raise(kMsgNotSequence);
  return DerReader(der::ReadContentOf(in, 0x30, kMsgNotSequence));
}

DerReader Inside(const Element& e) { return DerReader(e.content); }

std::string OidOf(const Element& e) {
  if (e.Identifier() != 0x06) Raise(kMsgUnexpected);
  ASN1OID oid;
  oid.Decode(e.whole);
  return oid.ToText().CStr();
}

std::string IntegerText(ByteView content) {
  if (content.size() <= 8 && !content.empty() && (content[0] & 0x80) == 0) {
    std::uint64_t value = 0;
    for (std::uint8_t b : content) value = value << 8 | b;
    return Decimal(value) + (value > 9 ? " (0x" + Hex(content, "") + ")" : "");
  }
  return "0x" + Hex(content, "");
}

// The text of a string element (UTF8String, PrintableString, BMPString, ...), or
// its octets in hexadecimal ("#" as openssl marks them) for any other type.
std::string ValueText(const Element& e) {
  ASN1Primitive element;
  element.Decode(e.whole);
  try {
    return Printable(Utf8TextOf(element));
  } catch (const Exception&) {
    return "#" + Hex(e.whole, "");
  }
}

// ---------------------------------------------------------------- names of things

struct Named {
  std::string_view oid;
  std::string_view name;
};

std::string_view Lookup(std::span<const Named> table, std::string_view oid) {
  for (const Named& entry : table)
    if (entry.oid == oid) return entry.name;
  return {};
}

// "name (oid)", or the OID alone when it has no name here.
std::string NameAndOid(std::span<const Named> table, const std::string& oid) {
  const std::string_view name = Lookup(table, oid);
  return name.empty() ? oid : std::string(name) + " (" + oid + ")";
}

constexpr Named kAlgorithms[] = {
    {"1.2.804.2.1.1.1.1.3.1.1", "DSTU 4145-2002 with GOST 34.311-95, polynomial basis"},
    {"1.2.804.2.1.1.1.1.3.1.2", "DSTU 4145-2002 with GOST 34.311-95, optimal normal basis"},
    {"1.2.804.2.1.1.1.1.3.1.1.1.1", "DSTU 4145-2002 with GOST 34.311-95, polynomial basis, big-endian"},
    {"1.2.804.2.1.1.1.1.3.1.2.1.1", "DSTU 4145-2002 with GOST 34.311-95, optimal normal basis, big-endian"},
};

// Short names of name attributes, as openssl prints them.
constexpr Named kAttributes[] = {
    {"2.5.4.3", "CN"},        {"2.5.4.4", "SN"},       {"2.5.4.42", "GN"},
    {"2.5.4.6", "C"},         {"2.5.4.10", "O"},       {"2.5.4.11", "OU"},
    {"2.5.4.12", "title"},    {"2.5.4.7", "L"},        {"2.5.4.8", "ST"},
    {"2.5.4.5", "serialNumber"}, {"2.5.4.9", "street"}, {"2.5.4.17", "postalCode"},
    {"2.5.4.97", "organizationIdentifier"},           {"0.9.2342.19200300.100.1.1", "UID"},
    {"1.2.840.113549.1.9.1", "E"},
};

constexpr Named kExtensions[] = {
    {"2.5.29.14", "X509v3 Subject Key Identifier"},
    {"2.5.29.35", "X509v3 Authority Key Identifier"},
    {"2.5.29.15", "X509v3 Key Usage"},
    {"2.5.29.37", "X509v3 Extended Key Usage"},
    {"2.5.29.32", "X509v3 Certificate Policies"},
    {"2.5.29.19", "X509v3 Basic Constraints"},
    {"2.5.29.31", "X509v3 CRL Distribution Points"},
    {"2.5.29.46", "X509v3 Freshest CRL"},
    {"2.5.29.17", "X509v3 Subject Alternative Name"},
    {"2.5.29.18", "X509v3 Issuer Alternative Name"},
    {"2.5.29.9", "X509v3 Subject Directory Attributes"},
    {"2.5.29.16", "X509v3 Private Key Usage Period"},
    {"2.5.29.27", "X509v3 Delta CRL Indicator"},
    {"2.5.29.20", "X509v3 CRL Number"},
    {"1.3.6.1.5.5.7.1.1", "Authority Information Access"},
    {"1.3.6.1.5.5.7.1.11", "Subject Information Access"},
    {"1.3.6.1.5.5.7.1.3", "qcStatements"},
    {"1.3.6.1.5.5.7.0.18.3", "Enforced Certificate Statements"},
};

constexpr Named kKeyPurposes[] = {
    {"1.3.6.1.5.5.7.3.1", "TLS Web Server Authentication"},
    {"1.3.6.1.5.5.7.3.2", "TLS Web Client Authentication"},
    {"1.3.6.1.5.5.7.3.3", "Code Signing"},
    {"1.3.6.1.5.5.7.3.4", "E-mail Protection"},
    {"1.3.6.1.5.5.7.3.8", "Time Stamping"},
    {"1.3.6.1.5.5.7.3.9", "OCSP Signing"},
    {"2.5.29.37.0", "Any Extended Key Usage"},
};

constexpr Named kPolicies[] = {
    {"2.5.29.32.0", "X509v3 Any Policy"},
    {"0.4.0.2042.1.1", "NCP"},
    {"0.4.0.2042.1.2", "NCP+"},
    {"0.4.0.194112.1.0", "QCP-n"},
    {"0.4.0.194112.1.1", "QCP-l"},
    {"0.4.0.194112.1.2", "QCP-n-qscd"},
    {"0.4.0.194112.1.3", "QCP-l-qscd"},
};

constexpr Named kQualifiers[] = {
    {"1.3.6.1.5.5.7.2.1", "CPS"},
    {"1.3.6.1.5.5.7.2.2", "User Notice"},
};

constexpr Named kAccessMethods[] = {
    {"1.3.6.1.5.5.7.48.1", "OCSP"},
    {"1.3.6.1.5.5.7.48.2", "CA Issuers"},
    {"1.3.6.1.5.5.7.48.3", "AD Time Stamping"},
    {"1.3.6.1.5.5.7.48.5", "CA Repository"},
};

constexpr Named kStatements[] = {
    {"0.4.0.1862.1.1", "QcCompliance"},
    {"0.4.0.1862.1.2", "QcLimitValue"},
    {"0.4.0.1862.1.3", "QcRetentionPeriod"},
    {"0.4.0.1862.1.4", "QcSSCD"},
    {"0.4.0.1862.1.5", "QcPDS"},
    {"0.4.0.1862.1.6", "QcType"},
    {"0.4.0.1862.1.6.1", "esign"},
    {"0.4.0.1862.1.6.2", "eseal"},
    {"0.4.0.1862.1.6.3", "web"},
    {"1.3.6.1.5.5.7.11.1", "id-qcs-pkixQCSyntax-v1"},
    {"1.3.6.1.5.5.7.11.2", "id-qcs-pkixQCSyntax-v2"},
    {"0.4.0.194121.1.1", "id-etsi-qcs-semanticsId-Natural"},
    {"0.4.0.194121.1.2", "id-etsi-qcs-semanticsId-Legal"},
};

// Bit names of KeyUsage, bit 0 first, as openssl spells them.
constexpr std::string_view kKeyUsageBits[] = {
    "Digital Signature", "Non Repudiation", "Key Encipherment", "Data Encipherment", "Key Agreement",
    "Certificate Sign",  "CRL Sign",        "Encipher Only",    "Decipher Only"};

// ---------------------------------------------------------------- general names

// The name's one-line rendering ("CN = ...; C = UA;"), without the blank it ends in.
std::string OneLine(const ASN1Name& name) {
  std::string text = Printable(name.ToUtf8Text());
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

// One GeneralName as openssl writes it ("URI:http://...", "email:...").
std::string GeneralName(const Element& e) {
  const int tag = e.header.TagClass() == 2 ? static_cast<int>(e.header.TagNumber()) : -1;
  switch (tag) {
    case 0: {  // otherName: [0] { type-id OID, value [0] EXPLICIT ANY }
      DerReader inner = Inside(e);
      const std::string type = OidOf(Next(inner));
      std::string value;
      if (inner.HasMore()) {
        DerReader explicitValue = Inside(Next(inner));
        if (explicitValue.HasMore()) value = ValueText(Next(explicitValue));
      }
      return "othername: " + type + "::" + value;
    }
    case 1:
      return "email:" + Ascii(e.content);
    case 2:
      return "DNS:" + Ascii(e.content);
    case 4: {  // directoryName: [4] EXPLICIT Name
      DerReader inner = Inside(e);
      ASN1Name name;
      name.Decode(Next(inner).whole);
      return "DirName:" + OneLine(name);
    }
    case 6:
      return "URI:" + Ascii(e.content);
    case 7: {
      if (e.content.size() != 4) return "IP Address:" + Hex(e.content);
      std::string ip;
      for (std::uint8_t b : e.content) ip += (ip.empty() ? "" : ".") + Decimal(b);
      return "IP Address:" + ip;
    }
    case 8: {
      ASN1OID oid;
      oid.SetTagNumber(8);
      std::vector<std::uint8_t> retagged(e.whole.begin(), e.whole.end());
      retagged[0] = 0x06;
      oid.Decode(retagged);
      return std::string("Registered ID:") + oid.ToText().CStr();
    }
    default:
      return "<unsupported name " + Hex(e.whole, "") + ">";
  }
}

std::string GeneralNames(DerReader names) {
  std::string out;
  while (names.HasMore()) out += (out.empty() ? "" : ", ") + GeneralName(Next(names));
  return out;
}

// ---------------------------------------------------------------- extension values

using Printer = void (*)(Lines& out, int indent, ByteView value);

void SubjectKeyId(Lines& out, int indent, ByteView value) {
  if (value.empty() || value[0] != 0x04) Raise(kMsgUnexpected);
  out.Add(indent, Hex(der::ReadContentOf(value, 0x04, kMsgUnexpected)));
}

//   AuthorityKeyIdentifier ::= SEQUENCE { keyIdentifier [0] ..., authorityCertIssuer [1] ...,
//                                         authorityCertSerialNumber [2] INTEGER }
// The key identifier may be wrapped ([0] { OCTET STRING }) and the issuer a bare
// Name instead of GeneralNames: this system reads and writes both forms.
void AuthorityKeyId(Lines& out, int indent, ByteView value) {
  DerReader seq = Sequence(value);
  while (seq.HasMore()) {
    const Element e = Next(seq);
    if (e.Identifier() == 0x80) {
      out.Add(indent, "keyid:" + Hex(e.content));
    } else if (e.Identifier() == 0xA0) {
      DerReader inner = Inside(e);
      const Element id = Next(inner);
      out.Add(indent, "keyid:" + Hex(id.content));
    } else if (e.Identifier() == 0xA1) {
      DerReader inner = Inside(e);
      if (inner.HasMore() && inner.PeekIdentifier() == 0xA4) {
        out.Add(indent, GeneralNames(inner));
      } else {
        std::vector<std::uint8_t> name(e.whole.begin(), e.whole.end());
        name[0] = 0x30;
        ASN1Name issuer;
        issuer.Decode(name);
        out.Add(indent, "DirName:" + OneLine(issuer));
      }
    } else if (e.Identifier() == 0x82) {
      out.Add(indent, "serial:" + Hex(e.content, ""));
    } else {
      Raise(kMsgUnexpected);
    }
  }
}

void KeyUsage(Lines& out, int indent, ByteView value) {
  if (value.empty() || value[0] != 0x03) Raise(kMsgUnexpected);
  const ByteView content = der::ReadContentOf(value, 0x03, kMsgUnexpected);
  if (content.empty() || content[0] > 7) Raise(kMsgUnexpected);
  ByteView bits = content.subspan(1);
  std::string note;
  // Some issuers write the usage byte as a 32-bit big-endian integer: four bytes,
  // the first three zero. Read literally that would set only bits 24 to 31, which
  // KeyUsage does not have; what the issuer means is the last byte as bits 0 to 7.
  if (bits.size() == 4 && bits[0] == 0 && bits[1] == 0 && bits[2] == 0 && bits[3] != 0) {
    bits = bits.subspan(3);
    note = " (4-byte form: the usage byte stands last)";
  }
  std::string names;
  for (std::size_t i = 0; i < bits.size() * 8; ++i) {
    if ((bits[i / 8] & (0x80 >> (i % 8))) == 0) continue;
    const std::string name = i < std::size(kKeyUsageBits) ? std::string(kKeyUsageBits[i]) : "bit " + Decimal(i);
    names += (names.empty() ? "" : ", ") + name;
  }
  out.Add(indent, (names.empty() ? std::string("(none)") : names) + note);
}

void ExtendedKeyUsage(Lines& out, int indent, ByteView value) {
  DerReader seq = Sequence(value);
  std::string purposes;
  while (seq.HasMore()) {
    const std::string oid = OidOf(Next(seq));
    const std::string_view name = Lookup(kKeyPurposes, oid);
    purposes += (purposes.empty() ? "" : ", ") + (name.empty() ? oid : std::string(name));
  }
  out.Add(indent, purposes);
}

void UserNotice(Lines& out, int indent, const Element& notice) {
  DerReader seq = Inside(notice);
  while (seq.HasMore()) {
    const Element e = Next(seq);
    if (e.Identifier() == 0x30) {  // noticeRef { organization, noticeNumbers }
      DerReader ref = Inside(e);
      out.Add(indent, "Organization: " + ValueText(Next(ref)));
      if (ref.HasMore()) {
        DerReader numbers = Inside(Next(ref));
        std::string list;
        while (numbers.HasMore()) list += (list.empty() ? "" : ", ") + IntegerText(Next(numbers).content);
        out.Add(indent, "Number" + std::string(list.find(',') == std::string::npos ? "" : "s") + ": " + list);
      }
    } else {
      out.Add(indent, "Explicit Text: " + ValueText(e));
    }
  }
}

void Policies(Lines& out, int indent, ByteView value) {
  DerReader seq = Sequence(value);
  while (seq.HasMore()) {
    DerReader info = Inside(Next(seq));
    out.Add(indent, "Policy: " + NameAndOid(kPolicies, OidOf(Next(info))));
    if (!info.HasMore()) continue;
    DerReader qualifiers = Inside(Next(info));
    while (qualifiers.HasMore()) {
      DerReader qualifier = Inside(Next(qualifiers));
      const std::string id = OidOf(Next(qualifier));
      if (!qualifier.HasMore()) {
        out.Add(indent + 2, NameAndOid(kQualifiers, id));
        continue;
      }
      const Element q = Next(qualifier);
      if (id == "1.3.6.1.5.5.7.2.1") {
        out.Add(indent + 2, "CPS: " + Ascii(q.content));
      } else if (id == "1.3.6.1.5.5.7.2.2" && q.Identifier() == 0x30) {
        out.Add(indent + 2, "User Notice:");
        UserNotice(out, indent + 4, q);
      } else {
        out.Add(indent + 2, id + ": " + Hex(q.whole, ""));
      }
    }
  }
}

void BasicConstraints(Lines& out, int indent, ByteView value) {
  DerReader seq = Sequence(value);
  bool ca = false;
  std::string pathLen;
  while (seq.HasMore()) {
    const Element e = Next(seq);
    if (e.Identifier() == 0x01 && e.content.size() == 1) {
      ca = e.content[0] != 0;
    } else if (e.Identifier() == 0x02) {
      pathLen = IntegerText(e.content);
    } else {
      Raise(kMsgUnexpected);
    }
  }
  out.Add(indent, std::string(ca ? "CA:TRUE" : "CA:FALSE") + (pathLen.empty() ? "" : ", pathlen:" + pathLen));
}

//   DistributionPoint ::= SEQUENCE { distributionPoint [0] DistributionPointName OPTIONAL,
//                                    reasons [1] ReasonFlags OPTIONAL, cRLIssuer [2] GeneralNames OPTIONAL }
//   DistributionPointName ::= CHOICE { fullName [0] GeneralNames, nameRelativeToCRLIssuer [1] RDN }
void DistributionPoints(Lines& out, int indent, ByteView value) {
  DerReader seq = Sequence(value);
  while (seq.HasMore()) {
    DerReader point = Inside(Next(seq));
    while (point.HasMore()) {
      const Element e = Next(point);
      if (e.Identifier() == 0xA0) {
        DerReader name = Inside(e);
        const Element choice = Next(name);
        if (choice.Identifier() == 0xA0) {
          out.Add(indent, "Full Name:");
          DerReader names = Inside(choice);
          while (names.HasMore()) out.Add(indent + 2, GeneralName(Next(names)));
        } else {
          out.Add(indent, "Relative Name: " + Hex(choice.content, ""));
        }
      } else if (e.Identifier() == 0x81) {
        out.Add(indent, "Reasons: " + Hex(e.content, ""));
      } else if (e.Identifier() == 0xA2) {
        out.Add(indent, "CRL Issuer: " + GeneralNames(Inside(e)));
      } else {
        Raise(kMsgUnexpected);
      }
    }
  }
}

void AccessDescriptions(Lines& out, int indent, ByteView value) {
  DerReader seq = Sequence(value);
  while (seq.HasMore()) {
    DerReader description = Inside(Next(seq));
    const std::string method = OidOf(Next(description));
    const std::string_view name = Lookup(kAccessMethods, method);
    out.Add(indent, (name.empty() ? method : std::string(name)) + " - " + GeneralName(Next(description)));
  }
}

void AlternativeNames(Lines& out, int indent, ByteView value) { out.Add(indent, GeneralNames(Sequence(value))); }

//   QCStatement ::= SEQUENCE { statementId OBJECT IDENTIFIER, statementInfo ANY OPTIONAL }
void QcStatements(Lines& out, int indent, ByteView value) {
  DerReader seq = Sequence(value);
  while (seq.HasMore()) {
    DerReader statement = Inside(Next(seq));
    const std::string id = OidOf(Next(statement));
    out.Add(indent, NameAndOid(kStatements, id));
    if (!statement.HasMore()) continue;
    const Element info = Next(statement);
    if (id == "0.4.0.1862.1.6" && info.Identifier() == 0x30) {  // QcType: SEQUENCE OF OID
      DerReader types = Inside(info);
      while (types.HasMore()) out.Add(indent + 2, NameAndOid(kStatements, OidOf(Next(types))));
    } else if (id == "0.4.0.1862.1.5" && info.Identifier() == 0x30) {  // QcPDS: SEQUENCE OF { url, language }
      DerReader locations = Inside(info);
      while (locations.HasMore()) {
        DerReader location = Inside(Next(locations));
        const std::string url = Ascii(Next(location).content);
        const std::string language = location.HasMore() ? Ascii(Next(location).content) : "";
        out.Add(indent + 2, url + (language.empty() ? "" : " (" + language + ")"));
      }
    } else if (id == "0.4.0.1862.1.3" && info.Identifier() == 0x02) {
      out.Add(indent + 2, "Years: " + IntegerText(info.content));
    } else {
      out.Add(indent + 2, Hex(info.whole, ""));
    }
  }
}

void EnforcedStatements(Lines& out, int indent, ByteView value) {
  DerReader seq = Sequence(value);
  while (seq.HasMore()) {
    DerReader statement = Inside(Next(seq));
    out.Add(indent, NameAndOid(kStatements, OidOf(Next(statement))));
  }
}

void DirectoryAttributes(Lines& out, int indent, ByteView value) {
  DerReader seq = Sequence(value);
  while (seq.HasMore()) {
    DerReader attribute = Inside(Next(seq));
    const std::string type = NameAndOid(kAttributes, OidOf(Next(attribute)));
    DerReader values = Inside(Next(attribute));
    std::string texts;
    while (values.HasMore()) texts += (texts.empty() ? "" : ", ") + ValueText(Next(values));
    out.Add(indent, type + ": " + texts);
  }
}

std::string GeneralizedTimeText(ByteView text) {
  // YYYYMMDDHHMMSSZ
  if (text.size() < 14) return Ascii(text);
  const std::string t(text.begin(), text.end());
  return t.substr(0, 4) + "-" + t.substr(4, 2) + "-" + t.substr(6, 2) + " " + t.substr(8, 2) + ":" +
         t.substr(10, 2) + ":" + t.substr(12, 2) + " UTC";
}

void PrivateKeyUsagePeriod(Lines& out, int indent, ByteView value) {
  DerReader seq = Sequence(value);
  while (seq.HasMore()) {
    const Element e = Next(seq);
    if (e.Identifier() == 0x80) {
      out.Add(indent, "Not Before: " + GeneralizedTimeText(e.content));
    } else if (e.Identifier() == 0x81) {
      out.Add(indent, "Not After : " + GeneralizedTimeText(e.content));
    } else {
      Raise(kMsgUnexpected);
    }
  }
}

void Integer(Lines& out, int indent, ByteView value) {
  if (value.empty() || value[0] != 0x02) Raise(kMsgUnexpected);
  out.Add(indent, IntegerText(der::ReadContentOf(value, 0x02, kMsgUnexpected)));
}

// ---------------------------------------------------------------- the system's own extensions

std::string Utf8Value(ByteView value) {
  if (value.empty() || value[0] != 0x0C) Raise(kMsgUnexpected);
  ASN1Primitive element;
  element.Decode(value);
  return Printable(Utf8TextOf(element));
}

void TextValue(Lines& out, int indent, ByteView value) { out.Add(indent, Utf8Value(value)); }

// The list text "|a||b|": one item per line.
void ListValue(Lines& out, int indent, ByteView value) {
  const std::string text = Utf8Value(value);
  std::size_t start = 0;
  bool any = false;
  while (start <= text.size()) {
    std::size_t bar = text.find('|', start);
    if (bar == std::string::npos) bar = text.size();
    if (bar > start) {
      out.Add(indent, text.substr(start, bar - start));
      any = true;
    }
    start = bar + 1;
  }
  if (!any) out.Add(indent, "(empty)");
}

std::string SBoxName(ByteView sbox) {
  if (std::equal(sbox.begin(), sbox.end(), params::kDke1.begin(), params::kDke1.end())) return "DKE No. 1";
  if (std::equal(sbox.begin(), sbox.end(), params::kDefaultSBox.begin(), params::kDefaultSBox.end()))
    return "default S-box";
  return "";
}

// root.6: a BIT STRING of 2048 bits, the random S-box then the cipher S-box.
void SBoxes(Lines& out, int indent, ByteView value) {
  if (value.empty() || value[0] != 0x03) Raise(kMsgUnexpected);
  const ByteView content = der::ReadContentOf(value, 0x03, kMsgUnexpected);
  if (content.size() != 1 + 2 * params::kDkeSize) Raise(kMsgUnexpected);
  const char* const labels[] = {"Random S-box", "Cipher S-box"};
  for (int i = 0; i < 2; ++i) {
    const ByteView sbox = content.subspan(1 + i * params::kDkeSize, params::kDkeSize);
    const std::string name = SBoxName(sbox);
    if (!name.empty()) {
      out.Add(indent, std::string(labels[i]) + ": " + name);
    } else {
      out.Add(indent, std::string(labels[i]) + ":");
      HexBlock(out, indent + 4, sbox);
    }
  }
}

void PublicKeyInfo(Lines& out, int indent, ByteView spki);

void KeyAgreementKey(Lines& out, int indent, ByteView value) { PublicKeyInfo(out, indent, value); }

struct OwnExtension {
  std::string (*oid)();
  const char* name;
  Printer print;
};

const OwnExtension kOwnExtensions[] = {
    {&GetOidRoot1, "Key Agreement Public Key", &KeyAgreementKey},
    {&GetOidRoot2, "Certificate Template Name", &TextValue},
    {&GetOidRoot3, "User Permissions", &ListValue},
    {&GetOidRoot4, "Object Name", &TextValue},
    {&GetOidRoot5, "Key Container Name", &TextValue},
    {&GetOidRoot6, "Random and Cipher S-boxes", &SBoxes},
    {&GetOidRoot8, "Validity Period", &TextValue},
    {&GetOidRoot9, "All Parameters", &TextValue},
};

struct StandardExtension {
  std::string_view oid;
  Printer print;
};

constexpr StandardExtension kStandardExtensions[] = {
    {"2.5.29.14", &SubjectKeyId},       {"2.5.29.35", &AuthorityKeyId},     {"2.5.29.15", &KeyUsage},
    {"2.5.29.37", &ExtendedKeyUsage},   {"2.5.29.32", &Policies},           {"2.5.29.19", &BasicConstraints},
    {"2.5.29.31", &DistributionPoints}, {"2.5.29.46", &DistributionPoints}, {"2.5.29.17", &AlternativeNames},
    {"2.5.29.18", &AlternativeNames},   {"2.5.29.9", &DirectoryAttributes}, {"2.5.29.16", &PrivateKeyUsagePeriod},
    {"2.5.29.27", &Integer},            {"2.5.29.20", &Integer},            {"1.3.6.1.5.5.7.1.1", &AccessDescriptions},
    {"1.3.6.1.5.5.7.1.11", &AccessDescriptions}, {"1.3.6.1.5.5.7.1.3", &QcStatements},
    {"1.3.6.1.5.5.7.0.18.3", &EnforcedStatements},
};

// The system's own extension with this OID, or null (also before the OIDs are formed).
const OwnExtension* FindOwn(const std::string& oid) {
  for (const OwnExtension& own : kOwnExtensions) {
    try {
      if (own.oid() == oid) return &own;
    } catch (const Exception&) {
      return nullptr;  // the root is not configured yet: nothing is ours
    }
  }
  return nullptr;
}

void Extension(Lines& out, const ASN1CertExtension& extension) {
  const std::string oid = extension.OidText().CStr();
  const ByteView value = extension.Value().View();
  Printer print = nullptr;
  std::string title;
  for (const StandardExtension& standard : kStandardExtensions)
    if (standard.oid == oid) print = standard.print;
  if (print != nullptr) {
    title = NameAndOid(kExtensions, oid);
    if (!Lookup(kExtensions, oid).empty()) title = std::string(Lookup(kExtensions, oid));
  } else if (const OwnExtension* own = FindOwn(oid)) {
    print = own->print;
    title = std::string(own->name) + " (" + oid + ")";
  } else {
    title = oid;
  }
  out.Add(12, title + ":" + (extension.IsCritical() ? " critical" : ""));
  if (print == nullptr) {
    HexBlock(out, 16, value);
    return;
  }
  Lines decoded;
  try {
    print(decoded, 16, value);
  } catch (const Exception& error) {
    out.Add(16, "<unreadable: " + FailureText(error) + ">");
    HexBlock(out, 16, value);
    return;
  }
  out.Append(std::move(decoded));
}

// ---------------------------------------------------------------- body parts

std::string AlgorithmText(const ASN1AttrTypeValue& algorithm) {
  return NameAndOid(kAlgorithms, algorithm.TypeText().CStr());
}

std::string TimeText(const DateTime& time) {
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const int month = time.Month();
  char text[64];
  std::snprintf(text, sizeof text, "%s %2d %02d:%02d:%02d %d GMT",
                month >= 1 && month <= 12 ? kMonths[month - 1] : "???", time.Day(), time.Hour(), time.Minute(),
                time.Second(), time.Year());
  return text;
}

void Name(Lines& out, const char* label, const ASN1Name& name) {
  out.Add(8, std::string(label) + ": " + OneLine(name));
  for (std::uint32_t i = 0; i < name.Count(); ++i) {
    const ASN1AttrTypeValue attribute = name.GetAttribute(i);
    const std::string oid = attribute.TypeText().CStr();
    const std::string_view shortName = Lookup(kAttributes, oid);
    Blob value;
    attribute.Value().Encode(value);
    Element e;
    e.whole = value.View();
    e.header = der::ReadHeader(e.whole);
    e.content = der::Content(e.whole, e.header);
    out.Add(12, (shortName.empty() ? oid : std::string(shortName)) + " = " + ValueText(e));
  }
}

std::string Polynomial(const params::ParamsDescription& p) {
  if (p.k == 0 && p.j == 0 && p.l == 0) return "optimal normal basis";
  std::string text = "polynomial basis, t^" + Decimal(p.m);
  for (std::uint32_t power : {p.l, p.j, p.k})
    if (power != 0) text += power == 1 ? std::string(" + t") : " + t^" + Decimal(power);
  return text + " + 1";
}

std::vector<std::uint8_t> Reversed(const std::vector<std::uint8_t>& bytes) { return {bytes.rbegin(), bytes.rend()}; }

void Parameters(Lines& out, int indent, ByteView spki) {
  const params::ParamsDescription p = params::DescribeParamsDer(spki, true);
  if (p.named) {
    out.Add(indent, "Curve: " + (p.curve != nullptr ? std::string(p.curve->name) + " (" + p.curveOid + ")"
                                                    : p.curveOid) + ", named");
  } else if (p.curve != nullptr) {
    out.Add(indent, "Curve: " + std::string(p.curve->name) + " (" + std::string(p.curve->oid) +
                        "), explicit parameters");
  } else {
    out.Add(indent, "Curve: explicit parameters");
  }
  out.Add(indent, "Field: GF(2^" + Decimal(p.m) + "), " + Polynomial(p));
  if (!p.named && p.curve == nullptr) {
    out.Add(indent, "A: " + Decimal(p.a));
    const std::pair<const char*, const std::vector<std::uint8_t>*> numbers[] = {
        {"B:", &p.b}, {"n:", &p.n}, {"Base point x:", &p.px}, {"Base point y:", &p.py}};
    for (const auto& [label, number] : numbers) {
      out.Add(indent, label);
      HexBlock(out, indent + 4, Reversed(*number));
    }
  }
  out.Add(indent, "S-box: " + p.dke + (p.dkeInDer ? "" : " (none in the parameters)"));
}

void PublicKeyInfo(Lines& out, int indent, ByteView spki) {
  ASN1SubjPubKeyInfo info;
  info.Decode(spki);
  const std::string oid = info.Algorithm().TypeText().CStr();
  out.Add(indent, "Public Key Algorithm: " + AlgorithmText(info.Algorithm()));
  try {
    Lines parameters;
    Parameters(parameters, indent + 4, spki);
    out.Append(std::move(parameters));
  } catch (const Exception& error) {
    out.Add(indent + 4, "Parameters: <unreadable: " + FailureText(error) + ">");
    Blob value;
    info.Algorithm().Value().Encode(value);
    HexBlock(out, indent + 8, value.View());
  }
  const bool littleEndian = oid == kOidDstuSignaturePolynomial || oid == kOidDstuSignatureNormal;
  try {
    const Blob key = info.GetKey();
    out.Add(indent + 4, "Public key (" + Decimal(key.Size()) + " bytes, " +
                            (littleEndian ? "little-endian" : "big-endian") + ", compressed):");
    HexBlock(out, indent + 8, key.View());
  } catch (const Exception& error) {
    out.Add(indent + 4, "Public key: <unreadable: " + FailureText(error) + ">");
    HexBlock(out, indent + 8, info.SubjectPublicKey().Bytes().View());
  }
}

}  // namespace

std::string CertificateText(std::span<const std::uint8_t> der) {
  ASN1Certificate certificate;
  certificate.Decode(der);
  const ASN1TBSCert& body = certificate.TBSCertificate();
  Lines out;
  out.Add(0, "Certificate:");
  out.Add(4, "Data:");
  char version[48];
  std::snprintf(version, sizeof version, "Version: %lld (0x%llx)", static_cast<long long>(body.Version()) + 1,
                static_cast<unsigned long long>(static_cast<std::uint32_t>(body.Version())));
  out.Add(8, version);
  out.Add(8, "Serial Number: " + Hex(body.SerialNumber().Bytes().View(), ""));
  out.Add(8, "Signature Algorithm: " + AlgorithmText(body.Signature()));
  Name(out, "Issuer", body.Issuer());
  out.Add(8, "Validity");
  out.Add(12, "Not Before: " + TimeText(body.NotBefore()));
  out.Add(12, "Not After : " + TimeText(body.NotAfter()));
  Name(out, "Subject", body.Subject());
  out.Add(8, "Subject Public Key Info:");
  Blob spki;
  body.PublicKeyInfo().Encode(spki);
  PublicKeyInfo(out, 12, spki.View());
  if (body.Extensions().Count() != 0) {
    out.Add(8, "X509v3 extensions:");
    for (const ASN1CertExtension& extension : body.Extensions()) Extension(out, extension);
  }
  out.Add(4, "Signature Algorithm: " + AlgorithmText(certificate.SignatureAlgorithm()));
  if (!certificate.SignatureAlgorithm().Value().IsEmpty()) {
    Blob parameters;
    certificate.SignatureAlgorithm().Value().Encode(parameters);
    out.Add(8, "Parameters:");
    HexBlock(out, 12, parameters.View());
  }
  try {
    const Blob signature = certificate.GetSignature();
    out.Add(4, "Signature Value (" + Decimal(signature.Size()) + " bytes):");
    HexBlock(out, 8, signature.View());
  } catch (const Exception&) {
    out.Add(4, "Signature Value (not an OCTET STRING inside the BIT STRING):");
    HexBlock(out, 8, certificate.SignatureValue().Bytes().View());
  }
  return out.Take();
}

}  // namespace tavrpki
