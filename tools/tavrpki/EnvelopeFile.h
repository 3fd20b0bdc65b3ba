// The tool's envelope file: the library's envelope (key transport to every
// recipient) in one file with check values over all of it. Layout and the reasons
// for it: docs/envelope-format.md. Version 2, written (numbers little-endian):
//
//   0         8   magic "TAVRENV" 0x1A
//   8         2   version, 2
//   10        8   N, the size of the data
//   18        4   R, the size of the envelope records
//   22        R   the envelope records (CKernelCryptEnvelope::GetEnvelopeData)
//   22+R      64  MAC key and data key, encrypted under the content key
//   86+R      32  header tag: HMAC-GOST34.311 under the MAC key of bytes 0 .. 86+R
//   118+R         the chunks: kChunk bytes of data each (the last shorter; one empty
//                 chunk for N = 0), each GOST 28147-89 under the data key with its
//                 index as synchronisation value, followed by its 32-byte tag over
//                 header tag, index, final flag and ciphertext
//
// Chunks stand alone, so the chunks in flight are tagged, encrypted and decrypted
// side by side (on two workers), and no chunk's plaintext is handed out before its
// tag matched: a caller that discards
// its output on failure keeps nothing of a changed file. Version 1 (one check
// value over the whole file, read in two passes) is still read.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "kernel/CKernelCryptEnvelope.h"

namespace tavrpki::tool::envelope {

inline constexpr unsigned char kMagic[8] = {'T', 'A', 'V', 'R', 'E', 'N', 'V', 0x1A};
inline constexpr std::uint16_t kVersion = 2;
inline constexpr std::size_t kPrefixSize = 18;  // magic, version, N
inline constexpr std::size_t kMacKeySize = 32;
inline constexpr std::size_t kTagSize = 32;
// Records of a few hundred recipients fit many times over; anything larger is
// not an envelope this tool wrote.
inline constexpr std::uint32_t kMaxRecordsSize = 16u << 20;
inline constexpr std::size_t kPiece = 1u << 20;  // version 1's streaming
// Version 2's chunk (fixed by the format): small enough that a 1 MiB file already
// fills the hash kernel's four messages and gives four chains to encrypt side by
// side, large enough that starting workers per batch and the 32-byte tags cost
// under 2 %.
inline constexpr std::size_t kChunk = 256u << 10;

// A file that is not an envelope file, or one that was changed.
struct FormatError {
  std::string text;
};

// Random access to the bytes of an envelope file.
class Source {
 public:
  virtual ~Source() = default;
  virtual std::uint64_t Size() const = 0;
  // Exactly `size` bytes at `offset`; a short read throws FormatError.
  virtual void Read(std::uint64_t offset, unsigned char* out, std::size_t size) = 0;
};

// Where output goes, piece by piece.
using Sink = std::function<void(const unsigned char* data, std::size_t size)>;

struct Layout {
  std::uint16_t version = kVersion;
  std::uint64_t dataSize = 0;       // N
  std::uint64_t recordsOffset = 0;  // version 1: 54 + N; 2: 22
  std::uint32_t recordsSize = 0;    // R
  std::uint64_t tagOffset = 0;      // version 1: 54 + N + R, the file is 32 bytes more; 2: the header tag, 86 + R
};

// Magic, version and the sizes, which must add up to the file's size exactly
// (FormatError naming what is wrong).
Layout ReadLayout(Source& file);
std::vector<unsigned char> ReadRecords(Source& file, const Layout& layout);

// Writes the envelope file of `plain` (its Size() bytes) for the recipients the
// envelope holds (state 0, at least one), in the current version. `kernel` draws
// the keys and must have a seeded generator.
void Encrypt(const Kernel::CKernel& kernel, Kernel::CKernelCryptEnvelope& envelope, Source& plain,
             const Sink& out);

// Decrypts the data of `file` with an envelope that has read its records and
// been opened by DecryptInit. FormatError before any output when the header (or,
// version 1, the whole file) fails its check; FormatError after output when a
// later chunk fails its tag (version 1: the file changed while it was read). The
// caller then discards the output.
void Decrypt(Kernel::CKernelCryptEnvelope& envelope, Source& file, const Layout& layout, const Sink& out);

// A file on disk (`path`), read with std::ifstream.
class FileSource : public Source {
 public:
  explicit FileSource(const std::string& path);
  std::uint64_t Size() const override { return m_size; }
  void Read(std::uint64_t offset, unsigned char* out, std::size_t size) override;

 private:
  struct Stream;
  std::string m_path;
  std::uint64_t m_size = 0;
  std::shared_ptr<Stream> m_stream;
};

// Bytes in memory (tests, fuzzing, benchmarks).
class MemorySource : public Source {
 public:
  explicit MemorySource(const unsigned char* data, std::size_t size) : m_data(data), m_size(size) {}
  std::uint64_t Size() const override { return m_size; }
  void Read(std::uint64_t offset, unsigned char* out, std::size_t size) override;

 private:
  const unsigned char* m_data;
  std::size_t m_size;
};

}  // namespace tavrpki::tool::envelope
