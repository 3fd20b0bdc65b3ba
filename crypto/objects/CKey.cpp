#include "crypto/objects/CKey.h"

namespace tavrpki {

void CKey::FromItems(ByteView in) {
  CBitBlob value;
  value.FromItems(in);
  m_value = std::move(value);
}

CPrivateKey& CPrivateKey::operator=(const CPrivateKey& other) {
  if (this != &other) SetValue(other.m_value);
  return *this;
}

CPrivateKey::~CPrivateKey() { m_value.Wipe(); }

// Replacing the value wipes the old storage first; the new value is copied into
// fresh storage of its exact size, so no unwiped copy of d is left behind.
void CPrivateKey::SetValue(const CBitBlob& value) {
  CBitBlob copy(value.View(), value.GetBitLength());
  m_value.Wipe();
  m_value = std::move(copy);
}

void CPrivateKey::FromItems(ByteView in) {
  CBitBlob value;
  value.FromItems(in);
  SetValue(value);
  value.Wipe();
}

}  // namespace tavrpki
