// The RFC 3161 messages against hand-written DER: what each reads, that it writes
// the same bytes back, and the code of each refusal (tests/data/asn1_tsp/).
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <sstream>

#include "asn1/Hex.h"
#include "asn1/tsp/TimeStamp.h"
#include "core/Catalogue.h"
#include "support/CodeOf.h"
#include "support/VectorFile.h"

namespace tavrpki::test {
namespace {

using tsp::Bytes;

void Imprint(std::ostringstream& out, const tsp::MessageImprint& imprint) {
  out << " hash=" << imprint.hashAlgorithm;
  if (!imprint.hashParameters.empty()) out << " params=" << HexEncode(imprint.hashParameters);
  out << " imprint=" << HexEncode(imprint.hashedMessage);
}

std::string Read(const tsp::TimeStampReq& request) {
  std::ostringstream out;
  out << "v" << request.version;
  Imprint(out, request.messageImprint);
  if (!request.reqPolicy.empty()) out << " policy=" << request.reqPolicy;
  if (!request.nonce.empty()) out << " nonce=" << HexEncode(request.nonce);
  if (request.certReq) out << " certReq";
  if (!request.extensions.empty()) out << " ext=" << HexEncode(request.extensions);
  return out.str();
}

std::string Read(const tsp::TimeStampResp& response) {
  std::ostringstream out;
  out << "status=" << response.status.status;
  for (const std::string& text : response.status.statusString) out << " text=" << text;
  if (response.status.failInfo) {
    char bits[16];
    std::snprintf(bits, sizeof bits, "%08X", *response.status.failInfo);
    out << " failInfo=" << bits;
  }
  if (!response.timeStampToken.empty()) out << " token=" << HexEncode(response.timeStampToken);
  return out.str();
}

std::string Read(const tsp::TstInfo& info) {
  std::ostringstream out;
  out << "v" << info.version << " policy=" << info.policy;
  Imprint(out, info.messageImprint);
  char time[64];
  std::snprintf(time, sizeof time, "%04u-%02u-%02u %02u:%02u:%02u.%03u", info.genTime.wYear, info.genTime.wMonth,
                info.genTime.wDay, info.genTime.wHour, info.genTime.wMinute, info.genTime.wSecond,
                info.genTime.wMilliseconds);
  out << " serial=" << HexEncode(info.serialNumber) << " time=" << time;
  if (info.accuracy) {
    const auto part = [](const auto& value) { return value ? std::to_string(*value) : std::string("-"); };
    out << " accuracy=" << part(info.accuracy->seconds) << "/" << part(info.accuracy->millis) << "/"
        << part(info.accuracy->micros);
  }
  if (info.ordering) out << " ordering";
  if (!info.nonce.empty()) out << " nonce=" << HexEncode(info.nonce);
  if (!info.tsa.empty()) out << " tsa=" << HexEncode(info.tsa);
  if (!info.extensions.empty()) out << " ext=" << HexEncode(info.extensions);
  return out.str();
}

// Reads `der` as the record's kind; returns what was read and the re-encoding.
std::pair<std::string, Bytes> DecodeAndEncode(const std::string& kind, const Bytes& der) {
  if (kind == "Request" || kind == "request") {
    const tsp::TimeStampReq value = tsp::DecodeTimeStampReq(der);
    return {Read(value), tsp::Encode(value)};
  }
  if (kind == "Response" || kind == "response") {
    const tsp::TimeStampResp value = tsp::DecodeTimeStampResp(der);
    return {Read(value), tsp::Encode(value)};
  }
  const tsp::TstInfo value = tsp::DecodeTstInfo(der);
  return {Read(value), tsp::Encode(value)};
}

unsigned long CodeFor(const std::string& kind) {
  return kind == "Request" || kind == "request" ? kMsgBadSignedData50055.code : kMsgBadTstInfo.code;
}

TEST(TspMessages, ReadAndWrittenBack) {
  for (const Vector& v : ReadVectorFile("asn1_tsp/messages.vec")) {
    if (v.section == "Refused") continue;
    SCOPED_TRACE(v.Where());
    const Bytes der = v.Bytes("der");
    const auto [read, again] = DecodeAndEncode(v.section, der);
    EXPECT_EQ(read, v.Get("read"));
    EXPECT_EQ(HexEncode(again), HexEncode(der));
    // Every shorter prefix and one byte more are refused under the kind's code.
    for (std::size_t size = 0; size < der.size(); ++size)
      EXPECT_EQ(CodeOf([&] { DecodeAndEncode(v.section, Bytes(der.begin(), der.begin() + size)); }),
                CodeFor(v.section))
          << "prefix of " << size;
    Bytes longer = der;
    longer.push_back(0);
    EXPECT_EQ(CodeOf([&] { DecodeAndEncode(v.section, longer); }), CodeFor(v.section));
    v.ExpectAllUsed();
  }
}

TEST(TspMessages, Refused) {
  for (const Vector& v : ReadVectorFile("asn1_tsp/messages.vec")) {
    if (v.section != "Refused") continue;
    SCOPED_TRACE(v.Where() + " " + v.Get("why"));
    EXPECT_EQ(CodeOf([&] { DecodeAndEncode(v.Get("kind"), v.Bytes("der")); }), CodeFor(v.Get("kind")));
    v.ExpectAllUsed();
  }
}

// What an authority writes from values it sets: the fields DER fixes rather
// than the bytes read (defaults left out, integers and bit strings minimal).
TEST(TspMessages, WrittenFromValues) {
  tsp::TstInfo info;
  info.policy = "1.2.3";
  info.messageImprint.hashedMessage = Bytes(32, 0xAA);
  info.serialNumber = tsp::IntegerOctets(0x80);
  info.genTime = _SYSTEMTIME{2024, 2, 0, 29, 23, 59, 58, 120};
  info.nonce = tsp::IntegerOctets(0);
  EXPECT_EQ(HexEncode(tsp::Encode(info)),
            "305402010106022A033030300C060A2A8624020101010102010420" + std::string(64, 'A') +
                "02020080181232303234303232393233353935382E31325A020100");
  tsp::TimeStampResp response;
  response.status.status = tsp::kRejection;
  response.status.failInfo = (1u << tsp::kBadAlg) | (1u << tsp::kUnacceptedPolicy);
  EXPECT_EQ(HexEncode(tsp::Encode(response)), "300A30080201020303008001");
  info.genTime.wMonth = 13;
  EXPECT_NE(CodeOf([&] { tsp::Encode(info); }), 0u);
}

}  // namespace
}  // namespace tavrpki::test
