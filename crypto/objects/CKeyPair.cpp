#include "crypto/objects/CKeyPair.h"

#include "core/Catalogue.h"
#include "crypto/core/Wipe.h"
#include "crypto/objects/CBinaryDataBuilder.h"

namespace tavrpki {
namespace {

// A Blob that is wiped when it dies (nested binary forms of private keys).
struct SecretBlob : Blob {
  ~SecretBlob() override { SecureWipe(Data(), Capacity()); }
};

}  // namespace

Blob& CKeyPair::ToBinary(Blob& out) const {
  SecretBlob privateBytes;
  Blob publicBytes;
  Blob paramsBytes;
  m_private.ToBinary(privateBytes);
  m_public.ToBinary(publicBytes);
  m_params.ToBinary(paramsBytes);
  CBinaryDataBuilder items;
  items.Reserve(CBinaryDataBuilder::ItemSize(4) + CBinaryDataBuilder::ItemSize(privateBytes.Size()) +
                CBinaryDataBuilder::ItemSize(publicBytes.Size()) +
                CBinaryDataBuilder::ItemSize(paramsBytes.Size()));
  items.AddU32(m_usage);
  items.AddItem(privateBytes);
  items.AddItem(publicBytes);
  items.AddItem(paramsBytes);
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
  SecretBlob signBytes;
  SecretBlob cryptBytes;
  m_sign.ToBinary(signBytes);
  m_crypt.ToBinary(cryptBytes);
  CBinaryDataBuilder items;
  items.Reserve(CBinaryDataBuilder::ItemSize(signBytes.Size()) +
                CBinaryDataBuilder::ItemSize(cryptBytes.Size()));
  items.AddItem(signBytes);
  items.AddItem(cryptBytes);
  return items.ToBinary(out);
}

void CDoubleKeyPair::FromBinary(const Blob& in) {
  const BinaryItems items(in.View());
  CKeyPair sign;
  CKeyPair crypt;
  sign.FromItems(items.Item(0));
  crypt.FromItems(items.Item(1));
  SetPairs(sign, crypt);
}

}  // namespace tavrpki
