// tavrpki asn1 FILE: the element tree of DER, PEM or Base64 input, in the layout
// of `openssl asn1parse`, with values read through the library's codec.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

#include "asn1/ASN1Bool.h"
#include "asn1/ASN1Integer.h"
#include "asn1/ASN1Name.h"
#include "asn1/ASN1OID.h"
#include "asn1/ASN1UTCTime.h"
#include "asn1/Base64.h"
#include "asn1/Der.h"
#include "asn1/Hex.h"
#include "platform/CodePage.h"
#include "tools/tavrpki/Command.h"

namespace tavrpki::tool {
namespace {

std::string ReadInput(const std::string& path) {
  if (path == "-") return {std::istreambuf_iterator<char>(std::cin.rdbuf()), std::istreambuf_iterator<char>()};
  std::ifstream in(path, std::ios::binary);
  if (!in) throw UsageError{"cannot read " + path};
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool IsBase64Text(const std::string& data) {
  for (const char c : data) {
    const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' ||
                    c == '/' || c == '=' || c == ' ' || c == '\t' || c == '\r' || c == '\n';
    if (!ok) return false;
  }
  return !data.empty();
}

// DER as it stands; PEM (the first block); or bare Base64 text.
Blob ToDer(const std::string& data) {
  const std::size_t begin = data.find("-----BEGIN");
  if (begin != std::string::npos) {
    const std::size_t body = data.find('\n', begin);
    const std::size_t end = data.find("-----END", begin);
    if (body == std::string::npos || end == std::string::npos || end < body)
      throw UsageError{"PEM block without an END line"};
    return Base64Decode(std::string_view(data).substr(body + 1, end - body - 1));
  }
  if (IsBase64Text(data)) return Base64Decode(data);
  return Blob(data.data(), static_cast<std::uint32_t>(data.size()));
}

std::string Utf8(const char* cp1251) {
  std::string out;
  return platform::Cp1251ToUtf8(cp1251, out) == 0 ? out : std::string(cp1251);
}

std::string TagName(const der::Header& header) {
  static const char* const kUniversal[] = {
      "EOC",       "BOOLEAN",         "INTEGER",       "BIT STRING",   "OCTET STRING",   "NULL",
      "OBJECT",    "OBJECT DESCRIPTOR", "EXTERNAL",    "REAL",         "ENUMERATED",     "EMBEDDED PDV",
      "UTF8STRING", "RELATIVE-OID",   "TIME",          "<ASN1 15>",    "SEQUENCE",       "SET",
      "NUMERICSTRING", "PRINTABLESTRING", "T61STRING", "VIDEOTEXSTRING", "IA5STRING",    "UTCTIME",
      "GENERALIZEDTIME", "GRAPHICSTRING", "VISIBLESTRING", "GENERALSTRING", "UNIVERSALSTRING", "<ASN1 29>",
      "BMPSTRING"};
  const std::uint32_t number = header.TagNumber();
  static const char* const kClasses[] = {"univ", "appl", "cont", "priv"};
  if (header.TagClass() == 0 && number < std::size(kUniversal)) return kUniversal[number];
  return std::string(kClasses[header.TagClass()]) + " [ " + std::to_string(number) + " ]";
}

std::string Time(const DateTime& t) {
  char text[96];  // room for any int fields, so the compiler can prove no truncation
  std::snprintf(text, sizeof text, " (%04d-%02d-%02d %02d:%02d:%02d UTC)", t.Year(), t.Month(), t.Day(), t.Hour(),
                t.Minute(), t.Second());
  return text;
}

std::string Text(ByteView bytes) { return {reinterpret_cast<const char*>(bytes.data()), bytes.size()}; }

// The readable value of a universal element (or "" when there is none to show).
std::string Value(const der::Header& header, ByteView element, ByteView content) {
  if (header.TagClass() != 0) return "";
  switch (header.TagNumber()) {
    case 1: {
      ASN1Bool flag;
      flag.Decode(element);
      return flag.GetValue() ? "TRUE" : "FALSE";
    }
    case 2:
    case 10: {
      ASN1Integer integer;
      integer.SetBytes(content);
      return integer.ToText().CStr();
    }
    case 3:
      return content.empty() ? "" : "unused bits " + std::to_string(content[0]) + ", " +
                                        std::to_string(content.size() - 1) + " bytes";
    case 4: return "[HEX DUMP]:" + HexEncode(content);
    case 6: {
      ASN1OID oid;
      oid.Decode(element);
      return oid.ToText().CStr();
    }
    case 16: {
      if (content.empty() || content[0] != 0x31) return "";
      ASN1Name name;
      try {
        name.Decode(element);
      } catch (const Exception&) {
        return "";  // not a name
      }
      return name.Count() == 0 ? "" : Utf8(name.ToText().CStr());
    }
    case 23: {
      ASN1UTCTime time;
      time.Decode(element);
      return Text(content) + Time(time.GetTime());
    }
    case 24: {
      ASN1GeneralizedTime time;
      time.Decode(element);
      return Text(content) + Time(time.GetTime());
    }
    case 12: case 18: case 19: case 20: case 22: case 26: return Text(content);
    default: return "";
  }
}

void Print(std::size_t base, ByteView in, int depth) {
  DerReader reader(in);
  while (reader.HasMore()) {
    const std::size_t offset = base + reader.Offset();
    const ByteView element = reader.Next();
    const der::Header header = der::ReadHeader(element);
    const ByteView content = der::Content(element, header);
    const std::string value = Value(header, element, content);
    std::printf("%5zu:d=%-2d hl=%zu l=%4u %s: %-18s%s%s\n", offset, depth, header.Size(), header.contentLength,
                header.IsConstructed() ? "cons" : "prim", TagName(header).c_str(), value.empty() ? "" : ":",
                value.c_str());
    if (header.IsConstructed()) Print(offset + header.Size(), content, depth + 1);
  }
}

int RunAsn1(const Args& args) {
  const Options options(args, {}, {});
  if (options.Positional().size() != 1) throw UsageError{"give one FILE (or - for standard input)"};
  const Blob der = ToDer(ReadInput(options.Positional()[0]));
  if (der.IsEmpty()) throw UsageError{"no data"};
  Print(0, der, 0);
  return 0;
}

const CommandRegistration kAsn1{"asn1", "FILE", "print the DER element tree (DER, PEM or Base64 input)", &RunAsn1};

}  // namespace
}  // namespace tavrpki::tool
