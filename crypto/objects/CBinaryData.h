// The interface of every crypto object that crosses the exported boundary as bytes:
// it writes itself to one binary form and reads itself back from it.
#pragma once

#include "asn1/Blob.h"

namespace tavrpki {

class CBinaryData {
 public:
  virtual ~CBinaryData() = default;
  // Replaces `out` with the binary form and returns it.
  virtual Blob& ToBinary(Blob& out) const = 0;
  // Replaces the object from its binary form. A malformed form throws and leaves
  // the object unchanged.
  virtual void FromBinary(const Blob& in) = 0;

 protected:
  CBinaryData() = default;
  CBinaryData(const CBinaryData&) = default;
  CBinaryData& operator=(const CBinaryData&) = default;
};

}  // namespace tavrpki
