#include "asn1/tsp/TimeStamp.h"

#include <cstdio>

#include "asn1/ASN1OID.h"
#include "asn1/ASN1UTCTime.h"
#include "asn1/CodecMessages.h"
#include "asn1/DateTime.h"
#include "asn1/Der.h"
#include "asn1/cms/Coded.h"
#include "core/Catalogue.h"

namespace tavrpki::tsp {
namespace {

constexpr std::uint8_t kBoolean = 0x01;
constexpr std::uint8_t kInteger = 0x02;
constexpr std::uint8_t kBitString = 0x03;
constexpr std::uint8_t kOctetString = 0x04;
constexpr std::uint8_t kOid = 0x06;
constexpr std::uint8_t kUtf8String = 0x0C;
constexpr std::uint8_t kGeneralizedTime = 0x18;
constexpr std::uint8_t kSequence = 0x30;
constexpr std::uint8_t kContext0 = 0x80;
constexpr std::uint8_t kContext1 = 0x81;
constexpr std::uint8_t kConstructed0 = 0xA0;
constexpr std::uint8_t kConstructed1 = 0xA1;

// The failure the decoders raise inside; the one code of the structure replaces it.
[[noreturn]] void Malformed() { Raise(kMsgBadTstInfo); }

// ---- Reading ----

bool NextIs(const DerReader& reader, std::uint8_t identifier) {
  return reader.HasMore() && reader.PeekIdentifier() == identifier;
}

// The content of the next element, whose identifier must be the single octet given.
ByteView Take(DerReader& reader, std::uint8_t identifier) {
  if (!NextIs(reader, identifier)) Malformed();
  const ByteView element = reader.Next();
  return der::ReadContentOf(element, identifier, kMsgBadTstInfo);
}

DerReader Enter(DerReader& reader, std::uint8_t identifier) { return DerReader(Take(reader, identifier)); }

void End(const DerReader& reader) {
  if (reader.HasMore()) Malformed();
}

// An INTEGER of at most 64 bits, two's complement.
std::int64_t SignedValue(ByteView content) {
  if (content.empty() || content.size() > 8) Malformed();
  std::uint64_t value = (content[0] & 0x80) != 0 ? ~std::uint64_t{0} : 0;
  for (std::uint8_t octet : content) value = value << 8 | octet;
  return static_cast<std::int64_t>(value);
}

// A non-negative INTEGER of at most 64 bits (a leading 00 octet allowed).
std::uint64_t UnsignedValue(ByteView content) {
  if (content.empty() || (content[0] & 0x80) != 0) Malformed();
  if (content.size() == 9 && content[0] == 0) content = content.subspan(1);
  if (content.size() > 8) Malformed();
  std::uint64_t value = 0;
  for (std::uint8_t octet : content) value = value << 8 | octet;
  return value;
}

std::uint32_t Unsigned32(ByteView content) {
  const std::uint64_t value = UnsignedValue(content);
  if (value > 0xFFFFFFFFu) Malformed();
  return static_cast<std::uint32_t>(value);
}

Bytes IntegerBytes(ByteView content) {
  if (content.empty()) Malformed();
  return Bytes(content.begin(), content.end());
}

std::string OidText(DerReader& reader) {
  const ByteView element = reader.Next();
  ASN1OID oid;
  oid.Decode(element);
  if (oid.IsEmpty()) Malformed();
  return oid.ToText().CStr();
}

//   AlgorithmIdentifier ::= SEQUENCE { algorithm OBJECT IDENTIFIER, parameters ANY OPTIONAL }
MessageImprint ReadImprint(DerReader& reader) {
  DerReader imprint = Enter(reader, kSequence);
  DerReader algorithm = Enter(imprint, kSequence);
  MessageImprint result;
  if (!NextIs(algorithm, kOid)) Malformed();
  result.hashAlgorithm = OidText(algorithm);
  if (algorithm.HasMore()) {
    const ByteView parameters = algorithm.Next();
    result.hashParameters.assign(parameters.begin(), parameters.end());
  }
  End(algorithm);
  const ByteView hashed = Take(imprint, kOctetString);
  result.hashedMessage.assign(hashed.begin(), hashed.end());
  End(imprint);
  return result;
}

bool ReadBoolean(DerReader& reader) {
  const ByteView content = Take(reader, kBoolean);
  if (content.size() != 1) Malformed();
  return content[0] != 0;
}

Bytes ReadWhole(DerReader& reader) {
  const ByteView element = reader.Next();
  return Bytes(element.begin(), element.end());
}

// Bit n of the result is named bit n: the first bit of the string is bit 0.
std::uint32_t ReadFailInfo(DerReader& reader) {
  const ByteView content = Take(reader, kBitString);
  if (content.empty() || content.size() > 5 || content[0] > 7 || (content.size() == 1 && content[0] != 0))
    Malformed();
  std::uint32_t bits = 0;
  for (std::size_t i = 1; i < content.size(); ++i)
    for (unsigned j = 0; j < 8; ++j)
      if ((content[i] >> (7 - j) & 1) != 0) bits |= std::uint32_t{1} << ((i - 1) * 8 + j);
  return bits;
}

_SYSTEMTIME ReadGenTime(DerReader& reader) {
  if (!NextIs(reader, kGeneralizedTime)) Malformed();
  ASN1GeneralizedTime time;
  reader.Read(time);
  // The reader of certificate times lets any last character pass; a time stamp says UTC.
  if (time.Size() == 0 || time.View().back() != 'Z') Malformed();
  return time.GetTime().SystemTime();
}

// Reads the whole of `der` as one element with `body`, under one code.
template <class Result, class Body>
Result DecodeWhole(std::span<const std::uint8_t> der, const Message& code, Body&& body) {
  Result result;
  cms::Coded(code, [&] {
    if (der::ElementSize(der) != der.size()) Malformed();
    DerReader top(der);
    DerReader outer = Enter(top, kSequence);
    result = body(outer);
    End(outer);
  });
  return result;
}

// ---- Writing ----

void Put(Bytes& out, std::uint8_t identifier, ByteView content) {
  std::uint8_t length[9];
  const std::uint8_t* const begin = length;
  const std::uint8_t* end = der::WriteLength(length, content.size());
  out.push_back(identifier);
  out.insert(out.end(), begin, end);
  out.insert(out.end(), content.begin(), content.end());
}

void PutInteger(Bytes& out, ByteView content) {
  if (content.empty()) Raise(kMsgNotInteger);
  Put(out, kInteger, content);
}

void PutSigned(Bytes& out, std::int64_t value) {
  std::uint8_t octets[8];
  for (int i = 0; i < 8; ++i) octets[i] = static_cast<std::uint8_t>(static_cast<std::uint64_t>(value) >> (56 - 8 * i));
  // Fewest octets that keep the sign.
  int first = 0;
  while (first < 7 && ((octets[first] == 0x00 && (octets[first + 1] & 0x80) == 0) ||
                       (octets[first] == 0xFF && (octets[first + 1] & 0x80) != 0)))
    ++first;
  Put(out, kInteger, ByteView(octets + first, 8 - static_cast<std::size_t>(first)));
}

void PutOid(Bytes& out, const std::string& text) {
  ASN1OID oid;
  oid.SetText(text.c_str());
  if (oid.IsEmpty()) Raise(kMsgInvalidOidString);
  Blob der;
  oid.Encode(der);
  out.insert(out.end(), der.View().begin(), der.View().end());
}

void PutRaw(Bytes& out, const Bytes& element) { out.insert(out.end(), element.begin(), element.end()); }

void PutImprint(Bytes& out, const MessageImprint& imprint) {
  Bytes algorithm;
  PutOid(algorithm, imprint.hashAlgorithm);
  PutRaw(algorithm, imprint.hashParameters);
  Bytes body;
  Put(body, kSequence, algorithm);
  Put(body, kOctetString, imprint.hashedMessage);
  Put(out, kSequence, body);
}

void PutFailInfo(Bytes& out, std::uint32_t bits) {
  // DER: the string ends at its last one bit.
  int highest = -1;
  for (int bit = 31; bit >= 0 && highest < 0; --bit)
    if ((bits >> bit & 1) != 0) highest = bit;
  Bytes content{static_cast<std::uint8_t>(highest < 0 ? 0 : 7 - highest % 8)};
  for (int i = 0; i <= highest / 8 && highest >= 0; ++i) {
    std::uint8_t octet = 0;
    for (int j = 0; j < 8; ++j)
      if ((bits >> (8 * i + j) & 1) != 0) octet = static_cast<std::uint8_t>(octet | 0x80 >> j);
    content.push_back(octet);
  }
  Put(out, kBitString, content);
}

void PutGenTime(Bytes& out, const _SYSTEMTIME& time) {
  if (!DateTime::IsValid(time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond) ||
      time.wMilliseconds > 999)
    Raise(kMsgImpossibleTime);
  char text[32];
  int length = std::snprintf(text, sizeof text, "%04u%02u%02u%02u%02u%02u", time.wYear, time.wMonth, time.wDay,
                             time.wHour, time.wMinute, time.wSecond);
  if (time.wMilliseconds != 0) {
    length += std::snprintf(text + length, sizeof text - static_cast<std::size_t>(length), ".%03u",
                            time.wMilliseconds);
    while (text[length - 1] == '0') --length;
  }
  text[length++] = 'Z';
  Put(out, kGeneralizedTime, ByteView(reinterpret_cast<const std::uint8_t*>(text), static_cast<std::size_t>(length)));
}

}  // namespace

Bytes IntegerOctets(std::uint64_t value) {
  Bytes octets;
  for (int shift = 56; shift >= 0; shift -= 8) {
    const auto octet = static_cast<std::uint8_t>(value >> shift);
    if (octets.empty() && octet == 0 && shift != 0) continue;
    if (octets.empty() && (octet & 0x80) != 0) octets.push_back(0);
    octets.push_back(octet);
  }
  return octets;
}

Bytes Encode(const TimeStampReq& request) {
  Bytes body;
  PutSigned(body, request.version);
  PutImprint(body, request.messageImprint);
  if (!request.reqPolicy.empty()) PutOid(body, request.reqPolicy);
  if (!request.nonce.empty()) PutInteger(body, request.nonce);
  if (request.certReq) Put(body, kBoolean, ByteView(Bytes{0xFF}));
  PutRaw(body, request.extensions);
  Bytes out;
  Put(out, kSequence, body);
  return out;
}

Bytes Encode(const TimeStampResp& response) {
  const PkiStatusInfo& status = response.status;
  Bytes info;
  PutSigned(info, status.status);
  if (!status.statusString.empty()) {
    Bytes texts;
    for (const std::string& text : status.statusString)
      Put(texts, kUtf8String, ByteView(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    Put(info, kSequence, texts);
  }
  if (status.failInfo) PutFailInfo(info, *status.failInfo);
  Bytes body;
  Put(body, kSequence, info);
  PutRaw(body, response.timeStampToken);
  Bytes out;
  Put(out, kSequence, body);
  return out;
}

Bytes Encode(const TstInfo& info) {
  Bytes body;
  PutSigned(body, info.version);
  PutOid(body, info.policy);
  PutImprint(body, info.messageImprint);
  PutInteger(body, info.serialNumber);
  PutGenTime(body, info.genTime);
  if (info.accuracy) {
    Bytes accuracy;
    if (info.accuracy->seconds) Put(accuracy, kInteger, IntegerOctets(*info.accuracy->seconds));
    if (info.accuracy->millis) Put(accuracy, kContext0, IntegerOctets(*info.accuracy->millis));
    if (info.accuracy->micros) Put(accuracy, kContext1, IntegerOctets(*info.accuracy->micros));
    Put(body, kSequence, accuracy);
  }
  if (info.ordering) Put(body, kBoolean, ByteView(Bytes{0xFF}));
  if (!info.nonce.empty()) PutInteger(body, info.nonce);
  PutRaw(body, info.tsa);
  PutRaw(body, info.extensions);
  Bytes out;
  Put(out, kSequence, body);
  return out;
}

TimeStampReq DecodeTimeStampReq(std::span<const std::uint8_t> der) {
  return DecodeWhole<TimeStampReq>(der, kMsgBadSignedData50055, [](DerReader& body) {
    TimeStampReq request;
    request.version = SignedValue(Take(body, kInteger));
    request.messageImprint = ReadImprint(body);
    if (NextIs(body, kOid)) request.reqPolicy = OidText(body);
    if (NextIs(body, kInteger)) request.nonce = IntegerBytes(Take(body, kInteger));
    if (NextIs(body, kBoolean)) request.certReq = ReadBoolean(body);
    if (NextIs(body, kConstructed0)) request.extensions = ReadWhole(body);
    return request;
  });
}

TimeStampResp DecodeTimeStampResp(std::span<const std::uint8_t> der) {
  return DecodeWhole<TimeStampResp>(der, kMsgBadTstInfo, [](DerReader& body) {
    TimeStampResp response;
    DerReader info = Enter(body, kSequence);
    response.status.status = SignedValue(Take(info, kInteger));
    if (NextIs(info, kSequence)) {
      DerReader texts = Enter(info, kSequence);
      if (!texts.HasMore()) Malformed();  // SIZE (1..MAX)
      while (texts.HasMore()) {
        const ByteView text = Take(texts, kUtf8String);
        response.status.statusString.emplace_back(text.begin(), text.end());
      }
    }
    if (NextIs(info, kBitString)) response.status.failInfo = ReadFailInfo(info);
    End(info);
    if (body.HasMore()) {
      if (!NextIs(body, kSequence)) Malformed();
      response.timeStampToken = ReadWhole(body);
    }
    return response;
  });
}

TstInfo DecodeTstInfo(std::span<const std::uint8_t> der) {
  return DecodeWhole<TstInfo>(der, kMsgBadTstInfo, [](DerReader& body) {
    TstInfo info;
    info.version = SignedValue(Take(body, kInteger));
    if (!NextIs(body, kOid)) Malformed();
    info.policy = OidText(body);
    info.messageImprint = ReadImprint(body);
    info.serialNumber = IntegerBytes(Take(body, kInteger));
    info.genTime = ReadGenTime(body);
    if (NextIs(body, kSequence)) {
      DerReader reader = Enter(body, kSequence);
      Accuracy accuracy;
      if (NextIs(reader, kInteger)) accuracy.seconds = UnsignedValue(Take(reader, kInteger));
      if (NextIs(reader, kContext0)) accuracy.millis = Unsigned32(Take(reader, kContext0));
      if (NextIs(reader, kContext1)) accuracy.micros = Unsigned32(Take(reader, kContext1));
      End(reader);
      info.accuracy = accuracy;
    }
    if (NextIs(body, kBoolean)) info.ordering = ReadBoolean(body);
    if (NextIs(body, kInteger)) info.nonce = IntegerBytes(Take(body, kInteger));
    if (NextIs(body, kConstructed0)) info.tsa = ReadWhole(body);
    if (NextIs(body, kConstructed1)) info.extensions = ReadWhole(body);
    return info;
  });
}

}  // namespace tavrpki::tsp
