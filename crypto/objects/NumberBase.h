// A 32-bit signed number whose text form is the hexadecimal of its four bytes in
// memory order, least significant first: 5 is "05000000". Used for the lengths in
// the tag-value text form.
#pragma once

#include <cstdint>

#include "asn1/Serializable.h"

namespace tavrpki {

template <typename T>
class NumberBase;

template <>
class NumberBase<int> : public Serializable {
 public:
  NumberBase() = default;
  explicit NumberBase(int value) : m_value(value) {}

  int Get() const { return m_value; }
  void Set(int value) { m_value = value; }

  void Serialize(String& out) const override;
  // Exactly eight uppercase hexadecimal digits; anything else throws the hex
  // messages and leaves the value unchanged.
  void Deserialize(const String& in) override;

 private:
  int m_value = 0;
};

}  // namespace tavrpki
