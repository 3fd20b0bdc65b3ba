#include "asn1/DerText.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "asn1/ASN1Integer.h"
#include "asn1/ASN1Name.h"
#include "asn1/Der.h"
#include "asn1/Hex.h"
#include "core/Exception.h"
#include "core/MessageText.h"
#include "platform/Utf8.h"

namespace tavrpki {
namespace {

constexpr Message kMsgElementPastParent{
    kNoCode, "Insufficient blob size: the element at offset %zu (%u content bytes) runs past its parent's end at %zu"};
constexpr Message kMsgNoEndOfContents{kNoCode, "The indefinite length at offset %zu has no end-of-contents octets"};
constexpr Message kMsgPrimitiveIndefinite{kNoCode, "Primitive element at offset %zu with indefinite length"};

struct Value {
  std::string text;
  bool bad = false;
};

Value Bad(const char* kind, std::span<const std::uint8_t> content, const char* why) {
  return {std::string("BAD ") + kind + " (" + why + "):" + HexEncode(content), true};
}

// The tag number from the identifier octets, or false when it needs more than 32 bits.
bool TagNumber(std::span<const std::uint8_t> identifier, std::uint32_t& number) {
  if (identifier.size() == 1) {
    number = identifier[0] & 0x1F;
    return true;
  }
  std::uint64_t value = 0;
  for (std::size_t i = 1; i < identifier.size(); ++i) {
    value = value << 7 | (identifier[i] & 0x7F);
    if (value > 0xFFFFFFFFu) return false;
  }
  number = static_cast<std::uint32_t>(value);
  return true;
}

std::string TagName(const der::Header& header) {
  static const char* const kUniversal[] = {
      "EOC",       "BOOLEAN",         "INTEGER",       "BIT STRING",   "OCTET STRING",   "NULL",
      "OBJECT",    "OBJECT DESCRIPTOR", "EXTERNAL",    "REAL",         "ENUMERATED",     "EMBEDDED PDV",
      "UTF8STRING", "RELATIVE-OID",   "TIME",          "<ASN1 15>",    "SEQUENCE",       "SET",
      "NUMERICSTRING", "PRINTABLESTRING", "T61STRING", "VIDEOTEXSTRING", "IA5STRING",    "UTCTIME",
      "GENERALIZEDTIME", "GRAPHICSTRING", "VISIBLESTRING", "GENERALSTRING", "UNIVERSALSTRING", "<ASN1 29>",
      "BMPSTRING"};
  static const char* const kClasses[] = {"univ", "appl", "cont", "priv"};
  std::uint32_t number = 0;
  if (!TagNumber(header.identifier, number))
    return std::string(kClasses[header.TagClass()]) + " [ tag number over 32 bits ]";
  if (header.TagClass() == 0 && number < std::size(kUniversal)) return kUniversal[number];
  return std::string(kClasses[header.TagClass()]) + " [ " + std::to_string(number) + " ]";
}

std::string Text(std::span<const std::uint8_t> bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// Dotted text of an object identifier's content. Arcs are read to 64 bits; the
// first sub-identifier splits into two arcs (0 or 1 below 80, else 2).
Value ObjectIdentifier(std::span<const std::uint8_t> content) {
  if (content.empty()) return Bad("OBJECT", content, "empty");
  if ((content.back() & 0x80) != 0) return Bad("OBJECT", content, "last arc not terminated");
  std::string text;
  std::uint64_t arc = 0;
  bool first = true;
  for (std::size_t i = 0; i < content.size(); ++i) {
    if (arc > (UINT64_MAX >> 7)) return Bad("OBJECT", content, "arc over 64 bits");
    arc = arc << 7 | (content[i] & 0x7F);
    if ((content[i] & 0x80) != 0) continue;
    if (first) {
      const std::uint64_t top = arc < 80 ? arc / 40 : 2;
      text = std::to_string(top) + "." + std::to_string(arc - 40 * top);
      first = false;
    } else {
      text += "." + std::to_string(arc);
    }
    arc = 0;
  }
  return {text};
}

int Digits(std::string_view text, std::size_t at, std::size_t count) {
  int value = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (i >= text.size() || text[i] < '0' || text[i] > '9') return -1;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

bool IsLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

// UTCTime YYMMDDhhmm[ss]Z and GeneralizedTime YYYYMMDDhhmmss[.f...]Z, checked
// field by field (no 13th month, no 30 February).
Value Time(std::span<const std::uint8_t> content, bool generalized) {
  const std::string_view text(reinterpret_cast<const char*>(content.data()), content.size());
  const char* kind = generalized ? "GENERALIZEDTIME" : "UTCTIME";
  const std::size_t yearDigits = generalized ? 4 : 2;
  int year = Digits(text, 0, yearDigits);
  const int month = Digits(text, yearDigits, 2), day = Digits(text, yearDigits + 2, 2);
  const int hour = Digits(text, yearDigits + 4, 2), minute = Digits(text, yearDigits + 6, 2);
  std::size_t at = yearDigits + 8;
  int second = 0;
  if (at + 2 < text.size() || generalized) {
    second = Digits(text, at, 2);
    at += 2;
  }
  if (generalized && at < text.size() && text[at] == '.') {
    std::size_t digits = 0;
    while (++at < text.size() && text[at] >= '0' && text[at] <= '9') ++digits;
    if (digits == 0) return Bad(kind, content, "empty fraction");
  }
  const auto bad = [&](const char* why) {
    Value value = Bad(kind, content, why);
    if (std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c < 0x7F; }))
      value.text = std::string("BAD ") + kind + " (" + why + "):" + std::string(text);
    return value;
  };
  if (year < 0 || month < 0 || day < 0 || hour < 0 || minute < 0 || second < 0 || at + 1 != text.size() ||
      text[at] != 'Z')
    return bad("not a time");
  if (!generalized) year += year < 50 ? 2000 : 1900;
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool dateOk = month >= 1 && month <= 12 && day >= 1 &&
                      day <= kDays[month >= 1 && month <= 12 ? month - 1 : 0] + (month == 2 && IsLeap(year));
  if (!dateOk || hour > 23 || minute > 59 || second > 59) return bad("impossible date");
  char when[64];
  std::snprintf(when, sizeof when, " (%04d-%02d-%02d %02d:%02d:%02d UTC)", year, month, day, hour, minute, second);
  return {Text(content) + when};
}

// UTF-16BE text as UTF-8 (a lone surrogate shows as U+FFFD).
Value BmpString(std::span<const std::uint8_t> content) {
  if (content.size() % 2 != 0) return Bad("BMPSTRING", content, "odd length");
  return {platform::Utf16BeToUtf8(content)};
}

// The readable value of a universal element (empty text when there is none to show).
Value Render(const der::Header& header, std::span<const std::uint8_t> element,
             std::span<const std::uint8_t> content) {
  if (header.TagClass() != 0 || header.identifier.size() != 1) return {};
  const bool constructed = header.IsConstructed();
  switch (header.identifier[0] & 0x1F) {
    case 1:
      if (content.size() != 1) return Bad("BOOLEAN", content, "not one byte");
      return {content[0] != 0 ? "TRUE" : "FALSE"};
    case 2:
    case 10: {
      if (content.empty()) return Bad("INTEGER", content, "empty");
      ASN1Integer integer;
      integer.SetBytes(content);
      return {integer.ToText().CStr()};
    }
    case 3:
      if (constructed) return {};
      if (content.empty()) return Bad("BIT STRING", content, "no unused-bits octet");
      return {"unused bits " + std::to_string(content[0]) + ", " + std::to_string(content.size() - 1) + " bytes"};
    case 4: return constructed ? Value{} : Value{"[HEX DUMP]:" + HexEncode(content)};
    case 6: return ObjectIdentifier(content);
    case 16: {
      if (content.empty() || content[0] != 0x31) return {};
      try {
        ASN1Name name;
        name.Decode(element);
        return {name.Count() == 0 ? "" : name.ToUtf8Text()};  // without the code page: ʼ and Ł survive
      } catch (const ExceptionBase&) {
        return {};  // not a name, or one with values the text form cannot show
      }
    }
    case 23: return Time(content, false);
    case 24: return Time(content, true);
    case 30: return BmpString(content);
    case 12: case 18: case 19: case 20: case 22: case 26: return {Text(content)};
    default: return {};
  }
}

struct Frame {
  std::size_t position;  // the next element's offset in the input
  std::size_t end;       // the end of the parent's content
  std::size_t start;     // the offset of the element whose content this is
  int depth;
  bool indefinite;       // ends with end-of-contents octets, not at `end`
};

}  // namespace

DerTextSummary WriteDerTree(std::span<const std::uint8_t> der,
                            const std::function<void(std::string_view)>& line) {
  DerTextSummary summary;
  std::vector<Frame> frames{{0, der.size(), 0, 0, false}};
  std::string text;
  while (!frames.empty()) {
    Frame& frame = frames.back();
    if (frame.position >= frame.end) {
      if (frame.indefinite) Raise(kMsgNoEndOfContents, frame.start);
      frames.pop_back();
      continue;
    }
    const std::size_t offset = frame.position;
    const std::span<const std::uint8_t> rest = der.subspan(offset, frame.end - offset);
    // Any tag number is shown (marked when it exceeds 32 bits), so the walk goes on.
    const der::Header header = der::ReadHeader(rest, der::TagNumbers::kAnySize);
    const bool indefinite = header.lengthOctets.size() == 1 && header.lengthOctets[0] == 0x80;
    if (indefinite && !header.IsConstructed()) Raise(kMsgPrimitiveIndefinite, offset);
    if (!indefinite && header.contentLength > rest.size() - header.Size()) Raise(kMsgElementPastParent, offset, header.contentLength, frame.end);
    const std::span<const std::uint8_t> content =
        indefinite ? rest.subspan(header.Size(), 0) : rest.subspan(header.Size(), header.contentLength);
    const std::span<const std::uint8_t> element = rest.first(header.Size() + content.size());
    ++summary.elements;

    Value value = indefinite ? Value{"indefinite length (BER, not DER)"} : Render(header, element, content);
    if (value.bad) ++summary.badValues;
    char head[96];
    char length[16];
    if (indefinite)
      std::snprintf(length, sizeof length, "%4s", "inf");
    else
      std::snprintf(length, sizeof length, "%4u", header.contentLength);
    std::snprintf(head, sizeof head, "%5zu:d=%-2d hl=%zu l=%s %s: ", offset, frame.depth, header.Size(), length,
                  header.IsConstructed() ? "cons" : "prim");
    char name[64];
    std::snprintf(name, sizeof name, "%-18s", TagName(header).c_str());
    text.assign(head);
    text += name;
    if (!value.text.empty()) text += ":" + value.text;
    line(text);

    const bool endOfContents = frame.indefinite && header.identifier.size() == 1 && header.identifier[0] == 0 &&
                               header.contentLength == 0;
    frame.position = offset + element.size();
    if (endOfContents) {
      // The parent of this frame resumes after the end-of-contents octets.
      const std::size_t resume = frame.position;
      frames.pop_back();
      frames.back().position = resume;
      continue;
    }
    if (indefinite) {
      ++summary.indefiniteLengths;
      // The children run to the end-of-contents octets, found by walking them; the
      // parent's position is set when they are reached.
      const Frame child{offset + header.Size(), frame.end, offset, frame.depth + 1, true};
      frames.push_back(child);
    } else if (header.IsConstructed() && !content.empty()) {
      const Frame child{offset + header.Size(), offset + element.size(), offset, frame.depth + 1, false};
      frames.push_back(child);
    }
  }
  return summary;
}

}  // namespace tavrpki
