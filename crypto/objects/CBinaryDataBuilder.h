// The item sequence every binary form is made of: each item is a 32-bit
// little-endian length L followed by L bytes. Nested objects are items holding
// their own binary form.
//
//   CBinaryDataBuilder b;  b.AddU32(163);  b.AddItem(x);   // 04 00 00 00 A3 00 00 00 ...
//   BinaryItems items(in); items.U32(0);  items.Item(1);   // reading, without copies
#pragma once

#include <cstdint>

#include "asn1/Blob.h"
#include "crypto/objects/CBinaryData.h"

namespace tavrpki {

// A read-only view over an item sequence. Walking to an item checks every length
// against the bytes that remain, so nothing past the input is ever read.
class BinaryItems {
 public:
  explicit BinaryItems(ByteView in) : m_in(in) {}

  // Item `index` (0-based). Empty input: 70001 "Buffer is empty."; fewer items:
  // 70000 "Index out of range."; a length or item that runs past the end:
  // "Blob: out of buffer".
  ByteView Item(std::uint32_t index) const;
  // The first four bytes of item `index`, little-endian; a shorter item throws
  // "Blob: out of buffer".
  std::uint32_t U32(std::uint32_t index) const;

 private:
  ByteView m_in;
};

class CBinaryDataBuilder : public CBinaryData {
 public:
  CBinaryDataBuilder() = default;
  CBinaryDataBuilder(const CBinaryDataBuilder&) = default;
  // Wipes the sequence it replaces.
  CBinaryDataBuilder& operator=(const CBinaryDataBuilder& other);
  // Items may hold private keys: the sequence is wiped when the builder dies.
  ~CBinaryDataBuilder() override;

  void AddItem(ByteView item);
  // An item of length 4 holding `value` little-endian.
  void AddU32(std::uint32_t value);
  // An item holding the binary form of `object` (a nested object). The scratch
  // copy of that form is wiped: it may hold a private key.
  void AddObject(const CBinaryData& object);
  // Makes room for `bytes` more bytes, so that appending never moves the sequence
  // (an unwiped copy would stay behind in freed memory).
  void Reserve(std::uint32_t bytes);

  Blob GetItem(std::uint32_t index) const { return Blob(Items().Item(index)); }
  std::uint32_t GetU32(std::uint32_t index) const { return Items().U32(index); }
  BinaryItems Items() const { return BinaryItems(m_items.View()); }

  // The whole sequence.
  Blob& ToBinary(Blob& out) const override;
  // Takes `in` as the sequence unchecked; items are checked as they are read.
  void FromBinary(const Blob& in) override;

  // Size of an item holding `length` bytes.
  static std::uint32_t ItemSize(std::uint32_t length) { return 4 + length; }

 private:
  Blob m_items;
};

}  // namespace tavrpki
