// The tool's envelope file: the library's envelope (key transport to every
// recipient, GOST 28147-89 under the content key) in one file with a check value
// over all of it. Layout and the reasons for it: docs/envelope-format.md.
//
//   0         8   magic "TAVRENV" 0x1A
//   8         2   version, 1 (little-endian, as every number here)
//   10        8   N, the size of the data
//   18        32  the MAC key, encrypted             } one GOST 28147-89 stream
//   50        N   the data, encrypted                }  under the content key
//   50+N      4   R, the size of the envelope records
//   54+N      R   the envelope records (CKernelCryptEnvelope::GetEnvelopeData)
//   54+N+R    32  HMAC-GOST34.311 under the MAC key of every byte before it
//
// Everything is streamed in pieces of kPiece bytes: memory stays the same for
// any size of data. Decryption checks the whole file before it hands out a byte
// of plaintext, and checks it again while it decrypts (the file might change in
// between), so a caller that discards its output on failure never keeps any
// plaintext of a changed file.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "kernel/CKernelCryptEnvelope.h"

namespace tavrpki::tool::envelope {

inline constexpr unsigned char kMagic[8] = {'T', 'A', 'V', 'R', 'E', 'N', 'V', 0x1A};
inline constexpr std::uint16_t kVersion = 1;
inline constexpr std::size_t kPrefixSize = 18;
inline constexpr std::size_t kMacKeySize = 32;
inline constexpr std::size_t kTagSize = 32;
// Records of a few hundred recipients fit many times over; anything larger is
// not an envelope this tool wrote.
inline constexpr std::uint32_t kMaxRecordsSize = 16u << 20;
inline constexpr std::size_t kPiece = 1u << 20;

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
  std::uint64_t dataSize = 0;       // N
  std::uint64_t recordsOffset = 0;  // 54 + N
  std::uint32_t recordsSize = 0;    // R
  std::uint64_t tagOffset = 0;      // 54 + N + R, the file is 32 bytes more
};

// Magic, version and the sizes, which must add up to the file's size exactly
// (FormatError naming what is wrong).
Layout ReadLayout(Source& file);
std::vector<unsigned char> ReadRecords(Source& file, const Layout& layout);

// Writes the envelope file of `plain` (its Size() bytes) for the recipients the
// envelope holds (state 0, at least one). `kernel` draws the MAC key and must
// have a seeded generator.
void Encrypt(const Kernel::CKernel& kernel, Kernel::CKernelCryptEnvelope& envelope, Source& plain,
             const Sink& out);

// Decrypts the data of `file` with an envelope that has read its records and
// been opened by DecryptInit. FormatError before any output when the check
// value does not match; FormatError after output when the file changed while it
// was read (the caller then discards the output).
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
