// The interface of every ASN.1 value: it writes itself as DER and reads itself back.
#pragma once

#include "asn1/Blob.h"

namespace tavrpki {

class ASN1Any {
 public:
  virtual ~ASN1Any() = default;
  // Replaces `out` with this value's DER encoding.
  virtual void Encode(Blob& out) const = 0;
  // Reads one element from the start of `in`; bytes after it are ignored.
  // A Blob converts to ByteView, so `x.Decode(blob)` reads the blob in place.
  virtual void Decode(ByteView in) = 0;

 protected:
  ASN1Any() = default;
  ASN1Any(const ASN1Any&) = default;
  ASN1Any& operator=(const ASN1Any&) = default;
};

}  // namespace tavrpki
