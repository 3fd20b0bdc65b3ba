// `ISignable`: a body whose bytes a signature covers. The certificate body and the
// request body implement it; signing and verification hash exactly these bytes.
#pragma once

#include "asn1/Blob.h"

namespace tavrpki {

class ISignable {
 public:
  virtual ~ISignable() = default;
  // Copies the body's DER as last read or last written into `out`; before either
  // (or after ClearSignedBytes) throws code 50036 "Буфер для підписання порожній".
  virtual void GetSignedBytes(Blob& out) const = 0;
  virtual void ClearSignedBytes() = 0;

 protected:
  ISignable() = default;
  ISignable(const ISignable&) = default;
  ISignable& operator=(const ISignable&) = default;
};

}  // namespace tavrpki
