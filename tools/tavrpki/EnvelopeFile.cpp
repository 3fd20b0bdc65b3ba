#include "EnvelopeFile.h"

#include <algorithm>
#include <array>
#include <exception>
#include <fstream>
#include <optional>
#include <thread>

#include "kernel/CKernelAllParams.h"
#include "kernel/CKernelCertificate.h"

#include "gostcrypto/ConstantTime.h"
#include "gostcrypto/HashEngine.h"
#include "gostcrypto/SCryptoEngine.h"
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
  // Update(data[i], size) on hmacs[i] for every i < count (at most kTogether),
  // side by side.
  static void UpdateTogether(Hmac* const hmacs[], const unsigned char* const data[], std::size_t count,
                             std::size_t size) {
    gostcrypto::HashEngine* inner[kTogether] = {};
    for (std::size_t i = 0; i < count; ++i) inner[i] = &hmacs[i]->m_inner;
    gostcrypto::HashEngine::CalculateHashes(inner, data, count, static_cast<unsigned long>(size));
  }
  // The hash kernel's width: this many tags cost about one.
  static constexpr std::size_t kTogether = 4;
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

// ---- Version 2 ----

constexpr std::size_t kSizesSize = kPrefixSize + 4;  // magic, version, N, R
constexpr std::size_t kKeysSize = 64;                // MAC key, data key

// One chunk in flight: its index, its bytes (plaintext or ciphertext, transformed
// in place) and its tag.
struct Chunk {
  std::uint64_t index = 0;
  bool final = false;
  std::size_t size = 0;
  unsigned char* bytes = nullptr;  // kChunk bytes of the ChunkSet's buffer
  std::array<unsigned char, kTagSize> tag{};
  bool tagMatches = true;
};

// Chunks in flight: two workers, each tagging a full kernel's width at once. The
// memory is 2 MiB whatever the size of the data.
constexpr std::size_t kInFlight = 2 * Hmac::kTogether;

std::uint64_t ChunkCount(std::uint64_t dataSize) { return dataSize == 0 ? 1 : (dataSize - 1) / kChunk + 1; }

// The chunks in flight for a file of `dataSize` bytes, over one buffer the thread
// keeps from one file to the next (fresh pages for every file cost more than the
// hashing of a 1 MiB file's tags); wiped when the file is done or fails. A second
// set on the same thread (a sink that writes another file) gets its own buffer.
class ChunkSet {
 public:
  explicit ChunkSet(std::uint64_t dataSize)
      : m_chunks(static_cast<std::size_t>(std::min<std::uint64_t>(kInFlight, ChunkCount(dataSize)))),
        m_used(static_cast<std::size_t>(std::min<std::uint64_t>(kInFlight * kChunk, dataSize))) {
    m_borrowed = !Busy();
    Bytes& memory = m_borrowed ? Kept() : m_own;
    if (memory.size() < m_used) memory.resize(m_used);
    if (m_borrowed) Busy() = true;
    for (std::size_t k = 0; k < m_chunks.size(); ++k) m_chunks[k].bytes = memory.data() + k * kChunk;
    m_memory = memory.data();
  }
  ~ChunkSet() {
    if (m_used != 0) SecureWipe(m_memory, m_used);
    if (m_borrowed) Busy() = false;
  }
  ChunkSet(const ChunkSet&) = delete;
  ChunkSet& operator=(const ChunkSet&) = delete;

  Chunk* Data() { return m_chunks.data(); }
  Chunk& operator[](std::size_t k) { return m_chunks[k]; }

 private:
  static Bytes& Kept() {
    thread_local Bytes memory;
    return memory;
  }
  static bool& Busy() {
    thread_local bool busy = false;
    return busy;
  }

  std::vector<Chunk> m_chunks;
  std::size_t m_used;
  Bytes m_own;
  bool m_borrowed = false;
  unsigned char* m_memory = nullptr;
};

// The keys of one file and what every chunk needs: the kernel and S-box of the
// data cipher, and the header tag the chunk tags are bound to.
struct ChunkKeys {
  Kernel::CKernel kernel;
  Kernel::CKernelAllParams params;  // the first recipient's: the S-box the envelope itself uses
  const unsigned char* macKey;
  const unsigned char* dataKey;
  std::array<unsigned char, kTagSize> headerTag{};
  std::array<unsigned char, 128> sbox{};  // the params' cipher S-box

  ChunkKeys(const Kernel::CKernel& k, const Kernel::CKernelAllParams& p, const unsigned char* mac,
            const unsigned char* data, const std::array<unsigned char, kTagSize>& tag)
      : kernel(k), params(p), macKey(mac), dataKey(data), headerTag(tag) {
    params.GetCryptSBox(sbox.data());
  }
};

// The tags of `count` chunks (at most Hmac::kTogether), computed side by side: all
// but the last chunk of a file have one size, and the tags' prefixes have one length.
void ChunkTags(const ChunkKeys& keys, const Chunk* chunks, std::size_t count,
               std::array<unsigned char, kTagSize> tags[]) {
  std::optional<Hmac> hmacs[Hmac::kTogether];
  Hmac* pointers[Hmac::kTogether] = {};
  const unsigned char* data[Hmac::kTogether] = {};
  std::size_t common = kChunk;
  for (std::size_t i = 0; i < count; ++i) {
    Hmac& hmac = hmacs[i].emplace(keys.macKey);
    hmac.Update(keys.headerTag.data(), keys.headerTag.size());
    unsigned char position[9];
    PutLe(position, chunks[i].index, 8);
    position[8] = chunks[i].final ? 1 : 0;
    hmac.Update(position, sizeof position);
    pointers[i] = &hmac;
    data[i] = chunks[i].bytes;
    common = std::min(common, chunks[i].size);
  }
  Hmac::UpdateTogether(pointers, data, count, common);
  for (std::size_t i = 0; i < count; ++i) {
    hmacs[i]->Update(data[i] + common, chunks[i].size - common);
    tags[i] = hmacs[i]->Final();
  }
}

// GOST 28147-89 (gamming with feedback) of the chunk in place, its index as the
// synchronisation value: the data key is fresh for every file, so no value repeats.
void CryptBytes(const ChunkKeys& keys, unsigned char* bytes, std::size_t size, unsigned char sync[8], bool encrypt) {
  if (size == 0) return;
  void* cipher = keys.kernel.CreateCryptObject(keys.dataKey, keys.params, sync, encrypt);
  try {
    keys.kernel.CryptSingleBlock(cipher, bytes, static_cast<unsigned long>(size), bytes);
  } catch (...) {
    keys.kernel.DestroyCrypt(cipher);
    throw;
  }
  keys.kernel.DestroyCrypt(cipher);
}

void DecryptChunk(const ChunkKeys& keys, Chunk& chunk) {
  unsigned char sync[8];
  PutLe(sync, chunk.index, 8);
  CryptBytes(keys, chunk.bytes, chunk.size, sync, false);
}

// Encryption chains block to block, so the chunks run side by side instead (a
// chained block costs the same for one chunk or sixteen): the whole blocks all of
// them have, then the rest of a shorter last chunk on its own, continuing from the
// last ciphertext block.
void EncryptChunks(const ChunkKeys& keys, Chunk* chunks, std::size_t count) {
  unsigned char feedback[kInFlight][8];
  unsigned char* data[kInFlight] = {};
  unsigned char* fed[kInFlight] = {};
  std::size_t common = kChunk;
  for (std::size_t i = 0; i < count; ++i) {
    PutLe(feedback[i], chunks[i].index, 8);
    data[i] = chunks[i].bytes;
    fed[i] = feedback[i];
    common = std::min(common, chunks[i].size / 8 * 8);
  }
  gostcrypto::SCryptoEngine::EncryptFeedbackTogether(keys.sbox.data(), keys.dataKey, data, fed, count,
                                                     static_cast<unsigned long>(common / 8));
  for (std::size_t i = 0; i < count; ++i)
    CryptBytes(keys, chunks[i].bytes + common, chunks[i].size - common, feedback[i], true);
}

// Runs `work(first, n)` on chunks[0, count) in groups of `group` (count <= 2 group):
// the second group on a thread of its own. Hands on any failure.
template <class Work>
void OnTwoWorkers(Chunk* chunks, std::size_t count, std::size_t group, Work&& work) {
  std::exception_ptr failures[2];
  const auto guarded = [&](std::size_t part) {
    try {
      work(chunks + part * group, std::min(group, count - part * group));
    } catch (...) {
      failures[part] = std::current_exception();
    }
  };
  std::thread helper;
  if (count > group) helper = std::thread(guarded, std::size_t{1});
  guarded(0);
  if (helper.joinable()) helper.join();
  for (const std::exception_ptr& failure : failures)
    if (failure) std::rethrow_exception(failure);
}

// Tagging fills the kernel's width before it starts the second worker: four tags
// on one worker cost half of two on each. Decryption of a chunk has no chain to
// wait for, so its work is split evenly.
template <class Work>
void TagOnWorkers(Chunk* chunks, std::size_t count, Work&& work) {
  OnTwoWorkers(chunks, count, Hmac::kTogether, work);
}
template <class Work>
void DecryptOnWorkers(Chunk* chunks, std::size_t count, Work&& work) {
  OnTwoWorkers(chunks, count, (count + 1) / 2, work);
}

// Reads chunk `index` of a file of `dataSize` bytes with `read(offset in the data, chunk)`.
template <class Read>
void LoadChunk(Chunk& chunk, std::uint64_t index, std::uint64_t count, std::uint64_t dataSize, Read&& read) {
  chunk.index = index;
  chunk.final = index + 1 == count;
  const std::uint64_t at = index * kChunk;
  chunk.size = static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, dataSize - at));
  read(at, chunk);
}

void EncryptVersion2(const Kernel::CKernel& kernel, Kernel::CKernelCryptEnvelope& envelope, Source& plain,
                     const Sink& out) {
  const std::uint64_t dataSize = plain.Size();
  envelope.CryptInit();
  SecretVector keys(kKeysSize);
  kernel.GenSymmetricKey(keys.data());
  kernel.GenSymmetricKey(keys.data() + 32);
  unsigned char sealedKeys[kKeysSize];
  envelope.CryptSingleBlock(keys.data(), kKeysSize, sealedKeys);
  envelope.CryptFinalize();
  unsigned long length = 0;
  envelope.GetEnvelopeData(nullptr, &length);
  Bytes records(length);
  envelope.GetEnvelopeData(records.data(), &length);
  records.resize(length);

  ChunkKeys chunkKeys(kernel, envelope.GetCryptCert(0).GetParams(), keys.data(), keys.data() + 32, {});
  Bytes header(kSizesSize);
  std::copy(kMagic, kMagic + sizeof kMagic, header.begin());
  PutLe(header.data() + 8, kVersion, 2);
  PutLe(header.data() + 10, dataSize, 8);
  PutLe(header.data() + 18, records.size(), 4);
  header.insert(header.end(), records.begin(), records.end());
  header.insert(header.end(), sealedKeys, sealedKeys + kKeysSize);
  Hmac hmac(keys.data());
  hmac.Update(header.data(), header.size());
  chunkKeys.headerTag = hmac.Final();
  out(header.data(), header.size());
  out(chunkKeys.headerTag.data(), kTagSize);

  const std::uint64_t count = ChunkCount(dataSize);
  ChunkSet chunks(dataSize);
  for (std::uint64_t index = 0; index < count; index += kInFlight) {
    const auto inFlight = static_cast<std::size_t>(std::min<std::uint64_t>(kInFlight, count - index));
    for (std::size_t k = 0; k < inFlight; ++k)
      LoadChunk(chunks[k], index + k, count, dataSize, [&](std::uint64_t at, Chunk& chunk) {
        if (chunk.size != 0) plain.Read(at, chunk.bytes, chunk.size);
      });
    EncryptChunks(chunkKeys, chunks.Data(), inFlight);
    TagOnWorkers(chunks.Data(), inFlight, [&](Chunk* group, std::size_t n) {
      std::array<unsigned char, kTagSize> tags[Hmac::kTogether];
      ChunkTags(chunkKeys, group, n, tags);
      for (std::size_t k = 0; k < n; ++k) group[k].tag = tags[k];
    });
    for (std::size_t k = 0; k < inFlight; ++k) {
      out(chunks[k].bytes, chunks[k].size);
      out(chunks[k].tag.data(), kTagSize);
    }
  }
}

void DecryptVersion2(Kernel::CKernelCryptEnvelope& envelope, Source& file, const Layout& layout, const Sink& out) {
  Bytes header(static_cast<std::size_t>(layout.tagOffset));
  file.Read(0, header.data(), header.size());
  SecretVector keys(kKeysSize);
  envelope.CryptSingleBlock(header.data() + header.size() - kKeysSize, kKeysSize, keys.data());
  envelope.CryptFinalize();
  std::array<unsigned char, kTagSize> tag;
  file.Read(layout.tagOffset, tag.data(), tag.size());
  {
    Hmac hmac(keys.data());
    hmac.Update(header.data(), header.size());
    if (!ct::Equal(hmac.Final(), tag)) throw FormatError{kChanged};
  }
  const Kernel::CKernelCertificate first = envelope.GetCryptCert(0);
  ChunkKeys chunkKeys(first.GetKernel(), first.GetParams(), keys.data(), keys.data() + 32, tag);

  const std::uint64_t count = ChunkCount(layout.dataSize);
  const std::uint64_t chunksOffset = layout.tagOffset + kTagSize;
  ChunkSet chunks(layout.dataSize);
  for (std::uint64_t index = 0; index < count; index += kInFlight) {
    const auto inFlight = static_cast<std::size_t>(std::min<std::uint64_t>(kInFlight, count - index));
    for (std::size_t k = 0; k < inFlight; ++k)
      LoadChunk(chunks[k], index + k, count, layout.dataSize, [&](std::uint64_t at, Chunk& chunk) {
        const std::uint64_t offset = chunksOffset + at + chunk.index * kTagSize;
        if (chunk.size != 0) file.Read(offset, chunk.bytes, chunk.size);
        file.Read(offset + chunk.size, chunk.tag.data(), kTagSize);
      });
    TagOnWorkers(chunks.Data(), inFlight, [&](Chunk* group, std::size_t n) {
      std::array<unsigned char, kTagSize> tags[Hmac::kTogether];
      ChunkTags(chunkKeys, group, n, tags);
      for (std::size_t k = 0; k < n; ++k) group[k].tagMatches = ct::Equal(tags[k], group[k].tag);
    });
    // Every chunk in flight checked before any is decrypted or handed out:
    // nothing unchecked leaves.
    for (std::size_t k = 0; k < inFlight; ++k)
      if (!chunks[k].tagMatches) throw FormatError{kChanged};
    DecryptOnWorkers(chunks.Data(), inFlight, [&](Chunk* group, std::size_t n) {
      for (std::size_t k = 0; k < n; ++k) DecryptChunk(chunkKeys, group[k]);
    });
    for (std::size_t k = 0; k < inFlight; ++k) out(chunks[k].bytes, chunks[k].size);
  }
}

// Version 2's sizes, after the magic and version: N, then R, then the chunks, which
// must end exactly at the end of the file.
Layout ReadLayoutVersion2(Source& file, const unsigned char* prefix) {
  const std::uint64_t size = file.Size();
  Layout layout;
  layout.version = 2;
  layout.dataSize = GetLe(prefix + 10, 8);
  const std::uint64_t fixed = kSizesSize + kKeysSize + kTagSize + kTagSize;  // one chunk tag at least
  if (size < fixed) throw FormatError{"not an envelope file: too short"};
  unsigned char recordsSize[4];
  file.Read(kPrefixSize, recordsSize, 4);
  layout.recordsSize = static_cast<std::uint32_t>(GetLe(recordsSize, 4));
  if (layout.recordsSize > kMaxRecordsSize || layout.recordsSize > size - fixed)
    throw FormatError{"the file is shorter than the sizes it states (truncated?)"};
  layout.recordsOffset = kSizesSize;
  layout.tagOffset = kSizesSize + layout.recordsSize + kKeysSize;
  // Every size is checked against what the file holds before it is added to anything.
  const std::uint64_t rest = size - fixed - layout.recordsSize;  // data and the tags after the first
  if (layout.dataSize > rest) throw FormatError{"the file is shorter than the data size it states (truncated?)"};
  const std::uint64_t tags = (ChunkCount(layout.dataSize) - 1) * kTagSize;
  if (tags > rest - layout.dataSize) throw FormatError{"the file is shorter than the data size it states (truncated?)"};
  if (tags != rest - layout.dataSize) throw FormatError{"the file is longer than the sizes it states"};
  return layout;
}

}  // namespace

Layout ReadLayout(Source& file) {
  const std::uint64_t size = file.Size();
  unsigned char prefix[kPrefixSize];
  if (size < kPrefixSize) throw FormatError{"not an envelope file: too short"};
  file.Read(0, prefix, kPrefixSize);
  if (!std::equal(prefix, prefix + sizeof kMagic, kMagic)) throw FormatError{"not an envelope file"};
  const auto version = static_cast<std::uint16_t>(GetLe(prefix + 8, 2));
  if (version == 2) return ReadLayoutVersion2(file, prefix);
  if (version != 1)
    throw FormatError{"envelope file version " + std::to_string(version) + " is not known (this tool reads 1 and 2)"};
  Layout layout;
  layout.version = 1;
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
  EncryptVersion2(kernel, envelope, plain, out);
}

void Decrypt(Kernel::CKernelCryptEnvelope& envelope, Source& file, const Layout& layout, const Sink& out) {
  if (layout.version == 2) return DecryptVersion2(envelope, file, layout, out);
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
