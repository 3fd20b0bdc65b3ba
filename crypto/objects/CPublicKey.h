// Points as two coordinates. Binary form: item 0 the x coordinate, item 1 the y
// coordinate, each holding its own binary form.
#pragma once

#include "crypto/objects/CKey.h"

namespace tavrpki {

// The public key Q = (x, y) of a DSTU 4145 key pair.
class CPublicKey : public CBinaryData {
 public:
  CPublicKey() = default;
  CPublicKey(const CAsymmetricKey& x, const CAsymmetricKey& y) : m_x(x), m_y(y) {}

  const CAsymmetricKey& GetX() const { return m_x; }
  const CAsymmetricKey& GetY() const { return m_y; }
  void SetX(const CAsymmetricKey& x) { m_x = x; }
  void SetY(const CAsymmetricKey& y) { m_y = y; }

  Blob& ToBinary(Blob& out) const override;
  void FromBinary(const Blob& in) override { FromItems(in.View()); }
  void FromItems(ByteView in);

  friend bool operator==(const CPublicKey& a, const CPublicKey& b) {
    return a.m_x == b.m_x && a.m_y == b.m_y;
  }

 private:
  CAsymmetricKey m_x;
  CAsymmetricKey m_y;
};

// The base point P of a parameter set.
class CBasePoint : public CBinaryData {
 public:
  CBasePoint() = default;
  CBasePoint(const CBitBlob& x, const CBitBlob& y) : m_x(x), m_y(y) {}

  const CBitBlob& GetX() const { return m_x; }
  const CBitBlob& GetY() const { return m_y; }
  CBitBlob& X() { return m_x; }
  CBitBlob& Y() { return m_y; }

  Blob& ToBinary(Blob& out) const override;
  void FromBinary(const Blob& in) override { FromItems(in.View()); }
  void FromItems(ByteView in);

  friend bool operator==(const CBasePoint& a, const CBasePoint& b) {
    return a.m_x == b.m_x && a.m_y == b.m_y;
  }

 private:
  CBitBlob m_x;
  CBitBlob m_y;
};

}  // namespace tavrpki
