// Small value objects: a signature value, a hash value, a symmetric key.
#pragma once

#include "asn1/Blob.h"
#include "crypto/objects/CBitBlob.h"

namespace tavrpki {

// A DSTU 4145 signature value as the core gives it; binary form: that of the value.
class CSignature : public CBinaryData {
 public:
  CSignature() = default;
  explicit CSignature(const CBitBlob& value) : m_value(value) {}

  const CBitBlob& GetValue() const { return m_value; }
  void SetValue(const CBitBlob& value) { m_value = value; }

  Blob& ToBinary(Blob& out) const override { return m_value.ToBinary(out); }
  void FromBinary(const Blob& in) override;

 private:
  CBitBlob m_value;
};

// A hash value; binary form: one item holding the hash bytes.
class CHash : public CBinaryData {
 public:
  CHash() = default;
  explicit CHash(ByteView value) : m_value(value) {}

  const Blob& GetValue() const { return m_value; }
  void SetValue(ByteView value) { m_value.Assign(value); }

  Blob& ToBinary(Blob& out) const override;
  void FromBinary(const Blob& in) override;

 private:
  Blob m_value;
};

// A GOST 28147-89 key. The binary form is the raw key bytes (no items); the second
// buffer travels with the key in memory only. Both are wiped when replaced or freed.
class CSymmetricKey : public CBinaryData {
 public:
  CSymmetricKey() = default;
  explicit CSymmetricKey(ByteView key) { SetKey(key); }
  CSymmetricKey(const CSymmetricKey& other);
  CSymmetricKey& operator=(const CSymmetricKey& other);
  ~CSymmetricKey() override;

  const Blob& GetKey() const { return m_key; }
  void SetKey(ByteView key);
  const Blob& GetSecond() const { return m_second; }
  void SetSecond(ByteView second);

  Blob& ToBinary(Blob& out) const override;
  void FromBinary(const Blob& in) override { SetKey(in.View()); }

 private:
  Blob m_key;
  Blob m_second;
};

}  // namespace tavrpki
