// A fixed-capacity unsigned number of up to kCapacityBytes bytes, the value type
// that carries numbers, field elements, hashes, random bytes, signatures and
// ciphertext pieces across the interface of the cryptographic core.
//
// Layout: the digits start at the object's first byte, least significant byte
// first; the bit length is an unsigned 16-bit value beside them. Bytes are read
// back in the order they were loaded. The length sizes the results the core
// hands out (a signature of L bits is ceil(L/8) bytes); the bytes past the first
// ceil(length/8) are kept zero by every member, so those bytes say everything.
//
// A LongInt may hold a private key; it wipes its digits when destroyed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace longmath {

class LongInt {
 public:
  static constexpr std::size_t kCapacityBytes = 160;  // >= 2 * ceil(576/8): the largest ciphertext piece
  static constexpr std::uint16_t kCapacityBits = kCapacityBytes * 8;

  LongInt() noexcept;
  // A zero value of `bits` bits; more than kCapacityBits throws std::length_error.
  explicit LongInt(std::uint16_t bits);
  LongInt(const LongInt& other) noexcept;
  LongInt& operator=(const LongInt& other) noexcept;
  ~LongInt();

  // Clears every digit; the length stays.
  void setZero() noexcept;
  // Sets the length to `bits`. keepValue = false clears the value; true keeps
  // the digits below the new length. More than kCapacityBits throws std::length_error.
  void changeLength(std::uint16_t bits, bool keepValue);
  // Loads `count` bytes, least significant first, and clears the digits above.
  // The length grows to 8 * count when the bytes do not fit in it, else stays.
  // More than kCapacityBytes throws std::length_error.
  void SetFromBuffer(const std::uint8_t* bytes, std::size_t count);
  void CopyFrom(const LongInt& other) noexcept;

  std::uint16_t GetBitLength() const noexcept { return m_bits; }
  std::size_t GetByteLength() const noexcept { return (m_bits + 7u) / 8u; }
  // The ceil(length/8) significant bytes, least significant first.
  std::span<const std::uint8_t> Bytes() const noexcept { return {m_digits, GetByteLength()}; }
  const std::uint8_t* GetData() const noexcept { return m_digits; }
  std::uint8_t* GetData() noexcept { return m_digits; }

 private:
  void ClearAboveLength() noexcept;

  std::uint8_t m_digits[kCapacityBytes];  // must stay the first member
  std::uint16_t m_bits;
};

}  // namespace longmath
