// The one exception type of the cryptographic core: an integer code.
// Code 2 means a random value was unusable (zero, or out of range for the curve);
// the caller draws another and tries again. Code 0x14 refuses a substitution table
// whose rows are not permutations of 0-15: with such a table GOST 28147-89 loses
// its dependence on the key (an all-zero one ignores it completely).
#pragma once

#include <exception>

namespace gostcrypto {

class CryptoException : public std::exception {
 public:
  static constexpr int kBadRandom = 2;
  static constexpr int kBadSBox = 0x14;

  explicit CryptoException(int code) noexcept : m_code(code) {}
  int GetCode() const noexcept { return m_code; }
  const char* what() const noexcept override;

 private:
  int m_code;
};

}  // namespace gostcrypto
