// Points as two coordinates. Binary form: item 0 the x coordinate, item 1 the y
// coordinate, each holding its own binary form.
#pragma once

#include "crypto/objects/CKey.h"

namespace tavrpki {

// A point whose coordinates are `Coordinate` objects (keys or bare bit buffers).
template <class Coordinate>
class CPoint : public CBinaryData {
 public:
  CPoint() = default;
  CPoint(const Coordinate& x, const Coordinate& y) : m_x(x), m_y(y) {}

  const Coordinate& GetX() const { return m_x; }
  const Coordinate& GetY() const { return m_y; }
  Coordinate& X() { return m_x; }
  Coordinate& Y() { return m_y; }

  Blob& ToBinary(Blob& out) const override;
  void FromBinary(const Blob& in) override { FromItems(in.View()); }
  // Reads both coordinates before storing either, so a malformed form changes nothing.
  void FromItems(ByteView in);

  friend bool operator==(const CPoint& a, const CPoint& b) { return a.m_x == b.m_x && a.m_y == b.m_y; }

 private:
  Coordinate m_x;
  Coordinate m_y;
};

extern template class CPoint<CAsymmetricKey>;
extern template class CPoint<CBitBlob>;

// The public key Q = (x, y) of a DSTU 4145 key pair.
class CPublicKey : public CPoint<CAsymmetricKey> {
 public:
  using CPoint::CPoint;
};

// The base point P of a parameter set.
class CBasePoint : public CPoint<CBitBlob> {
 public:
  using CPoint::CPoint;
};

}  // namespace tavrpki
