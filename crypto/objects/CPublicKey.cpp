#include "crypto/objects/CPublicKey.h"

#include "crypto/objects/CBinaryDataBuilder.h"

namespace tavrpki {

template <class Coordinate>
Blob& CPoint<Coordinate>::ToBinary(Blob& out) const {
  CBinaryDataBuilder items;
  items.AddObject(m_x);
  items.AddObject(m_y);
  return items.ToBinary(out);
}

template <class Coordinate>
void CPoint<Coordinate>::FromItems(ByteView in) {
  const BinaryItems items(in);
  Coordinate x;
  Coordinate y;
  x.FromItems(items.Item(0));
  y.FromItems(items.Item(1));
  m_x = std::move(x);
  m_y = std::move(y);
}

template class CPoint<CAsymmetricKey>;
template class CPoint<CBitBlob>;

}  // namespace tavrpki
