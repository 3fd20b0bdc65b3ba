#include "plugins/filekeystore/Container.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "gostcrypto/ConstantTime.h"
#include "gostcrypto/Wipe.h"
#include "crypto/params/Dke.h"
#include "gostcrypto/HashEngine.h"
#include "gostcrypto/SCryptoEngine.h"
#include "plugins/filekeystore/Kdf.h"
#include "plugins/filekeystore/Messages.h"

namespace tavrpki::filekeystore {
namespace {

// Layout of the fixed header; all integers little-endian.
constexpr std::array<std::uint8_t, 8> kMagic{'T', 'A', 'V', 'R', 'K', 'E', 'Y', 0x1A};
constexpr std::uint16_t kVersion = 1;
constexpr std::size_t kVersionAt = 8;
constexpr std::size_t kFlagsAt = 10;
constexpr std::size_t kIterationsAt = 12;
constexpr std::size_t kSaltAt = 16;
constexpr std::size_t kIvAt = kSaltAt + kSaltSize;          // 48
constexpr std::size_t kVerifierAt = kIvAt + kIvSize;        // 56
constexpr std::size_t kDescriptionLengthAt = kVerifierAt + kHashSize;  // 88
constexpr std::size_t kPayloadLengthAt = kDescriptionLengthAt + 4;     // 92
constexpr std::size_t kHeaderSize = kPayloadLengthAt + 4;              // 96
constexpr std::size_t kTrailerSize = 2 * kHashSize;                    // MAC, checksum
constexpr std::size_t kBlock = 8;

// Labels that make the three subkeys independent of one another.
constexpr std::string_view kEncryptionLabel = "tavr-pki key container v1: encryption";
constexpr std::string_view kMacLabel = "tavr-pki key container v1: mac";
constexpr std::string_view kVerifierLabel = "tavr-pki key container v1: password verifier";

std::span<const std::uint8_t> Bytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

void PutU16(std::uint8_t* at, std::uint16_t value) {
  at[0] = static_cast<std::uint8_t>(value);
  at[1] = static_cast<std::uint8_t>(value >> 8);
}
void PutU32(std::uint8_t* at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}
std::uint16_t GetU16(const std::uint8_t* at) {
  return static_cast<std::uint16_t>(at[0] | (at[1] << 8));
}
std::uint32_t GetU32(const std::uint8_t* at) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | at[i];
  return value;
}

Digest PlainHash(std::span<const std::uint8_t> data) {
  gostcrypto::HashEngine engine(params::kDke1.data(), nullptr);
  engine.CalculateHash(data.data(), data.size());
  Digest out;
  engine.Done(out.data());
  return out;
}

// The three subkeys derived from one password and salt; wiped when they go.
struct Subkeys {
  Digest encryption{};
  Digest mac{};
  Digest verifier{};

  Subkeys(std::string_view password, std::span<const std::uint8_t> salt, std::uint32_t iterations) {
    Digest master{};
    WipeOnExit guard(master.data(), master.size());
    Pbkdf2(Bytes(password), salt, iterations, master);
    encryption = Hmac(master, Bytes(kEncryptionLabel));
    mac = Hmac(master, Bytes(kMacLabel));
    verifier = Hmac(master, Bytes(kVerifierLabel));
  }
  ~Subkeys() {
    SecureWipe(std::span(encryption));
    SecureWipe(std::span(mac));
    SecureWipe(std::span(verifier));
  }
  Subkeys(const Subkeys&) = delete;
  Subkeys& operator=(const Subkeys&) = delete;
};

// GOST 28147-89 gamming with feedback (CFB-64). A last partial block is handled
// as a zero-padded block cut back to its length, which is exactly truncated CFB.
void Cfb(const Digest& key, std::span<const std::uint8_t, kIvSize> iv, bool encrypt,
         std::span<const std::uint8_t> in, std::span<std::uint8_t> out) {
  std::array<std::uint8_t, kIvSize> vector;
  std::copy(iv.begin(), iv.end(), vector.begin());
  gostcrypto::SCryptoEngine engine(params::kDke1.data(), encrypt, gostcrypto::kGammingFeedback,
                                   key.data(), vector.data());
  const std::size_t whole = in.size() / kBlock;
  if (whole > 0) engine.makeTransform(in.data(), out.data(), whole);
  const std::size_t rest = in.size() % kBlock;
  if (rest != 0) {
    std::array<std::uint8_t, kBlock> block{};
    WipeOnExit guard(block.data(), block.size());
    std::copy_n(in.data() + whole * kBlock, rest, block.begin());
    engine.makeTransform(block.data(), block.data(), 1);
    std::copy_n(block.begin(), rest, out.data() + whole * kBlock);
  }
}

// The container's fields after the structural checks; views into the caller's bytes.
struct Parsed {
  std::uint32_t iterations;
  std::span<const std::uint8_t> salt;
  std::span<const std::uint8_t, kIvSize> iv;
  std::span<const std::uint8_t> verifier;
  std::span<const std::uint8_t> description;
  std::span<const std::uint8_t> ciphertext;
  std::span<const std::uint8_t> authenticated;  // everything the MAC covers
  std::span<const std::uint8_t> mac;
};

Parsed Parse(std::span<const std::uint8_t> c, const char* keyName) {
  // A file too short to hold the magic is damaged if what it holds is the start
  // of the magic (a truncated container), foreign otherwise.
  const std::size_t magicPresent = std::min(c.size(), kMagic.size());
  if (!std::equal(c.begin(), c.begin() + magicPresent, kMagic.begin()))
    Raise(kMsgNotAContainer, keyName);
  if (c.size() < kHeaderSize + kTrailerSize) Raise(kMsgContainerDamaged, keyName, Cp1251<"файл обрізано">);

  const std::uint64_t descriptionLength = GetU32(&c[kDescriptionLengthAt]);
  const std::uint64_t payloadLength = GetU32(&c[kPayloadLengthAt]);
  // 64-bit sums: two 32-bit lengths cannot overflow them.
  const std::uint64_t expected = kHeaderSize + descriptionLength + payloadLength + kTrailerSize;
  if (expected != c.size()) Raise(kMsgContainerDamaged, keyName, Cp1251<"довжини полів не відповідають розміру файла">);

  const std::size_t body = c.size() - kHashSize;
  const Digest checksum = PlainHash(c.first(body));
  if (!std::equal(checksum.begin(), checksum.end(), c.begin() + body))
    Raise(kMsgContainerDamaged, keyName, Cp1251<"контрольна сума не збігається">);

  const std::uint16_t version = GetU16(&c[kVersionAt]);
  if (version != kVersion) Raise(kMsgContainerVersion, static_cast<unsigned>(version), keyName);
  const std::uint32_t iterations = GetU32(&c[kIterationsAt]);
  if (GetU16(&c[kFlagsAt]) != 0 || iterations == 0 || iterations > kMaxIterations ||
      descriptionLength > kMaxDescription || payloadLength == 0 || payloadLength > kMaxPayload)
    Raise(kMsgContainerDamaged, keyName, Cp1251<"поля заголовка мають неприпустимі значення">);

  const std::size_t descriptionAt = kHeaderSize;
  const std::size_t payloadAt = descriptionAt + static_cast<std::size_t>(descriptionLength);
  const std::size_t macAt = payloadAt + static_cast<std::size_t>(payloadLength);
  return Parsed{iterations,
                c.subspan(kSaltAt, kSaltSize),
                c.subspan<kIvAt, kIvSize>(),
                c.subspan(kVerifierAt, kHashSize),
                c.subspan(descriptionAt, static_cast<std::size_t>(descriptionLength)),
                c.subspan(payloadAt, static_cast<std::size_t>(payloadLength)),
                c.first(macAt),
                c.subspan(macAt, kHashSize)};
}

}  // namespace

SecretBytes::SecretBytes(SecretBytes&& other) noexcept : m_bytes(std::move(other.m_bytes)) {
  other.m_bytes.clear();
}

SecretBytes& SecretBytes::operator=(SecretBytes&& other) noexcept {
  if (this != &other) {
    SecureWipe(m_bytes.data(), m_bytes.size());
    m_bytes = std::move(other.m_bytes);
    other.m_bytes.clear();
  }
  return *this;
}

SecretBytes::~SecretBytes() { SecureWipe(m_bytes.data(), m_bytes.size()); }

std::vector<std::uint8_t> SealContainer(std::span<const std::uint8_t> keys,
                                        std::string_view description, std::string_view password,
                                        const SealSettings& settings, const char* keyName) {
  if (keys.empty()) Raise(kMsgBadArgument, Cp1251<"ключові дані">);
  if (keys.size() > kMaxPayload || description.size() > kMaxDescription)
    Raise(kMsgKeyTooLarge, keyName);
  const std::uint32_t iterations = std::clamp<std::uint32_t>(settings.iterations, 1, kMaxIterations);
  const Subkeys subkeys(password, settings.salt, iterations);

  std::vector<std::uint8_t> c(kHeaderSize + description.size() + keys.size() + kTrailerSize);
  std::copy(kMagic.begin(), kMagic.end(), c.begin());
  PutU16(&c[kVersionAt], kVersion);
  PutU16(&c[kFlagsAt], 0);
  PutU32(&c[kIterationsAt], iterations);
  std::copy(settings.salt.begin(), settings.salt.end(), c.begin() + kSaltAt);
  std::copy(settings.iv.begin(), settings.iv.end(), c.begin() + kIvAt);
  std::copy(subkeys.verifier.begin(), subkeys.verifier.end(), c.begin() + kVerifierAt);
  PutU32(&c[kDescriptionLengthAt], static_cast<std::uint32_t>(description.size()));
  PutU32(&c[kPayloadLengthAt], static_cast<std::uint32_t>(keys.size()));
  std::copy(description.begin(), description.end(), c.begin() + kHeaderSize);

  const std::size_t payloadAt = kHeaderSize + description.size();
  Cfb(subkeys.encryption, settings.iv, true, keys, std::span(c).subspan(payloadAt, keys.size()));

  const std::size_t macAt = payloadAt + keys.size();
  const Digest mac = Hmac(subkeys.mac, std::span(c).first(macAt));
  std::copy(mac.begin(), mac.end(), c.begin() + macAt);
  const Digest checksum = PlainHash(std::span(c).first(macAt + kHashSize));
  std::copy(checksum.begin(), checksum.end(), c.begin() + macAt + kHashSize);
  return c;
}

SecretBytes OpenContainer(std::span<const std::uint8_t> container, std::string_view password,
                          const char* keyName) {
  const Parsed parsed = Parse(container, keyName);
  const Subkeys subkeys(password, parsed.salt, parsed.iterations);
  if (!ct::Equal(subkeys.verifier, parsed.verifier)) Raise(kMsgWrongPassword, keyName);
  const Digest mac = Hmac(subkeys.mac, parsed.authenticated);
  if (!ct::Equal(mac, parsed.mac)) Raise(kMsgContainerDamaged, keyName, Cp1251<"код автентичності не збігається">);

  SecretBytes keys(parsed.ciphertext.size());
  Cfb(subkeys.encryption, parsed.iv, false, parsed.ciphertext, keys.span());
  return keys;
}

std::size_t KeysSize(std::span<const std::uint8_t> container, const char* keyName) {
  return Parse(container, keyName).ciphertext.size();
}

std::string ReadDescription(std::span<const std::uint8_t> container, const char* keyName) {
  const Parsed parsed = Parse(container, keyName);
  return std::string(parsed.description.begin(), parsed.description.end());
}

}  // namespace tavrpki::filekeystore
