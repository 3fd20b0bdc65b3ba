// Reading shapes the OCSP structures share. Internal to asn1/ocsp/.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>

#include "asn1/ASN1Integer.h"
#include "asn1/Der.h"
#include "asn1/x509/ASN1CertExtension.h"
#include "asn1/x509/Shapes.h"

namespace tavrpki::ocsp {

// An empty extension list written under [tagNumber] EXPLICIT.
inline ExtensionsCollection ExtensionsTagged(std::uint32_t tagNumber) {
  ExtensionsCollection list;
  list.SetTagNumber(tagNumber);
  return list;
}

//   [n] EXPLICIT Extensions, Extensions ::= SEQUENCE OF Extension
// `tagged` reads the content of [n]; anything after the SEQUENCE inside it is not
// read (not an error here).
inline void ReadExtensions(DerReader tagged, ExtensionsCollection& out, const Message& bad) {
  DerReader list = x509::Enter(tagged, 0x30, bad);
  while (list.HasMore()) {
    ASN1CertExtension extension;
    extension.Decode(list.Next());
    out.Append(extension);
  }
}

//   version [0] EXPLICIT Version DEFAULT v1, Version ::= INTEGER
// The version when the next element of `fields` is [0] (then read), else none.
// A value outside 0..INT32_MAX is `bad`; anything after the INTEGER inside [0]
// is not read.
inline std::optional<std::int32_t> ReadVersion(DerReader& fields, const Message& bad) {
  if (!x509::NextIs(fields, 0xA0)) return std::nullopt;
  DerReader tagged = x509::Enter(fields, 0xA0, bad);
  ASN1Integer version;
  tagged.Read(version);
  const std::int64_t value = version.GetValue();
  if (value < 0 || value > INT32_MAX) Raise(bad);
  return static_cast<std::int32_t>(value);
}

// Runs `body`; a failure that carries one of the codes in `keep` passes as it
// is, any other becomes `coded`. A structure reports its own code, while those
// of the structures it holds reach the caller unchanged.
template <typename Body>
void Coded(const Message& coded, std::initializer_list<std::uint32_t> keep, Body&& body) {
  try {
    body();
  } catch (const Exception& e) {
    for (const std::uint32_t code : keep)
      if (e.GetErrorCode() == code) throw;
    Raise(coded);
  }
}

}  // namespace tavrpki::ocsp
