// The encrypted envelope below its exported class: the state machine, the
// recipients and their key blocks, the content key and the cipher.
//
// The data is encrypted with GOST 28147-89 (gamming with feedback, no
// synchronisation value) under a random 32-byte content key and the cipher S-box
// of the first recipient; the 160 bytes of key material (content key, then the
// S-box) are encrypted to each recipient's key-agreement key with DSTU 4145
// (asn1/cms/EnvelopeRecords.h for the records that carry them).
//
// States: 0 new, 1 cipher ready, 2 finalized. Every operation called out of its
// states fails with 100058 and changes nothing; so does every other failure,
// except that a failed SetRecords keeps the records read before the bad one.
// The content key, the key material and every decrypted block are wiped.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "asn1/Blob.h"
#include "asn1/x509/ASN1Certificate.h"
#include "crypto/dstu/Dstu4145Ops.h"
#include "crypto/objects/CKeyPair.h"
#include "gostcrypto/Wipe.h"

namespace tavrpki::pkix {

class CryptEnvelope {
 public:
  static constexpr int kNew = 0;
  static constexpr int kCipherReady = 1;
  static constexpr int kFinalized = 2;
  static constexpr std::size_t kContentKeySize = 32;
  static constexpr std::size_t kSBoxSize = 128;
  static constexpr std::size_t kKeyMaterialSize = kContentKeySize + kSBoxSize;

  // Reseeds the generator from the first recipient's random S-box and the S-box
  // of its signing parameters (128 bytes each; the second may be null).
  using Reseed = std::function<void(const unsigned char* randomSBox, const unsigned char* signSBox)>;

  CryptEnvelope();
  ~CryptEnvelope();
  CryptEnvelope(const CryptEnvelope&) = delete;
  CryptEnvelope& operator=(const CryptEnvelope&) = delete;

  int State() const { return m_state; }

  // State 0: appends a copy.
  void AddRecipient(const ASN1Certificate& cert);
  std::size_t RecipientCount() const { return m_recipients.size(); }
  // 100064 for an index past the last.
  const ASN1Certificate& Recipient(std::size_t index) const;

  // State 0 -> 1: 100059 without recipients; takes the S-boxes of the first
  // recipient (100005 / 100006 when it lacks root.1 / root.6), reseeds, draws the
  // content key and builds the encrypting cipher.
  void CryptInit(const Reseed& reseed, const dstu::RandomSource& random);
  // State 1: the next piece through the cipher; a length that is not a multiple
  // of 8 ends the message. `out` holds in.size() bytes.
  void Transform(ByteView in, std::uint8_t* out);
  // State 1: a whole message in one call under a cipher of its own (the content
  // key and the envelope's S-box), in the direction given.
  void EncryptDecrypt(ByteView in, std::uint8_t* out, bool encrypt) const;
  // Any state -> 2: the cipher, when there is one, is destroyed.
  void Finalize();

  // State 2: the records, one per recipient in order, each encrypting the key
  // material to the recipient's key-agreement key (100005 when it has none;
  // 100059 when no cipher was ever initialised). The envelope keeps the blocks,
  // so that a recipient can decrypt with this same object after it.
  Blob Records(const dstu::RandomSource& random);
  // State 0: replaces the recipients and blocks by those of `data` (100021 for
  // fewer than 10 bytes or a record that runs past the end; a certificate that
  // does not decode fails with its own code).
  void SetRecords(ByteView data);

  // State 0 or 2, with recipients and blocks (else 100059): the index of the
  // recipient whose certificate is `der` byte for byte, if any.
  std::optional<std::size_t> FindRecipient(ByteView der) const;
  // State 0 or 2 -> 1: decrypts the block of the first recipient whose
  // key-agreement key is that of `cryptPair` (usage 1; none: 100061) and builds
  // the decrypting cipher from its key material.
  void DecryptInit(const CKeyPair& cryptPair);
  // 100058 unless in state 0 or 2; 100059 without recipients or blocks.
  void RequireDecryptable() const;

 private:
  void RequireState(bool allowed) const;

  struct CipherDeleter {
    void operator()(void* cipher) const;
  };

  int m_state = kNew;
  std::vector<ASN1Certificate> m_recipients;
  std::vector<Blob> m_blocks;
  SecretVector m_contentKey;
  SecretVector m_sbox;
  std::unique_ptr<void, CipherDeleter> m_cipher;
};

}  // namespace tavrpki::pkix
