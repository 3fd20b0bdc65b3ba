// Identifier and length octets of DER elements, and `DerReader`, the cursor that
// structures read their children with.
//
// Every reader here works on a read-only view and checks before it touches: a
// length that runs past the input is refused with "Insufficient blob size", so no
// decoder ever reads beyond what it was given. Views returned point into the input.
#pragma once

#include <cstddef>
#include <cstdint>

#include "asn1/Blob.h"
#include "core/Exception.h"

namespace tavrpki {

class ASN1Any;

namespace der {

// The identifier octets at the start of `in`: one octet, or for a first octet
// with the low five bits set, the following octets up to the first without bit 7.
// The input must hold at least 2 bytes (kMsgInsufficientBlobSize); a tag number
// above 32 bits is refused (kMsgTagNumberTooLarge) unless `tagNumbers` says any
// size is wanted, as by a reader that only shows the octets it finds.
enum class TagNumbers { kUpTo32Bits, kAnySize };
ByteView ReadIdentifierOctets(ByteView in, TagNumbers tagNumbers = TagNumbers::kUpTo32Bits);
// The length octets right after `identifierSize` identifier octets
// (kMsgNoLengthOctets when there are none, kMsgLengthExceedsLimits for more than
// four length bytes, kMsgInsufficientBlobSize when they run past the input).
ByteView ReadLengthOctets(ByteView in, std::size_t identifierSize);
// The value of complete length octets: short form, or up to four bytes big-endian.
// 0x80 alone (the indefinite form) reads as 0.
std::uint32_t DecodeLength(ByteView lengthOctets);

struct Header {
  ByteView identifier;
  ByteView lengthOctets;
  std::uint32_t contentLength = 0;

  std::size_t Size() const { return identifier.size() + lengthOctets.size(); }
  // The identifier as one octet, or -1 when it has several.
  int SingleOctet() const { return identifier.size() == 1 ? identifier[0] : -1; }
  std::uint8_t TagClass() const { return static_cast<std::uint8_t>(identifier[0] >> 6); }
  bool IsConstructed() const { return (identifier[0] & 0x20) != 0; }
  // The tag number, high tag numbers included (only meaningful up to 32 bits).
  std::uint32_t TagNumber() const;
};

// Identifier and length of the element at the start of `in`; the content is not checked.
Header ReadHeader(ByteView in, TagNumbers tagNumbers = TagNumbers::kUpTo32Bits);
// The content of that element; kMsgInsufficientBlobSize when it runs past `in`.
ByteView Content(ByteView in, const Header& header);
// Size of the whole element at the start of `in` (checked as Content does).
std::size_t ElementSize(ByteView in);

// Writing. Sizes first, so encoders can allocate once.
std::uint32_t IdentifierSize(std::uint32_t tagNumber);
std::uint32_t LengthSize(std::uint64_t length);
// Writes the octets at `out` and returns the pointer past them.
std::uint8_t* WriteIdentifier(std::uint8_t* out, std::uint8_t tagClass, bool constructed,
                              std::uint32_t tagNumber);
std::uint8_t* WriteLength(std::uint8_t* out, std::uint64_t length);
// Replaces `out` with identifier, length and `prefix` + `content` as the content
// octets, in one allocation. `content` may view `out` itself.
void WriteElement(Blob& out, std::uint8_t tagClass, bool constructed, std::uint32_t tagNumber,
                  ByteView prefix, ByteView content);

// Reads the element at the start of `in` whose identifier must be exactly the
// single octet `identifier` (otherwise `mismatch`, raised before the length is
// read) and returns its content.
ByteView ReadContentOf(ByteView in, std::uint32_t identifier, const Message& mismatch);

}  // namespace der

// A cursor over the content of a structure.
//
//   //   AlgorithmIdentifier ::= SEQUENCE { algorithm OBJECT IDENTIFIER, parameters ANY OPTIONAL }
//   DerReader seq = DerReader(in).Enter();
//   seq.Read(m_type);
//   if (seq.HasMore()) seq.Read(m_value);
//
// `Read` decodes a child from the rest of the input (so a child's own checks and
// messages apply, exactly as if it were decoded alone) and then moves past the
// element by its size as read, never by a re-encoding.
class DerReader {
 public:
  explicit DerReader(ByteView in) : m_in(in) {}

  bool HasMore() const { return m_offset < m_in.size(); }
  std::size_t Offset() const { return m_offset; }
  ByteView Rest() const { return m_in.subspan(m_offset); }

  // First identifier octet of the next element; kMsgInsufficientBlobSize at the end.
  std::uint8_t PeekIdentifier() const;
  // Decodes `child` from the next element and moves past that element.
  void Read(ASN1Any& child);
  // Reads the next element's identifier and length, moves past the whole element
  // and returns a reader over its content (a SEQUENCE, SET or explicit tag).
  DerReader Enter();
  // Same, also giving the header (for identifier checks by the caller).
  DerReader Enter(der::Header& header);
  // The whole next element (identifier, length, content) as a view; moves past it.
  ByteView Next();

 private:
  ByteView m_in;
  std::size_t m_offset = 0;
};

}  // namespace tavrpki
