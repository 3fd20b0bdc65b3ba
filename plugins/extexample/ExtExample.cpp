// An example external extension module (see <tavrpki/ExtHandler.h>).
//
// It handles one request attribute, subjectAltName ("2.5.29.17"), whose values
// are UTF8Strings of comma-separated entries "email:ADDRESS" or "dns:NAME":
//
//   Attribute { 2.5.29.17, SET { UTF8String "email:ivan@example.ua,dns:pki.example.ua" } }
//
// and writes the non-critical subjectAltName extension with one rfc822Name [1]
// or dNSName [2] per entry, in the order given:
//
//   Extension { 2.5.29.17, OCTET STRING { SEQUENCE { [1] "ivan@example.ua", [2] "pki.example.ua" } } }
//
// Any other OID is answered TAVRPKI_EXT_UNSUPPORTED; its own error codes follow.
#include <tavrpki/ExtHandler.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace {

constexpr std::int32_t kMalformedAttribute = 100;  // the input is not the attribute described above
constexpr std::int32_t kBadEntry = 101;            // an entry is empty, unknown or not IA5 text
constexpr std::int32_t kNoRoom = 102;              // the output buffer is smaller than asked for

constexpr std::string_view kSubjectAltName = "2.5.29.17";
constexpr std::uint8_t kSubjectAltNameOid[] = {0x06, 0x03, 0x55, 0x1D, 0x11};

using Bytes = std::vector<std::uint8_t>;

// ---- reading: a cursor that checks every length before it moves ----------

struct Reader {
  const std::uint8_t* at;
  std::size_t left;

  // The next element's identifier octet and content; false when the input ends
  // first or uses a form DER does not allow (high tag numbers, indefinite or
  // over-long lengths).
  bool Next(std::uint8_t& identifier, Reader& content) {
    if (left < 2 || (at[0] & 0x1F) == 0x1F) return false;
    identifier = at[0];
    std::size_t length = at[1];
    std::size_t header = 2;
    if (length & 0x80) {
      const std::size_t octets = length & 0x7F;
      if (octets == 0 || octets > 4 || left - 2 < octets) return false;
      length = 0;
      for (std::size_t i = 0; i < octets; ++i) length = length << 8 | at[2 + i];
      header += octets;
    }
    if (length > left - header) return false;
    content = Reader{at + header, length};
    at += header + length;
    left -= header + length;
    return true;
  }
  bool Done() const { return left == 0; }
};

// ---- writing ---------------------------------------------------------------

void PutElement(Bytes& out, std::uint8_t identifier, const Bytes& content) {
  out.push_back(identifier);
  const std::size_t length = content.size();
  if (length < 0x80) {
    out.push_back(static_cast<std::uint8_t>(length));
  } else {
    std::uint8_t octets[sizeof(std::size_t)];
    std::size_t count = 0;
    for (std::size_t rest = length; rest != 0; rest >>= 8) octets[count++] = static_cast<std::uint8_t>(rest);
    out.push_back(static_cast<std::uint8_t>(0x80 | count));
    while (count != 0) out.push_back(octets[--count]);
  }
  out.insert(out.end(), content.begin(), content.end());
}

// One "kind:value" entry as a GeneralName; false for anything else.
bool PutEntry(std::string_view entry, Bytes& names) {
  std::uint8_t tag = 0;
  std::string_view value;
  if (entry.substr(0, 6) == "email:") {
    tag = 0x81;  // rfc822Name [1] IA5String
    value = entry.substr(6);
  } else if (entry.substr(0, 4) == "dns:") {
    tag = 0x82;  // dNSName [2] IA5String
    value = entry.substr(4);
  } else {
    return false;
  }
  if (value.empty()) return false;
  for (const char c : value)
    if (static_cast<unsigned char>(c) > 0x7F || c == '\0') return false;
  PutElement(names, tag, Bytes(value.begin(), value.end()));
  return true;
}

// The GeneralNames of every value of the attribute, or an error code.
std::int32_t Convert(Reader in, Bytes& extension) {
  std::uint8_t identifier = 0;
  Reader attribute{};
  if (!in.Next(identifier, attribute) || identifier != 0x30 || !in.Done()) return kMalformedAttribute;
  Reader type{};
  if (!attribute.Next(identifier, type) || identifier != 0x06 || type.left != 3 ||
      std::memcmp(type.at, kSubjectAltNameOid + 2, 3) != 0)
    return kMalformedAttribute;
  Reader values{};
  if (!attribute.Next(identifier, values) || identifier != 0x31 || !attribute.Done()) return kMalformedAttribute;

  Bytes names;
  if (values.Done()) return kMalformedAttribute;
  while (!values.Done()) {
    Reader text{};
    if (!values.Next(identifier, text) || identifier != 0x0C) return kMalformedAttribute;
    std::string_view rest(reinterpret_cast<const char*>(text.at), text.left);
    for (;;) {
      const std::size_t comma = rest.find(',');
      if (!PutEntry(rest.substr(0, comma), names)) return kBadEntry;
      if (comma == std::string_view::npos) break;
      rest.remove_prefix(comma + 1);
    }
  }

  Bytes generalNames;
  PutElement(generalNames, 0x30, names);
  Bytes content(kSubjectAltNameOid, kSubjectAltNameOid + sizeof kSubjectAltNameOid);
  PutElement(content, 0x04, generalNames);
  PutElement(extension, 0x30, content);
  return TAVRPKI_EXT_OK;
}

}  // namespace

TAVRPKI_EXT_EXPORT int32_t TAVRPKI_EXT_CALL ConvertExt(const char* oid, const uint8_t* in, uint32_t inLength,
                                                       uint8_t* out, uint32_t* outLength) {
  if (oid == nullptr || outLength == nullptr || (in == nullptr && inLength != 0)) return kMalformedAttribute;
  if (kSubjectAltName != oid) return TAVRPKI_EXT_UNSUPPORTED;
  try {
    Bytes extension;
    const std::int32_t result = Convert(Reader{in, inLength}, extension);
    if (result != TAVRPKI_EXT_OK) return result;
    if (extension.size() > UINT32_MAX) return kMalformedAttribute;
    const auto length = static_cast<uint32_t>(extension.size());
    if (out != nullptr) {
      if (*outLength < length) {
        *outLength = length;
        return kNoRoom;
      }
      std::memcpy(out, extension.data(), length);
    }
    *outLength = length;
    return TAVRPKI_EXT_OK;
  } catch (...) {
    // No exception may cross into the library (std::bad_alloc here).
    return kMalformedAttribute;
  }
}
