#include "crypto/params/ECBinary.h"

#include "asn1/Der.h"
#include "core/Catalogue.h"

namespace tavrpki {
namespace {

constexpr std::uint8_t kSequence = 0x30;
constexpr std::uint8_t kInteger = 0x02;
constexpr std::uint8_t kOctetString = 0x04;
constexpr std::uint8_t kNull = 0x05;
constexpr std::uint8_t kVersionTag = 0xA0;
// Degrees and exponents of a binary field: core numbers carry a 16-bit bit length,
// so nothing larger can ever describe a usable field (and it bounds allocations).
constexpr std::int64_t kMaxExponent = 0xFFFF;

ASN1Primitive Sequence() { return ASN1Primitive(ASN1Primitive::kUniversal, true, 16); }

std::int64_t ReadInteger(DerReader& reader) {
  ASN1Integer value;
  reader.Read(value);
  return value.GetValue();
}

std::uint32_t ReadExponent(DerReader& reader, std::int64_t minimum) {
  const std::int64_t value = ReadInteger(reader);
  if (value < minimum || value > kMaxExponent) Raise(kMsgBadECBinaryDecode);
  return static_cast<std::uint32_t>(value);
}

DerReader EnterSequence(DerReader& reader) {
  if (reader.PeekIdentifier() != kSequence) Raise(kMsgBadECBinaryDecode);
  return reader.Enter();
}

}  // namespace

std::uint32_t ECBinary::K() const {
  switch (polynomialType) {
    case kTrinomial: return trinomialK;
    case kPentanomial: return pentanomialK;
    default: return 0;
  }
}

void ECBinary::Encode(Blob& out) const {
  ASN1Primitive sequence = Sequence();
  if (version != 0) {
    ASN1Primitive tagged(kContextSpecific, true, 0);
    tagged.AppendChild(ASN1Integer(version));
    sequence.AppendChild(tagged);
  }
  if (polynomialType == kNotSet) Raise(kMsgPolynomialTypeNotSet);
  ASN1Primitive field = Sequence();
  field.AppendChild(ASN1Integer(m));
  if (polynomialType == kPentanomial) {
    ASN1Primitive pentanomial = Sequence();
    pentanomial.AppendChild(ASN1Integer(pentanomialK));
    pentanomial.AppendChild(ASN1Integer(j));
    pentanomial.AppendChild(ASN1Integer(l));
    field.AppendChild(pentanomial);
  } else if (polynomialType == kTrinomial) {
    field.AppendChild(ASN1Integer(trinomialK));
  }
  sequence.AppendChild(field);
  sequence.AppendChild(ASN1Integer(a));
  // Empty children are absent, as in every structure.
  if (!b.IsEmpty()) sequence.AppendChild(b);
  if (!n.IsEmpty()) sequence.AppendChild(n);
  if (bp.IsEmpty()) {
    const std::uint8_t null[2] = {kNull, 0};
    sequence.Blob::Append(ByteView(null));
  } else {
    sequence.AppendChild(bp);
  }
  sequence.Encode(out);
}

void ECBinary::Decode(ByteView in) {
  ECBinary read;
  DerReader outer(in);
  DerReader reader = EnterSequence(outer);

  if (reader.HasMore() && reader.PeekIdentifier() == kVersionTag) {
    DerReader tagged = reader.Enter();
    const std::int64_t version = ReadInteger(tagged);
    if (version < 0 || version > 0xFFFFFFFF) Raise(kMsgBadECBinaryDecode);
    read.version = static_cast<std::uint32_t>(version);
  }

  DerReader field = EnterSequence(reader);
  read.m = ReadExponent(field, 1);
  if (!field.HasMore()) {
    read.polynomialType = kNormalBasis;
  } else if (field.PeekIdentifier() == kInteger) {
    read.polynomialType = kTrinomial;
    read.trinomialK = ReadExponent(field, 0);
    read.pentanomialK = read.trinomialK;
  } else if (field.PeekIdentifier() == kSequence) {
    read.polynomialType = kPentanomial;
    DerReader pentanomial = field.Enter();
    read.pentanomialK = ReadExponent(pentanomial, 0);
    read.j = ReadExponent(pentanomial, 0);
    read.l = ReadExponent(pentanomial, 0);
  } else {
    Raise(kMsgBadECBinaryDecode);
  }

  const std::int64_t a = ReadInteger(reader);
  if (a < 0 || a > 1) Raise(kMsgBadECBinaryDecode);
  read.a = static_cast<std::uint8_t>(a);
  reader.Read(read.b);
  reader.Read(read.n);
  if (reader.HasMore()) {
    const std::uint8_t next = reader.PeekIdentifier();
    if (next == kOctetString)
      reader.Read(read.bp);
    else if (next != kNull)
      Raise(kMsgBadECBinaryDecode);
  }
  *this = std::move(read);
}

}  // namespace tavrpki
