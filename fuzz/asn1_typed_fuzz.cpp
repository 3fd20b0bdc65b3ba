// The typed primitives: the first byte picks INTEGER, OBJECT IDENTIFIER, OCTET
// STRING, BIT STRING or BOOLEAN (and an implicit context tag for the strings), the
// rest is decoded. What decodes must re-encode to the bytes read when they were
// DER, and its text forms must be stable.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "asn1/ASN1BitString.h"
#include "asn1/ASN1Bool.h"
#include "asn1/ASN1Integer.h"
#include "asn1/ASN1OID.h"
#include "asn1/ASN1OctetString.h"
#include "asn1/Der.h"
#include "core/Exception.h"

namespace {

using namespace tavrpki;

// DER: the shortest length form (so not 80 for zero, nor 81 05 for five).
bool IsDer(ByteView in) {
  const der::Header header = der::ReadHeader(in);
  std::uint8_t minimal[8];
  const std::size_t size = static_cast<std::size_t>(der::WriteLength(minimal, header.contentLength) - minimal);
  return size == header.lengthOctets.size() && std::memcmp(minimal, header.lengthOctets.data(), size) == 0;
}

void ExpectSameBytes(const ASN1Primitive& value, ByteView in) {
  if (!IsDer(in)) return;
  const ByteView element = in.first(der::ElementSize(in));
  Blob again;
  value.Encode(again);
  if (again.Size() != element.size() || std::memcmp(again.Data(), element.data(), element.size()) != 0)
    std::abort();
  if (value.EncodedSize() != element.size()) std::abort();
}

void Check(std::uint8_t selector, ByteView in) {
  switch (selector % 7) {
    case 0: {
      ASN1Integer integer;
      integer.Decode(in);
      ExpectSameBytes(integer, in);
      (void)integer.ToText();
      if (integer.Size() <= 8 && !integer.IsEmpty()) {
        ASN1Integer copy;
        copy.SetBytes(integer.View());
        if (integer.Compare(copy) != 0) std::abort();
      }
      break;
    }
    case 1: {
      ASN1OID oid;
      oid.Decode(in);
      ExpectSameBytes(oid, in);
      const String text = oid.ToText();
      if (!oid.IsEmpty()) {
        const std::uint32_t arcs = oid.ArcCount();
        for (std::uint32_t i = 0; i < arcs && i < 64; ++i) try {
            (void)oid.Arc(i);
          } catch (const Exception&) {
          }
      }
      // The text form is stable: read back, it renders the same.
      if (text.Length() != 0 && ASN1OID(text.CStr()).ToText().NotEquals(text)) std::abort();
      break;
    }
    case 2:
    case 3: {
      ASN1OctetString octets;
      if (selector % 7 == 3) octets.SetTagClass(2);
      octets.Decode(in);
      ExpectSameBytes(octets, in);
      break;
    }
    case 4:
    case 5: {
      ASN1BitString bits;
      if (selector % 7 == 5) bits.SetTagClass(2);
      bits.Decode(in);
      ExpectSameBytes(bits, in);
      if (bits.ToPrimitive().Size() != bits.Size() + 1) std::abort();
      break;
    }
    default: {
      ASN1Bool flag;
      flag.Decode(in);
      ExpectSameBytes(flag, in);
      (void)flag.GetValue();
      break;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  try {
    Check(data[0], ByteView(data + 1, size - 1));
  } catch (const Exception&) {
  }
  return 0;
}
