// Little-endian fields in byte strings: the one reader and the one writer of the
// project's binary formats (the item sequences of the binary object forms, the
// key container).
//
// The reader checks before it touches: a read that needs more bytes than remain
// answers nothing and leaves the cursor where it was, so a parser that stops at
// the first empty answer never reads past its input, whatever the lengths in that
// input say. What a short read means (damaged, truncated, foreign) is the
// caller's to say, in its own coded error.
//
// The writer fills a buffer its caller sized; running out of room there is a bug
// in the caller, not bad input, so it throws std::length_error and writes nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>

namespace tavrpki {

class ByteReader {
 public:
  explicit ByteReader(std::span<const std::uint8_t> in) noexcept : m_in(in) {}

  std::size_t Offset() const noexcept { return m_at; }
  std::size_t Remaining() const noexcept { return m_in.size() - m_at; }
  bool AtEnd() const noexcept { return m_at == m_in.size(); }

  // The next `count` bytes, or nothing when fewer remain.
  std::optional<std::span<const std::uint8_t>> Bytes(std::size_t count) noexcept {
    if (count > Remaining()) return std::nullopt;
    const auto taken = m_in.subspan(m_at, count);
    m_at += count;
    return taken;
  }
  std::optional<std::uint16_t> U16() noexcept { return Number<std::uint16_t>(); }
  std::optional<std::uint32_t> U32() noexcept { return Number<std::uint32_t>(); }

 private:
  template <typename T>
  std::optional<T> Number() noexcept {
    const auto bytes = Bytes(sizeof(T));
    if (!bytes) return std::nullopt;
    T value = 0;
    for (std::size_t i = sizeof(T); i-- > 0;) value = static_cast<T>((value << 8) | (*bytes)[i]);
    return value;
  }

  std::span<const std::uint8_t> m_in;
  std::size_t m_at = 0;
};

class ByteWriter {
 public:
  explicit ByteWriter(std::span<std::uint8_t> out) noexcept : m_out(out) {}

  std::size_t Offset() const noexcept { return m_at; }
  std::size_t Remaining() const noexcept { return m_out.size() - m_at; }

  void U16(std::uint16_t value) { Number(value); }
  void U32(std::uint32_t value) { Number(value); }
  void Bytes(std::span<const std::uint8_t> bytes) {
    const auto into = Skip(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) into[i] = bytes[i];
  }
  // The next `count` bytes, for the caller to fill in place (a cipher, a digest).
  std::span<std::uint8_t> Skip(std::size_t count) {
    if (count > Remaining()) throw std::length_error("ByteWriter: the buffer is full");
    const auto taken = m_out.subspan(m_at, count);
    m_at += count;
    return taken;
  }

 private:
  template <typename T>
  void Number(T value) {
    const auto into = Skip(sizeof(T));
    for (std::size_t i = 0; i < sizeof(T); ++i) into[i] = static_cast<std::uint8_t>(value >> (8 * i));
  }

  std::span<std::uint8_t> m_out;
  std::size_t m_at = 0;
};

}  // namespace tavrpki
