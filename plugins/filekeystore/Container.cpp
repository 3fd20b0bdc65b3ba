#include "Container.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>

#include "gostcrypto/ByteCursor.h"
#include "gostcrypto/ConstantTime.h"
#include "gostcrypto/DkeNo1.h"
#include "gostcrypto/HashEngine.h"
#include "gostcrypto/SCryptoEngine.h"
#include "gostcrypto/Wipe.h"
#include "Kdf.h"
#include "Messages.h"

namespace tavrpki::filekeystore {
namespace {

// The fixed header, in the order of the file; all integers little-endian.
constexpr std::array<std::uint8_t, 8> kMagic{'T', 'A', 'V', 'R', 'K', 'E', 'Y', 0x1A};
constexpr std::uint16_t kVersion = 1;
constexpr std::size_t kHeaderSize = 8 + 2 + 2 + 4 + kSaltSize + kIvSize + kHashSize + 4 + 4;  // 96
constexpr std::size_t kTrailerSize = 2 * kHashSize;                                           // MAC, checksum
constexpr std::size_t kBlock = 8;

// Labels that make the three subkeys independent of one another.
constexpr std::string_view kEncryptionLabel = "tavr-pki key container v1: encryption";
constexpr std::string_view kMacLabel = "tavr-pki key container v1: mac";
constexpr std::string_view kVerifierLabel = "tavr-pki key container v1: password verifier";

std::span<const std::uint8_t> Bytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

Digest PlainHash(std::span<const std::uint8_t> data) {
  gostcrypto::HashEngine engine(gostcrypto::kDkeNo1.data(), nullptr);
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

// CFB-64 decryption with the engine (its many-block kernel is the constant-time
// one on processors that have it). A last partial block is decrypted as a
// zero-padded block cut back to its length, which is exactly truncated CFB.
void CfbDecrypt(const Digest& key, std::span<const std::uint8_t, kIvSize> iv, std::span<const std::uint8_t> in,
                std::span<std::uint8_t> out) {
  gostcrypto::SCryptoEngine engine(gostcrypto::kDkeNo1.data(), false, gostcrypto::kGammingFeedback, key.data(),
                                   iv.data());
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

[[noreturn]] void Damaged(const char* keyName, const char* why) { Raise(kMsgContainerDamaged, keyName, why); }

// The value of a read the size checks have already made safe; a short read all
// the same is a damaged file, never a read past the input.
template <typename T>
T Present(std::optional<T> value, const char* keyName) {
  if (!value) Damaged(keyName, Cp1251<"файл обрізано">);
  return *value;
}

Parsed Parse(std::span<const std::uint8_t> c, const char* keyName) {
  // A file too short to hold the magic is damaged if what it holds is the start
  // of the magic (a truncated container), foreign otherwise.
  const std::size_t magicPresent = std::min(c.size(), kMagic.size());
  if (!std::equal(c.begin(), c.begin() + magicPresent, kMagic.begin())) Raise(kMsgNotAContainer, keyName);
  if (c.size() < kHeaderSize + kTrailerSize) Damaged(keyName, Cp1251<"файл обрізано">);

  ByteReader header(c);
  Present(header.Bytes(kMagic.size()), keyName);
  const std::uint16_t version = Present(header.U16(), keyName);
  const std::uint16_t flags = Present(header.U16(), keyName);
  const std::uint32_t iterations = Present(header.U32(), keyName);
  const auto salt = Present(header.Bytes(kSaltSize), keyName);
  const auto iv = Present(header.Bytes(kIvSize), keyName);
  const auto verifier = Present(header.Bytes(kHashSize), keyName);
  const std::uint32_t descriptionLength = Present(header.U32(), keyName);
  const std::uint32_t payloadLength = Present(header.U32(), keyName);

  // The lengths must account for the file exactly: every field is then taken
  // from inside it.
  ByteReader body(c.subspan(kHeaderSize));
  const auto description = body.Bytes(descriptionLength);
  const auto ciphertext = body.Bytes(payloadLength);
  const auto mac = body.Bytes(kHashSize);
  const auto checksum = body.Bytes(kHashSize);
  if (!description || !ciphertext || !mac || !checksum || !body.AtEnd())
    Damaged(keyName, Cp1251<"довжини полів не відповідають розміру файла">);

  const std::size_t checked = c.size() - kHashSize;
  const Digest expected = PlainHash(c.first(checked));
  if (!std::equal(expected.begin(), expected.end(), checksum->begin()))
    Damaged(keyName, Cp1251<"контрольна сума не збігається">);

  if (version != kVersion) Raise(kMsgContainerVersion, static_cast<unsigned>(version), keyName);
  if (iterations == 0 || iterations > kMaxIterations) {
    char why[160];
    std::snprintf(why, sizeof why, Cp1251<"кількість ітерацій %lu поза межами від 1 до %lu">,
                  static_cast<unsigned long>(iterations), static_cast<unsigned long>(kMaxIterations));
    Damaged(keyName, why);
  }
  if (flags != 0 || descriptionLength > kMaxDescription || payloadLength == 0 || payloadLength > kMaxPayload)
    Damaged(keyName, Cp1251<"поля заголовка мають неприпустимі значення">);

  return Parsed{iterations,
                salt,
                iv.first<kIvSize>(),
                verifier,
                *description,
                *ciphertext,
                c.first(checked - kHashSize),
                *mac};
}

}  // namespace

void SealingCfb(std::span<const std::uint8_t> key, std::span<const std::uint8_t, kIvSize> iv,
                std::span<const std::uint8_t> in, std::span<std::uint8_t> out) {
  // The engine's own CFB encryption chains one block after another through the
  // table-based rounds, whose memory accesses follow the key. A one-block CFB
  // decryption of zeros under the previous ciphertext block as its vector answers
  // the same gamma E(previous) through the kernel decryption uses. One engine per
  // block costs a key load each: nothing, for a container of a few hundred bytes.
  std::array<std::uint8_t, kBlock> previous;
  std::copy(iv.begin(), iv.end(), previous.begin());
  std::array<std::uint8_t, kBlock> gamma;
  WipeOnExit guard(gamma.data(), gamma.size());
  for (std::size_t at = 0; at < in.size(); at += kBlock) {
    gamma.fill(0);
    gostcrypto::SCryptoEngine engine(gostcrypto::kDkeNo1.data(), false, gostcrypto::kGammingFeedback, key.data(),
                                     previous.data());
    engine.makeTransform(gamma.data(), gamma.data(), 1);
    const std::size_t count = std::min(kBlock, in.size() - at);
    for (std::size_t i = 0; i < count; ++i) out[at + i] = static_cast<std::uint8_t>(in[at + i] ^ gamma[i]);
    std::copy_n(out.begin() + static_cast<std::ptrdiff_t>(at), count, previous.begin());
  }
}

std::vector<std::uint8_t> SealContainer(std::span<const std::uint8_t> keys, std::string_view description,
                                        std::string_view password, const SealSettings& settings,
                                        const char* keyName) {
  if (keys.empty()) Raise(kMsgBadArgument, Cp1251<"ключові дані">);
  if (keys.size() > kMaxPayload || description.size() > kMaxDescription) Raise(kMsgKeyTooLarge, keyName);
  const std::uint32_t iterations = std::clamp<std::uint32_t>(settings.iterations, 1, kMaxIterations);
  const Subkeys subkeys(password, settings.salt, iterations);

  std::vector<std::uint8_t> c(kHeaderSize + description.size() + keys.size() + kTrailerSize);
  ByteWriter out(c);
  out.Bytes(kMagic);
  out.U16(kVersion);
  out.U16(0);  // flags
  out.U32(iterations);
  out.Bytes(settings.salt);
  out.Bytes(settings.iv);
  out.Bytes(subkeys.verifier);
  out.U32(static_cast<std::uint32_t>(description.size()));
  out.U32(static_cast<std::uint32_t>(keys.size()));
  out.Bytes(Bytes(description));
  SealingCfb(subkeys.encryption, settings.iv, keys, out.Skip(keys.size()));
  const Digest mac = Hmac(subkeys.mac, std::span(c).first(out.Offset()));
  out.Bytes(mac);
  const Digest checksum = PlainHash(std::span(c).first(out.Offset()));
  out.Bytes(checksum);
  return c;
}

SecretVector OpenContainer(std::span<const std::uint8_t> container, std::string_view password,
                           const char* keyName) {
  const Parsed parsed = Parse(container, keyName);
  const Subkeys subkeys(password, parsed.salt, parsed.iterations);
  if (!ct::Equal(subkeys.verifier, parsed.verifier)) Raise(kMsgWrongPassword, keyName);
  const Digest mac = Hmac(subkeys.mac, parsed.authenticated);
  if (!ct::Equal(mac, parsed.mac)) Damaged(keyName, Cp1251<"код автентичності не збігається">);

  SecretVector keys(parsed.ciphertext.size());
  CfbDecrypt(subkeys.encryption, parsed.iv, parsed.ciphertext, keys);
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
