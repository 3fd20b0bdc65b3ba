// The DSTU 4145 engine on untrusted bytes: a compressed public key, a signature and
// a ciphertext piece, on the named curve chosen by the first byte. Decompression
// either refuses or gives a point that compresses back to the same bytes; nothing
// may crash or read outside its input.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "crypto/params/CurveEngine.h"
#include "crypto/params/NamedCurves.h"
#include "gostcrypto/CryptoEngine.h"

namespace {

using gostcrypto::CryptoEngine;
using gostcrypto::CryptoException;
using longmath::LongInt;
using tavrpki::params::NamedCurve;

LongInt Value(const std::uint8_t* data, std::size_t size, std::size_t bits) {
  return tavrpki::params::ToLongInt({data, size}, static_cast<std::uint32_t>(bits));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const auto curves = tavrpki::params::NamedCurves();
  const NamedCurve& c = curves[data[0] % curves.size()];
  ++data;
  --size;
  const std::size_t mb = c.ByteLength();
  if (size < mb) return 0;
  CryptoEngine engine;
  tavrpki::params::LoadCurve(engine, c);

  const LongInt compressed = Value(data, mb, c.m);
  data += mb;
  size -= mb;
  LongInt x, y;
  bool point = true;
  try {
    engine.DecompressPoint(compressed, x, y);
  } catch (const CryptoException&) {
    point = false;
  }
  if (point) {
    const LongInt again = engine.CompressPoint(x, y);
    if (std::memcmp(again.GetData(), compressed.GetData(), mb) != 0) std::abort();
    engine.CheckPublicKey(x, y);
    LongInt hash(256);
    const std::size_t sigSize = size < LongInt::kCapacityBytes ? size : LongInt::kCapacityBytes;
    engine.CheckSign(hash, Value(data, sigSize, 8 * sigSize), x, y);
  }
  // The rest as a ciphertext piece for a fixed private key.
  if (size > 0 && size <= LongInt::kCapacityBytes) {
    std::uint8_t one = 1;
    try {
      engine.Decrypt(Value(data, size, 8 * size), Value(&one, 1, 8));
    } catch (const CryptoException&) {
    }
  }
  return 0;
}
