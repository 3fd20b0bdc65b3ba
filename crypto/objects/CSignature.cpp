#include "crypto/objects/CSignature.h"

#include "gostcrypto/Wipe.h"
#include "crypto/objects/CBinaryDataBuilder.h"

namespace tavrpki {
namespace {

// Replaces `target` by a copy of `bytes` in fresh storage, wiping the old one.
void ReplaceSecret(Blob& target, ByteView bytes) {
  Blob copy(bytes);
  SecureWipe(target.Data(), target.Capacity());
  target = std::move(copy);
}

}  // namespace

void CSignature::FromBinary(const Blob& in) {
  CBitBlob value;
  value.FromBinary(in);
  m_value = std::move(value);
}

Blob& CHash::ToBinary(Blob& out) const {
  CBinaryDataBuilder items;
  items.AddItem(m_value);
  return items.ToBinary(out);
}

void CHash::FromBinary(const Blob& in) { m_value.Assign(BinaryItems(in.View()).Item(0)); }

CSymmetricKey::CSymmetricKey(const CSymmetricKey& other) : CBinaryData(other) {
  SetKey(other.m_key);
  SetSecond(other.m_second);
}

CSymmetricKey& CSymmetricKey::operator=(const CSymmetricKey& other) {
  if (this != &other) {
    SetKey(other.m_key);
    SetSecond(other.m_second);
  }
  return *this;
}

CSymmetricKey::~CSymmetricKey() {
  SecureWipe(m_key.Data(), m_key.Capacity());
  SecureWipe(m_second.Data(), m_second.Capacity());
}

void CSymmetricKey::SetKey(ByteView key) { ReplaceSecret(m_key, key); }

void CSymmetricKey::SetSecond(ByteView second) { ReplaceSecret(m_second, second); }

Blob& CSymmetricKey::ToBinary(Blob& out) const {
  out.Assign(m_key);
  return out;
}

}  // namespace tavrpki
