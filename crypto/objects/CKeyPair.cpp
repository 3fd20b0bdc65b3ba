#include "crypto/objects/CKeyPair.h"

#include "core/Catalogue.h"
#include "crypto/objects/CBinaryDataBuilder.h"

namespace tavrpki {

Blob& CKeyPair::ToBinary(Blob& out) const {
  CBinaryDataBuilder items;
  items.AddU32(m_usage);
  items.AddObject(m_private);
  items.AddObject(m_public);
  items.AddObject(m_params);
  return items.ToBinary(out);
}

void CKeyPair::FromItems(ByteView in) {
  const BinaryItems items(in);
  CKeyPair read;
  read.m_usage = items.U32(0);
  read.m_private.FromItems(items.Item(1));
  read.m_public.FromItems(items.Item(2));
  read.m_params.FromItems(items.Item(3));
  *this = read;
}

CDoubleKeyPair::CDoubleKeyPair() { m_crypt.SetUsage(CKeyPair::kEncryption); }

CDoubleKeyPair::CDoubleKeyPair(const CKeyPair& sign, const CKeyPair& crypt) {
  SetPairs(sign, crypt);
}

void CDoubleKeyPair::CheckUsages(const CKeyPair& sign, const CKeyPair& crypt) {
  if (sign.GetUsage() != CKeyPair::kSigning) Raise(kMsgBadSignKeyUsage);
  if (crypt.GetUsage() != CKeyPair::kEncryption) Raise(kMsgBadCryptKeyUsage);
}

void CDoubleKeyPair::SetPairs(const CKeyPair& sign, const CKeyPair& crypt) {
  CheckUsages(sign, crypt);
  m_sign = sign;
  m_crypt = crypt;
}

Blob& CDoubleKeyPair::ToBinary(Blob& out) const {
  CBinaryDataBuilder items;
  items.AddObject(m_sign);
  items.AddObject(m_crypt);
  return items.ToBinary(out);
}

void CDoubleKeyPair::FromItems(ByteView in) {
  const BinaryItems items(in);
  CKeyPair sign;
  CKeyPair crypt;
  sign.FromItems(items.Item(0));
  crypt.FromItems(items.Item(1));
  SetPairs(sign, crypt);
}

}  // namespace tavrpki
