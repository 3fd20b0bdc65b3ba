// The one exception type of the cryptographic core: an integer code.
// Code 2 means a random value was unusable (zero, or out of range for the curve);
// the caller draws another and tries again.
#pragma once

#include <exception>

namespace gostcrypto {

class CryptoException : public std::exception {
 public:
  static constexpr int kBadRandom = 2;

  explicit CryptoException(int code) noexcept : m_code(code) {}
  int GetCode() const noexcept { return m_code; }
  const char* what() const noexcept override;

 private:
  int m_code;
};

}  // namespace gostcrypto
