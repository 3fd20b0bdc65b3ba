#include "gostcrypto/CryptoException.h"

namespace gostcrypto {

const char* CryptoException::what() const noexcept { return "gostcrypto::CryptoException"; }

}  // namespace gostcrypto
