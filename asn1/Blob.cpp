#include "asn1/Blob.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "asn1/CodecMessages.h"
#include "asn1/Hex.h"
#include "asn1/String.h"

namespace tavrpki {
namespace {

// Capacities are multiples of 255, strictly above the request (255 -> 510, 10 -> 255).
std::uint32_t CapacityFor(std::uint64_t n) {
  const std::uint64_t capacity = n + 255 - n % 255;
  if (capacity > 0xFFFFFFFFu) throw std::bad_alloc();
  return static_cast<std::uint32_t>(capacity);
}

}  // namespace

Blob::Blob(const void* data, std::uint32_t size) {
  Resize(size);
  if (size != 0) std::memcpy(m_data, data, size);
}

Blob::Blob(ByteView bytes) {
  if (bytes.size() > 0xFFFFFFFFu) throw std::bad_alloc();
  Assign(bytes);
}

Blob::Blob(const Blob& other) : Serializable(other) { Assign(other.View()); }

Blob::Blob(Blob&& other) noexcept
    : m_data(std::exchange(other.m_data, nullptr)),
      m_size(std::exchange(other.m_size, 0)),
      m_capacity(std::exchange(other.m_capacity, 0)) {}

Blob& Blob::operator=(const Blob& other) {
  Assign(other);
  return *this;
}

Blob& Blob::operator=(Blob&& other) noexcept {
  if (this != &other) {
    delete[] m_data;
    m_data = std::exchange(other.m_data, nullptr);
    m_size = std::exchange(other.m_size, 0);
    m_capacity = std::exchange(other.m_capacity, 0);
  }
  return *this;
}

Blob::~Blob() { delete[] m_data; }

void Blob::Reallocate(std::uint32_t n, std::uint32_t keep) {
  const std::uint32_t capacity = CapacityFor(n);
  auto* data = new std::uint8_t[capacity];
  if (keep != 0) std::memcpy(data, m_data, keep);
  // Bytes past the kept ones read as zero until written, never as stale memory.
  std::memset(data + keep, 0, capacity - keep);
  delete[] m_data;
  m_data = data;
  m_capacity = capacity;
}

void Blob::Resize(std::uint32_t n) {
  if (n > m_capacity) Reallocate(n, 0);
  m_size = n;
}

void Blob::Grow(std::uint32_t n) {
  if (n > m_capacity) {
    // Growth by half of the current capacity at least keeps repeated appends
    // (a structure collecting 500,000 children) linear overall.
    std::uint64_t wanted = std::max<std::uint64_t>(n, m_capacity + m_capacity / 2);
    if (wanted > 0xFFFFFF00u) wanted = n;
    Reallocate(static_cast<std::uint32_t>(wanted), std::min(m_size, n));
  }
  m_size = n;
}

void Blob::Reserve(std::uint32_t n) {
  if (n > m_capacity) Reallocate(n, m_size);
}

std::uint8_t* Blob::ResizeAndGet(std::uint32_t n) {
  Resize(n);
  return m_data;
}

void Blob::WriteAt(const void* src, std::uint32_t length, std::uint32_t offset) {
  const std::uint64_t end = std::uint64_t{offset} + length;
  if (end > 0xFFFFFFFFu) throw std::bad_alloc();
  // `src` may point into this Blob; remember where before the storage moves.
  const auto* bytes = static_cast<const std::uint8_t*>(src);
  const bool inside = bytes != nullptr && m_data != nullptr && bytes >= m_data && bytes < m_data + m_capacity;
  const std::size_t inside_offset = inside ? static_cast<std::size_t>(bytes - m_data) : 0;
  Grow(static_cast<std::uint32_t>(end));
  if (bytes == nullptr || length == 0) return;
  if (inside) bytes = m_data + inside_offset;
  std::memmove(m_data + offset, bytes, length);
}

void Blob::Assign(const Blob& other) {
  if (this != &other) Assign(other.View());
}

void Blob::Assign(ByteView bytes) {
  if (bytes.size() > 0xFFFFFFFFu) throw std::bad_alloc();
  const auto n = static_cast<std::uint32_t>(bytes.size());
  if (n > m_capacity) {
    // Exactly n bytes: decoding copies each element's content in once, and a
    // revocation list holds millions of small elements; rounding each up to
    // 255 bytes would multiply its memory by ten.
    auto* data = new std::uint8_t[n];
    std::memcpy(data, bytes.data(), n);  // `bytes` may view the old storage
    delete[] m_data;
    m_data = data;
    m_capacity = n;
    m_size = n;
    return;
  }
  if (n != 0) std::memmove(m_data, bytes.data(), n);
  m_size = n;
}

void Blob::Append(const Blob& other) { Append(other.View()); }

void Blob::Append(ByteView bytes) {
  if (bytes.size() > 0xFFFFFFFFu) throw std::bad_alloc();
  WriteAt(bytes.data(), static_cast<std::uint32_t>(bytes.size()), m_size);
}

bool Blob::Equals(const Blob& other) const {
  return m_size == other.m_size && (m_size == 0 || std::memcmp(m_data, other.m_data, m_size) == 0);
}

const std::uint8_t* Blob::At(std::uint32_t offset) const {
  if (offset > m_size) Raise(kMsgBlobOutOfBuffer);
  return m_data + offset;
}

std::uint8_t* Blob::At(std::uint32_t offset) {
  if (offset > m_size) Raise(kMsgBlobOutOfBuffer);
  return m_data + offset;
}

void Blob::Serialize(String& out) const {
  Blob text;
  char* chars = reinterpret_cast<char*>(text.ResizeAndGet(2 * m_size + 1));
  HexEncode(View(), chars);
  chars[2 * m_size] = 0;
  out.Assign(text);
}

void Blob::Deserialize(const String& in) {
  const std::string_view text(in.CStr());
  if (text.size() % 2 != 0) Raise(kMsgHexBadSize);
  Blob bytes;
  bytes.Resize(static_cast<std::uint32_t>(text.size() / 2));
  HexDecode(text, {bytes.Data(), bytes.Size()});
  *this = std::move(bytes);
}

}  // namespace tavrpki
