// The reading shapes the certificate structures share, so that each decoder
// states its checks in one line and every mismatch raises that structure's own
// coded message. Internal to asn1/x509/.
#pragma once

#include <cstdint>

#include "asn1/Der.h"
#include "core/Exception.h"

namespace tavrpki::x509 {

// Reader over the content of the element at the start of `in`, whose identifier
// must be the single octet `identifier` (else `mismatch`, an empty input too).
// A lone identifier octet fails as every header read does ("Insufficient blob size").
inline DerReader Open(ByteView in, std::uint8_t identifier, const Message& mismatch) {
  if (in.empty() || in[0] != identifier) Raise(mismatch);
  return DerReader(der::ReadContentOf(in, identifier, mismatch));
}

// A signed body at the start of `in` (identifier 30, else `mismatch`): `whole` is
// its element, the bytes its signature covers, and `fields` reads its content.
struct SignedBodyReader {
  ByteView whole;
  DerReader fields;
};
inline SignedBodyReader OpenSignedBody(ByteView in, const Message& mismatch) {
  if (in.empty() || in[0] != 0x30) Raise(mismatch);
  const ByteView whole = in.first(der::ElementSize(in));
  return {whole, Open(whole, 0x30, mismatch)};
}

// The same for the next element of `reader`, which then moves past it.
inline DerReader Enter(DerReader& reader, std::uint8_t identifier, const Message& mismatch) {
  if (!reader.HasMore() || reader.PeekIdentifier() != identifier) Raise(mismatch);
  der::Header header;
  DerReader content = reader.Enter(header);
  if (header.SingleOctet() != identifier) Raise(mismatch);
  return content;
}

// True when the next element of `reader` starts with the octet `identifier`.
inline bool NextIs(const DerReader& reader, std::uint8_t identifier) {
  return reader.HasMore() && reader.PeekIdentifier() == identifier;
}

// Runs `body`; any failure inside becomes `coded` (the extension value types
// report every malformed value with their one catalogue entry).
template <typename Body>
void AsCoded(const Message& coded, Body&& body) {
  try {
    body();
  } catch (const Exception&) {
    Raise(coded);
  }
}

}  // namespace tavrpki::x509
