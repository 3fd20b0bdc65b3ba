// Keys held as one number. The binary form of a key is the binary form of its
// value (not wrapped in a further item).
//
// `CPrivateKey` holds the private scalar d: its storage is wiped whenever the value
// is replaced and when the key dies.
#pragma once

#include "crypto/objects/CBitBlob.h"

namespace tavrpki {

class CKey : public CBinaryData {
 public:
  CKey() = default;
  explicit CKey(const CBitBlob& value) : m_value(value) {}
  CKey(const CKey&) = default;
  CKey& operator=(const CKey&) = default;
  ~CKey() override = default;

  const CBitBlob& GetValue() const { return m_value; }
  virtual void SetValue(const CBitBlob& value) { m_value = value; }

  Blob& ToBinary(Blob& out) const override { return m_value.ToBinary(out); }
  void FromBinary(const Blob& in) override { FromItems(in.View()); }
  virtual void FromItems(ByteView in);

  friend bool operator==(const CKey& a, const CKey& b) { return a.m_value == b.m_value; }

 protected:
  CBitBlob m_value;
};

// A coordinate or scalar of a DSTU 4145 key.
class CAsymmetricKey : public CKey {
 public:
  using CKey::CKey;
};

class CPrivateKey : public CAsymmetricKey {
 public:
  CPrivateKey() = default;
  explicit CPrivateKey(const CBitBlob& value) { SetValue(value); }
  CPrivateKey(const CPrivateKey& other) : CAsymmetricKey() { SetValue(other.m_value); }
  CPrivateKey& operator=(const CPrivateKey& other);
  ~CPrivateKey() override;

  void SetValue(const CBitBlob& value) override;
  void FromItems(ByteView in) override;
};

}  // namespace tavrpki
