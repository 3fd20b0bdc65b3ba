#include "crypto/objects/CBinaryDataBuilder.h"

#include "asn1/CodecMessages.h"
#include "core/Catalogue.h"
#include "gostcrypto/ByteCursor.h"
#include "gostcrypto/Wipe.h"

namespace tavrpki {
namespace {

// A Blob that is wiped when it dies (nested binary forms may hold private keys).
struct SecretBlob : Blob {
  ~SecretBlob() override { SecureWipe(Data(), Capacity()); }
};

}  // namespace

ByteView BinaryItems::Item(std::uint32_t index) const {
  if (m_in.empty()) Raise(kMsgItemBufferEmpty);
  ByteReader reader(m_in);
  for (std::uint32_t i = 0;; ++i) {
    if (reader.AtEnd()) Raise(kMsgItemIndexOutOfRange);
    const auto length = reader.U32();
    if (!length) Raise(kMsgBlobOutOfBuffer);
    const auto item = reader.Bytes(*length);
    if (!item) Raise(kMsgBlobOutOfBuffer);
    if (i == index) return *item;
  }
}

std::uint32_t BinaryItems::U32(std::uint32_t index) const {
  const auto value = ByteReader(Item(index)).U32();
  if (!value) Raise(kMsgBlobOutOfBuffer);
  return *value;
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
  ByteWriter(std::span(m_items.At(offset), 4)).U32(length);
  m_items.Append(item);
}

void CBinaryDataBuilder::AddU32(std::uint32_t value) {
  std::uint8_t bytes[4];
  ByteWriter(bytes).U32(value);
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
