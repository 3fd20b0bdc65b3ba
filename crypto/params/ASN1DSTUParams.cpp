#include "crypto/params/ASN1DSTUParams.h"

#include "asn1/Der.h"
#include "core/Catalogue.h"

namespace tavrpki {
namespace {

constexpr std::uint8_t kSequence = 0x30;
constexpr std::uint8_t kOid = 0x06;

}  // namespace

void ASN1DSTUParams::Encode(Blob& out) const {
  ASN1Primitive sequence(kUniversal, true, 16);
  if (choice == kNamedCurve)
    sequence.AppendChild(namedCurve);
  else if (choice == kExplicitCurve)
    sequence.AppendChild(explicitCurve);
  else
    Raise(kMsgBadECBinaryEncode);
  if (!dke.IsEmpty()) sequence.AppendChild(dke);
  sequence.Encode(out);
}

void ASN1DSTUParams::Decode(ByteView in) {
  ASN1DSTUParams read;
  DerReader outer(in);
  if (outer.PeekIdentifier() != kSequence) Raise(kMsgBadECBinaryDecode);
  DerReader reader = outer.Enter();
  const std::uint8_t first = reader.PeekIdentifier();
  if (first == kSequence) {
    read.choice = kExplicitCurve;
    reader.Read(read.explicitCurve);
  } else if (first == kOid) {
    read.choice = kNamedCurve;
    reader.Read(read.namedCurve);
  } else {
    Raise(kMsgBadECBinaryDecode);
  }
  if (reader.HasMore()) reader.Read(read.dke);
  *this = std::move(read);
}

}  // namespace tavrpki
