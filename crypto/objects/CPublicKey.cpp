#include "crypto/objects/CPublicKey.h"

#include "crypto/objects/CBinaryDataBuilder.h"

namespace tavrpki {
namespace {

Blob PairToBinary(const CBinaryData& first, const CBinaryData& second) {
  Blob a;
  Blob b;
  first.ToBinary(a);
  second.ToBinary(b);
  CBinaryDataBuilder items;
  items.Reserve(CBinaryDataBuilder::ItemSize(a.Size()) + CBinaryDataBuilder::ItemSize(b.Size()));
  items.AddItem(a);
  items.AddItem(b);
  Blob out;
  items.ToBinary(out);
  return out;
}

}  // namespace

Blob& CPublicKey::ToBinary(Blob& out) const {
  out = PairToBinary(m_x, m_y);
  return out;
}

void CPublicKey::FromItems(ByteView in) {
  const BinaryItems items(in);
  CAsymmetricKey x;
  CAsymmetricKey y;
  x.FromItems(items.Item(0));
  y.FromItems(items.Item(1));
  m_x = std::move(x);
  m_y = std::move(y);
}

Blob& CBasePoint::ToBinary(Blob& out) const {
  out = PairToBinary(m_x, m_y);
  return out;
}

void CBasePoint::FromItems(ByteView in) {
  const BinaryItems items(in);
  CBitBlob x;
  CBitBlob y;
  x.FromItems(items.Item(0));
  y.FromItems(items.Item(1));
  m_x = std::move(x);
  m_y = std::move(y);
}

}  // namespace tavrpki
