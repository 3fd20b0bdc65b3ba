// The key-transport records of the encrypted envelope: one record per recipient,
// concatenated, nothing before or after. All integers little-endian.
//
//   offset 0      2 bytes  H, header length (10 when written)
//   offset 2      4 bytes  E, length of the encrypted key block
//   offset 6      4 bytes  C, length of the recipient certificate
//   offset H      E bytes  the encrypted key block
//   offset H + E  C bytes  the recipient certificate, DER
//
// A header longer than 10 bytes is read with the extra bytes skipped (they carry
// nothing this library knows); a shorter one cannot hold E and C and is refused.
// Nothing is checked here about the block or the certificate: the envelope does
// that when it loads them.
#pragma once

#include <cstdint>

#include "asn1/Blob.h"

namespace tavrpki {

inline constexpr std::uint16_t kEnvelopeRecordHeaderSize = 10;

// One record as a view into the data it was read from (valid while that lives).
struct EnvelopeRecordView {
  ByteView block;
  ByteView certificate;
};

// Reads the records one at a time, so that a caller can keep those read before a
// bad one. Every length is checked against what is left before it is used:
// a record that runs past the end fails with 100021 and nothing past the end is
// ever read.
class EnvelopeRecordReader {
 public:
  explicit EnvelopeRecordReader(ByteView data) : m_rest(data) {}
  bool AtEnd() const { return m_rest.empty(); }
  // The next record; 100021 when the header or its lengths run past the end.
  EnvelopeRecordView Next();

 private:
  ByteView m_rest;
};

// Appends one record with a 10-byte header. 100021 when the block or the
// certificate is longer than a 32-bit length can say.
void AppendEnvelopeRecord(Blob& out, ByteView block, ByteView certificate);

}  // namespace tavrpki
