// `Blob`: the owned, growable byte buffer every byte sequence of the library lives in.
//
// A Blob converts implicitly to `ByteView` (a read-only span), so readers take
// views and never copy: `element.Decode(blob)` reads straight from the blob's bytes.
// Spans taken from a Blob live until the Blob is resized, grown or destroyed.
#pragma once

#include <cstdint>
#include <span>

#include "asn1/Serializable.h"

namespace tavrpki {

using ByteView = std::span<const std::uint8_t>;

class Blob : public Serializable {
 public:
  Blob() = default;
  // Copies `size` bytes from `data` (which may be null when size is 0).
  Blob(const void* data, std::uint32_t size);
  explicit Blob(ByteView bytes);
  Blob(const Blob& other);
  Blob(Blob&& other) noexcept;
  Blob& operator=(const Blob& other);
  Blob& operator=(Blob&& other) noexcept;
  ~Blob() override;

  // Uppercase hexadecimal of the bytes.
  void Serialize(String& out) const override;
  // From uppercase hexadecimal; throws the hex messages and leaves the Blob unchanged.
  void Deserialize(const String& in) override;
  // Becomes a copy of `other`.
  virtual void Assign(const Blob& other);
  // Adds `other`'s bytes at the end (`other` may be this Blob).
  virtual void Append(const Blob& other);
  virtual bool Equals(const Blob& other) const;
  // Pointer to the byte at `offset`; `offset` may equal Size() (one past the end),
  // beyond that throws kMsgBlobOutOfBuffer.
  virtual const std::uint8_t* At(std::uint32_t offset) const;
  std::uint8_t* At(std::uint32_t offset);

  void Assign(ByteView bytes);
  void Append(ByteView bytes);

  std::uint32_t Size() const { return m_size; }
  std::uint32_t Capacity() const { return m_capacity; }
  bool IsEmpty() const { return m_size == 0; }
  // Size 0; the storage is kept.
  void Clear() { m_size = 0; }
  // Size becomes n. Growing beyond the capacity replaces the storage: the old
  // contents are lost (the new bytes read as zero). Resize, Grow and Reserve
  // round capacities up to the next multiple of 255 above the request (growing
  // by at least half, so appends stay linear); Assign allocates the exact size.
  void Resize(std::uint32_t n);
  // Size becomes n, keeping the first min(old size, n) bytes.
  void Grow(std::uint32_t n);
  std::uint8_t* ResizeAndGet(std::uint32_t n);
  // Grow(offset + length), then copies `length` bytes from `src` (if not null) to `offset`.
  void WriteAt(const void* src, std::uint32_t length, std::uint32_t offset);
  // Makes room for n bytes without changing the size.
  void Reserve(std::uint32_t n);

  std::uint8_t* Data() { return m_data; }
  const std::uint8_t* Data() const { return m_data; }
  ByteView View() const { return {m_data, m_size}; }
  const std::uint8_t* begin() const { return m_data; }
  const std::uint8_t* end() const { return m_data + m_size; }

  friend bool operator==(const Blob& a, const Blob& b) { return a.Equals(b); }

 private:
  // Replaces the storage by one of at least n bytes, keeping the first `keep` bytes.
  void Reallocate(std::uint32_t n, std::uint32_t keep);

  std::uint8_t* m_data = nullptr;
  std::uint32_t m_size = 0;
  std::uint32_t m_capacity = 0;
};

}  // namespace tavrpki
