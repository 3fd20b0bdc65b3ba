#include "crypto/objects/CBinaryDataBuilder.h"

#include "asn1/CodecMessages.h"
#include "core/Catalogue.h"
#include "gostcrypto/Wipe.h"

namespace tavrpki {
namespace {

std::uint32_t ReadU32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
         std::uint32_t{p[3]} << 24;
}

// A Blob that is wiped when it dies (nested binary forms may hold private keys).
struct SecretBlob : Blob {
  ~SecretBlob() override { SecureWipe(Data(), Capacity()); }
};

void WriteU32(std::uint8_t* p, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace

ByteView BinaryItems::Item(std::uint32_t index) const {
  if (m_in.empty()) Raise(kMsgItemBufferEmpty);
  std::size_t offset = 0;
  for (std::uint32_t i = 0;; ++i) {
    if (offset == m_in.size()) Raise(kMsgItemIndexOutOfRange);
    if (m_in.size() - offset < 4) Raise(kMsgBlobOutOfBuffer);
    const std::uint32_t length = ReadU32(m_in.data() + offset);
    offset += 4;
    if (length > m_in.size() - offset) Raise(kMsgBlobOutOfBuffer);
    if (i == index) return m_in.subspan(offset, length);
    offset += length;
  }
}

std::uint32_t BinaryItems::U32(std::uint32_t index) const {
  const ByteView item = Item(index);
  if (item.size() < 4) Raise(kMsgBlobOutOfBuffer);
  return ReadU32(item.data());
}

CBinaryDataBuilder::~CBinaryDataBuilder() { SecureWipe(m_items.Data(), m_items.Capacity()); }

CBinaryDataBuilder& CBinaryDataBuilder::operator=(const CBinaryDataBuilder& other) {
  if (this != &other) FromBinary(other.m_items);
  return *this;
}

void CBinaryDataBuilder::Reserve(std::uint32_t bytes) {
  if (m_items.Size() + std::uint64_t{bytes} > m_items.Capacity()) {
    Blob bigger;
    bigger.Reserve(m_items.Size() + bytes);
    bigger.Assign(m_items.View());
    SecureWipe(m_items.Data(), m_items.Capacity());
    m_items = std::move(bigger);
  }
}

void CBinaryDataBuilder::AddItem(ByteView item) {
  const auto length = static_cast<std::uint32_t>(item.size());
  Reserve(ItemSize(length));
  const std::uint32_t offset = m_items.Size();
  m_items.Grow(offset + 4);
  WriteU32(m_items.At(offset), length);
  m_items.Append(item);
}

void CBinaryDataBuilder::AddU32(std::uint32_t value) {
  std::uint8_t bytes[4];
  WriteU32(bytes, value);
  AddItem(bytes);
}

void CBinaryDataBuilder::AddObject(const CBinaryData& object) {
  SecretBlob form;
  object.ToBinary(form);
  AddItem(form.View());
}

Blob& CBinaryDataBuilder::ToBinary(Blob& out) const {
  out.Assign(m_items);
  return out;
}

void CBinaryDataBuilder::FromBinary(const Blob& in) {
  SecureWipe(m_items.Data(), m_items.Capacity());
  m_items.Assign(in);
}

}  // namespace tavrpki
