#include "kernel/pkix/CryptEnvelope.h"

#include <algorithm>
#include <cstring>

#include "asn1/cms/EnvelopeRecords.h"
#include "core/Catalogue.h"
#include "core/Exception.h"
#include "crypto/symmetric/SymmetricOps.h"
#include "ext/PKICryptPublicKey.h"
#include "ext/PKIRndCryptDKE.h"
#include "kernel/pkix/PublicKeyInfo.h"
#include "kernel/pkix/SignedBody.h"

namespace tavrpki::pkix {

namespace {

// Reads the first extension with the handler's OID; `absent` when there is none
// (a malformed one fails with the value's own code).
void RequireExtension(const ASN1Certificate& cert, PKIEntityBase& handler, const Message& absent) {
  const String oid = handler.GetOID();
  const ASN1CertExtension* extension = cert.TBSCertificate().Extensions().Find(oid.CStr());
  if (extension == nullptr) Raise(absent);
  handler.FromExtension(*extension);
}

Blob PublicKeyBytes(const CKeyPair& pair) {
  Blob out;
  pair.GetPublicKey().ToBinary(out);
  return out;
}

using Cipher = std::unique_ptr<void, void (*)(void*)>;

Cipher MakeCipher(const SecretVector& key, const SecretVector& sbox, bool encrypt) {
  return Cipher(symmetric::CreateCipher(key.data(), sbox.data(), nullptr, encrypt), &symmetric::DestroyCipher);
}

}  // namespace

void CryptEnvelope::CipherDeleter::operator()(void* cipher) const { symmetric::DestroyCipher(cipher); }

CryptEnvelope::CryptEnvelope() = default;
CryptEnvelope::~CryptEnvelope() = default;

void CryptEnvelope::RequireState(bool allowed) const {
  if (!allowed) Raise(kMsgEnvelopeWrongState);
}

void CryptEnvelope::AddRecipient(const ASN1Certificate& cert) {
  RequireState(m_state == kNew);
  m_recipients.push_back(cert);
}

const ASN1Certificate& CryptEnvelope::Recipient(std::size_t index) const {
  if (index >= m_recipients.size()) Raise(kMsgEnvelopeIndexOutOfRange);
  return m_recipients[index];
}

void CryptEnvelope::CryptInit(const Reseed& reseed, const dstu::RandomSource& random) {
  RequireState(m_state == kNew);
  if (m_recipients.empty()) Raise(kMsgEnvelopeInitFailed);
  const ASN1Certificate& first = m_recipients.front();
  PKICryptPublicKey cryptKey;  // the certificate must be one data can be encrypted for
  RequireExtension(first, cryptKey, kMsgNoCryptPublicKeyExtension);
  PKIRndCryptDKE sboxes;
  RequireExtension(first, sboxes, kMsgNoSBoxExtension);
  const CAsymmetric4145Params signParams = KeyParams(first.TBSCertificate().PublicKeyInfo());
  reseed(sboxes.GetRandomSBox().data(), HashSBox(signParams));

  SecretVector key(kContentKeySize);
  random(key);
  SecretVector sbox(sboxes.GetCryptSBox().begin(), sboxes.GetCryptSBox().end());
  Cipher cipher = MakeCipher(key, sbox, true);
  // Nothing changes until everything above has succeeded.
  m_contentKey.swap(key);
  m_sbox.swap(sbox);
  m_cipher.reset(cipher.release());
  m_state = kCipherReady;
}

void CryptEnvelope::Transform(ByteView in, std::uint8_t* out) {
  RequireState(m_state == kCipherReady);
  symmetric::Transform(m_cipher.get(), in, out);
}

void CryptEnvelope::EncryptDecrypt(ByteView in, std::uint8_t* out, bool encrypt) const {
  RequireState(m_state == kCipherReady);
  const Cipher cipher = MakeCipher(m_contentKey, m_sbox, encrypt);
  symmetric::Transform(cipher.get(), in, out);
}

void CryptEnvelope::Finalize() {
  m_cipher.reset();
  m_state = kFinalized;
}

Blob CryptEnvelope::Records(const dstu::RandomSource& random) {
  RequireState(m_state == kFinalized);
  // An envelope that was finalized without CryptInit has no key to hand out.
  if (m_contentKey.size() != kContentKeySize || m_sbox.size() != kSBoxSize) Raise(kMsgEnvelopeInitFailed);
  SecretVector material(m_contentKey);
  material.insert(material.end(), m_sbox.begin(), m_sbox.end());
  Blob out;
  std::vector<Blob> blocks;
  for (const ASN1Certificate& recipient : m_recipients) {
    PKICryptPublicKey cryptKey;
    RequireExtension(recipient, cryptKey, kMsgNoCryptPublicKeyExtension);
    const Blob block = dstu::Encrypt(cryptKey.GetKeyPair(), ByteView(material.data(), material.size()), random);
    Blob der;
    recipient.Encode(der);
    AppendEnvelopeRecord(out, block.View(), der.View());
    blocks.push_back(block);
  }
  m_blocks.swap(blocks);
  return out;
}

void CryptEnvelope::SetRecords(ByteView data) {
  RequireState(m_state == kNew);
  if (data.size() < kEnvelopeRecordHeaderSize) Raise(kMsgInvalidParameter);
  m_recipients.clear();
  m_blocks.clear();
  EnvelopeRecordReader reader(data);
  while (!reader.AtEnd()) {
    const EnvelopeRecordView record = reader.Next();
    ASN1Certificate cert;
    cert.Decode(record.certificate);
    m_recipients.push_back(std::move(cert));
    m_blocks.emplace_back(record.block);
  }
}

void CryptEnvelope::RequireDecryptable() const {
  RequireState(m_state == kNew || m_state == kFinalized);
  if (m_recipients.empty() || m_blocks.empty()) Raise(kMsgEnvelopeInitFailed);
}

std::optional<std::size_t> CryptEnvelope::FindRecipient(ByteView der) const {
  RequireDecryptable();
  for (std::size_t i = 0; i < m_recipients.size(); ++i) {
    Blob mine;
    m_recipients[i].Encode(mine);
    if (mine.Size() == der.size() && std::equal(der.begin(), der.end(), mine.Data())) return i;
  }
  return std::nullopt;
}

void CryptEnvelope::DecryptInit(const CKeyPair& cryptPair) {
  RequireDecryptable();
  const Blob wanted = PublicKeyBytes(cryptPair);
  // Blocks and recipients come in pairs (SetRecords, Records); a recipient
  // added after the blocks were made has none and cannot match.
  const std::size_t candidates = std::min(m_recipients.size(), m_blocks.size());
  std::optional<std::size_t> found;
  for (std::size_t i = 0; i < candidates && !found; ++i) {
    const ASN1CertExtension* extension =
        m_recipients[i].TBSCertificate().Extensions().Find(PKICryptPublicKey().GetOID().CStr());
    if (extension == nullptr) continue;  // a certificate without a key-agreement key matches nothing
    PKICryptPublicKey cryptKey;
    cryptKey.FromExtension(*extension);
    if (PublicKeyBytes(cryptKey.GetKeyPair()).Equals(wanted)) found = i;
  }
  if (!found) Raise(kMsgEnvelopeNoKeyForCertificate);

  Blob plain = dstu::Decrypt(cryptPair, m_blocks[*found].View());
  WipeOnExit guard(plain.Data(), plain.Size());
  if (plain.Size() < kKeyMaterialSize) Raise(kMsgEnvelopeInitFailed);
  SecretVector key(plain.Data(), plain.Data() + kContentKeySize);
  SecretVector sbox(plain.Data() + kContentKeySize, plain.Data() + kKeyMaterialSize);
  Cipher cipher = MakeCipher(key, sbox, false);  // 40014 for a block whose S-box is no table
  m_contentKey.swap(key);
  m_sbox.swap(sbox);
  m_cipher.reset(cipher.release());
  m_state = kCipherReady;
}

}  // namespace tavrpki::pkix
