#include "longmath/LongInt.h"

#include <cstddef>
#include <cstring>
#include <stdexcept>

#include "gostcrypto/Wipe.h"

namespace longmath {

LongInt::LongInt() noexcept : m_digits{}, m_bits(0) {
  static_assert(offsetof(LongInt, m_digits) == 0, "the digits start at the object's first byte");
}

LongInt::LongInt(std::uint16_t bits) : m_digits{}, m_bits(0) { changeLength(bits, false); }

LongInt::LongInt(const LongInt& other) noexcept : m_digits{}, m_bits(0) { CopyFrom(other); }

LongInt& LongInt::operator=(const LongInt& other) noexcept {
  CopyFrom(other);
  return *this;
}

LongInt::~LongInt() { tavrpki::SecureWipe(m_digits, sizeof m_digits); }

void LongInt::setZero() noexcept { tavrpki::SecureWipe(m_digits, sizeof m_digits); }

void LongInt::changeLength(std::uint16_t bits, bool keepValue) {
  if (bits > kCapacityBits) throw std::length_error("LongInt: longer than its capacity");
  m_bits = bits;
  if (keepValue) {
    ClearAboveLength();
  } else {
    setZero();
  }
}

void LongInt::SetFromBuffer(const std::uint8_t* bytes, std::size_t count) {
  if (count > kCapacityBytes) throw std::length_error("LongInt: longer than its capacity");
  if (count > 0) std::memcpy(m_digits, bytes, count);
  tavrpki::SecureWipe(m_digits + count, kCapacityBytes - count);
  if (8 * count > m_bits) m_bits = static_cast<std::uint16_t>(8 * count);
}

void LongInt::CopyFrom(const LongInt& other) noexcept {
  if (this == &other) return;
  std::memcpy(m_digits, other.m_digits, kCapacityBytes);
  m_bits = other.m_bits;
}

void LongInt::ClearAboveLength() noexcept {
  const std::size_t used = GetByteLength();
  tavrpki::SecureWipe(m_digits + used, kCapacityBytes - used);
}

}  // namespace longmath
