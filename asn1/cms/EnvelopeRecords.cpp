#include "asn1/cms/EnvelopeRecords.h"

#include <limits>

#include "core/Catalogue.h"
#include "core/Exception.h"

namespace tavrpki {

namespace {

std::uint32_t ReadLe(ByteView bytes) {
  std::uint32_t value = 0;
  for (std::size_t i = bytes.size(); i-- > 0;) value = value << 8 | bytes[i];
  return value;
}

void AppendLe(Blob& out, std::uint32_t value, std::size_t size) {
  std::uint8_t bytes[4];
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
  out.Append(ByteView(bytes, size));
}

// The first `size` bytes of `rest`, which then moves past them; 100021 when
// fewer are left.
ByteView Take(ByteView& rest, std::size_t size) {
  if (size > rest.size()) Raise(kMsgInvalidParameter);
  const ByteView taken = rest.first(size);
  rest = rest.subspan(size);
  return taken;
}

}  // namespace

EnvelopeRecordView EnvelopeRecordReader::Next() {
  // The cursor moves only when the whole record is there, so a failure leaves
  // it at the bad record.
  ByteView rest = m_rest;
  const ByteView header = Take(rest, kEnvelopeRecordHeaderSize);
  const std::uint16_t headerLength = static_cast<std::uint16_t>(ReadLe(header.first(2)));
  const std::uint32_t blockLength = ReadLe(header.subspan(2, 4));
  const std::uint32_t certLength = ReadLe(header.subspan(6, 4));
  if (headerLength < kEnvelopeRecordHeaderSize) Raise(kMsgInvalidParameter);
  Take(rest, headerLength - kEnvelopeRecordHeaderSize);  // bytes of a longer header: skipped
  EnvelopeRecordView record;
  record.block = Take(rest, blockLength);
  record.certificate = Take(rest, certLength);
  m_rest = rest;
  return record;
}

void AppendEnvelopeRecord(Blob& out, ByteView block, ByteView certificate) {
  constexpr std::size_t kMax = std::numeric_limits<std::uint32_t>::max();
  if (block.size() > kMax || certificate.size() > kMax) Raise(kMsgInvalidParameter);
  AppendLe(out, kEnvelopeRecordHeaderSize, 2);
  AppendLe(out, static_cast<std::uint32_t>(block.size()), 4);
  AppendLe(out, static_cast<std::uint32_t>(certificate.size()), 4);
  out.Append(block);
  out.Append(certificate);
}

}  // namespace tavrpki
