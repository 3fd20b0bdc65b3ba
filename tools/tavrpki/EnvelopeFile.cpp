#include "EnvelopeFile.h"

#include <algorithm>
#include <array>
#include <fstream>

#include "gostcrypto/ConstantTime.h"
#include "gostcrypto/HashEngine.h"
#include "gostcrypto/Wipe.h"

namespace tavrpki::tool::envelope {

namespace {

using Bytes = std::vector<unsigned char>;

// The hash works on its secret chaining value with the constant-time rounds
// throughout: the key is in it from the first block.
constexpr auto kHashInput = gostcrypto::HashEngine::Input::kSecret;

// HMAC (RFC 2104) over GOST 34.311-95 with the default S-box (DKE No. 1): the
// block of the hash is 32 bytes, the size of the key, so the key is used as it is.
class Hmac {
 public:
  explicit Hmac(const unsigned char* key) : m_inner(nullptr, nullptr, kHashInput) {
    std::array<unsigned char, 32> pad;
    WipeOnExit guard(pad.data(), pad.size());
    for (std::size_t i = 0; i < pad.size(); ++i) pad[i] = key[i] ^ 0x36;
    m_inner.CalculateHash(pad.data(), 32);
    for (std::size_t i = 0; i < pad.size(); ++i) m_outerPad[i] = key[i] ^ 0x5C;
  }
  ~Hmac() { SecureWipe(m_outerPad.data(), m_outerPad.size()); }
  Hmac(const Hmac&) = delete;
  Hmac& operator=(const Hmac&) = delete;

  void Update(const unsigned char* data, std::size_t size) {
    if (size != 0) m_inner.CalculateHash(data, static_cast<unsigned long>(size));
  }
  std::array<unsigned char, kTagSize> Final() {
    std::array<unsigned char, 32> innerValue;
    WipeOnExit guard(innerValue.data(), innerValue.size());
    m_inner.Done(innerValue.data());
    gostcrypto::HashEngine outer(nullptr, nullptr, kHashInput);
    outer.CalculateHash(m_outerPad.data(), 32);
    outer.CalculateHash(innerValue.data(), 32);
    std::array<unsigned char, kTagSize> tag;
    outer.Done(tag.data());
    return tag;
  }

 private:
  gostcrypto::HashEngine m_inner;
  std::array<unsigned char, 32> m_outerPad;
};

void PutLe(unsigned char* out, std::uint64_t value, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) out[i] = static_cast<unsigned char>(value >> (8 * i));
}

std::uint64_t GetLe(const unsigned char* in, std::size_t size) {
  std::uint64_t value = 0;
  for (std::size_t i = size; i-- > 0;) value = value << 8 | in[i];
  return value;
}

// Feeds [from, to) of `file` to `body` in pieces of at most kPiece bytes.
template <class Body>
void ForEachPiece(Source& file, std::uint64_t from, std::uint64_t to, Bytes& buffer, Body&& body) {
  for (std::uint64_t at = from; at < to;) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(kPiece, to - at));
    file.Read(at, buffer.data(), n);
    body(buffer.data(), n);
    at += n;
  }
}

constexpr const char* kChanged = "the file was changed or damaged: its check value does not match";

}  // namespace

Layout ReadLayout(Source& file) {
  const std::uint64_t size = file.Size();
  unsigned char prefix[kPrefixSize];
  if (size < kPrefixSize) throw FormatError{"not an envelope file: too short"};
  file.Read(0, prefix, kPrefixSize);
  if (!std::equal(prefix, prefix + sizeof kMagic, kMagic)) throw FormatError{"not an envelope file"};
  const auto version = static_cast<std::uint16_t>(GetLe(prefix + 8, 2));
  if (version != kVersion)
    throw FormatError{"envelope file version " + std::to_string(version) + " is not known (this tool reads 1)"};
  Layout layout;
  layout.dataSize = GetLe(prefix + 10, 8);
  // Every size is checked against what the file holds before it is added to anything.
  const std::uint64_t fixed = kPrefixSize + kMacKeySize + 4 + kTagSize;
  if (size < fixed || layout.dataSize > size - fixed)
    throw FormatError{"the file is shorter than the data size it states (truncated?)"};
  layout.recordsOffset = kPrefixSize + kMacKeySize + layout.dataSize + 4;
  unsigned char recordsSize[4];
  file.Read(layout.recordsOffset - 4, recordsSize, 4);
  layout.recordsSize = static_cast<std::uint32_t>(GetLe(recordsSize, 4));
  if (layout.recordsSize > kMaxRecordsSize || layout.recordsSize > size - fixed - layout.dataSize)
    throw FormatError{"the file is shorter than the sizes it states (truncated?)"};
  layout.tagOffset = layout.recordsOffset + layout.recordsSize;
  if (layout.tagOffset + kTagSize != size) throw FormatError{"the file is longer than the sizes it states"};
  return layout;
}

std::vector<unsigned char> ReadRecords(Source& file, const Layout& layout) {
  Bytes records(layout.recordsSize);
  if (!records.empty()) file.Read(layout.recordsOffset, records.data(), records.size());
  return records;
}

void Encrypt(const Kernel::CKernel& kernel, Kernel::CKernelCryptEnvelope& envelope, Source& plain, const Sink& out) {
  const std::uint64_t dataSize = plain.Size();
  envelope.CryptInit();
  SecretVector macKey(kMacKeySize);
  kernel.GenSymmetricKey(macKey.data());
  Hmac hmac(macKey.data());
  auto emit = [&](const unsigned char* data, std::size_t size) {
    hmac.Update(data, size);
    out(data, size);
  };

  unsigned char prefix[kPrefixSize];
  std::copy(kMagic, kMagic + sizeof kMagic, prefix);
  PutLe(prefix + 8, kVersion, 2);
  PutLe(prefix + 10, dataSize, 8);
  emit(prefix, sizeof prefix);

  // The MAC key and the data are one stream under the content key: the key's 32
  // bytes are whole blocks, so the data continues the same chain.
  unsigned char sealedKey[kMacKeySize];
  envelope.CryptSingleBlock(macKey.data(), kMacKeySize, sealedKey);
  emit(sealedKey, sizeof sealedKey);
  Bytes buffer(kPiece);
  ForEachPiece(plain, 0, dataSize, buffer, [&](unsigned char* piece, std::size_t n) {
    envelope.CryptSingleBlock(piece, static_cast<unsigned long>(n), piece);
    emit(piece, n);
  });
  SecureWipe(buffer.data(), buffer.size());
  envelope.CryptFinalize();

  unsigned long length = 0;
  envelope.GetEnvelopeData(nullptr, &length);
  Bytes records(length);
  envelope.GetEnvelopeData(records.data(), &length);
  records.resize(length);
  unsigned char recordsSize[4];
  PutLe(recordsSize, records.size(), 4);
  emit(recordsSize, 4);
  emit(records.data(), records.size());
  const auto tag = hmac.Final();
  out(tag.data(), tag.size());
}

void Decrypt(Kernel::CKernelCryptEnvelope& envelope, Source& file, const Layout& layout, const Sink& out) {
  SecretVector macKey(kMacKeySize);
  unsigned char sealedKey[kMacKeySize];
  file.Read(kPrefixSize, sealedKey, kMacKeySize);
  envelope.CryptSingleBlock(sealedKey, kMacKeySize, macKey.data());
  std::array<unsigned char, kTagSize> tag;
  file.Read(layout.tagOffset, tag.data(), tag.size());
  Bytes buffer(kPiece);

  // First pass: the check value of everything, before any plaintext exists.
  {
    Hmac hmac(macKey.data());
    ForEachPiece(file, 0, layout.tagOffset, buffer, [&](unsigned char* piece, std::size_t n) { hmac.Update(piece, n); });
    if (!ct::Equal(hmac.Final(), tag)) throw FormatError{kChanged};
  }
  // Second pass: decrypt, and check again what was read this time.
  Hmac hmac(macKey.data());
  const std::uint64_t dataStart = kPrefixSize + kMacKeySize;
  ForEachPiece(file, 0, dataStart, buffer, [&](unsigned char* piece, std::size_t n) { hmac.Update(piece, n); });
  ForEachPiece(file, dataStart, dataStart + layout.dataSize, buffer, [&](unsigned char* piece, std::size_t n) {
    hmac.Update(piece, n);
    envelope.CryptSingleBlock(piece, static_cast<unsigned long>(n), piece);
    out(piece, n);
  });
  SecureWipe(buffer.data(), buffer.size());
  ForEachPiece(file, dataStart + layout.dataSize, layout.tagOffset, buffer,
               [&](unsigned char* piece, std::size_t n) { hmac.Update(piece, n); });
  envelope.CryptFinalize();
  if (!ct::Equal(hmac.Final(), tag)) throw FormatError{"the file changed while it was decrypted"};
}

struct FileSource::Stream {
  std::ifstream in;
};

FileSource::FileSource(const std::string& path) : m_path(path), m_stream(std::make_shared<Stream>()) {
  m_stream->in.open(path, std::ios::binary);
  if (!m_stream->in) throw FormatError{"cannot read " + path};
  m_stream->in.seekg(0, std::ios::end);
  const std::streamoff end = m_stream->in.tellg();
  if (end < 0) throw FormatError{"cannot read " + path + ": not a regular file"};
  m_size = static_cast<std::uint64_t>(end);
}

void FileSource::Read(std::uint64_t offset, unsigned char* out, std::size_t size) {
  m_stream->in.clear();
  m_stream->in.seekg(static_cast<std::streamoff>(offset));
  m_stream->in.read(reinterpret_cast<char*>(out), static_cast<std::streamsize>(size));
  if (static_cast<std::size_t>(m_stream->in.gcount()) != size) throw FormatError{m_path + ": the file changed while it was read"};
}

void MemorySource::Read(std::uint64_t offset, unsigned char* out, std::size_t size) {
  if (offset > m_size || size > m_size - offset) throw FormatError{"read past the end"};
  std::copy(m_data + offset, m_data + offset + size, out);
}

}  // namespace tavrpki::tool::envelope
