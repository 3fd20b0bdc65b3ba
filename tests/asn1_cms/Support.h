// Shared helpers of the signed-message structure tests.
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "asn1/Blob.h"
#include "asn1/Hex.h"
#include "asn1/cms/ASN1ContentInfo.h"
#include "asn1/cms/ASN1SignedData.h"
#include "support/VectorFile.h"

namespace tavrpki::test {

inline std::string Hex(ByteView bytes) { return HexEncode(bytes); }
inline std::string Hex(const Blob& blob) { return HexEncode(blob.View()); }
template <class T>
std::string EncodedHex(const T& element) {
  Blob out;
  element.Encode(out);
  return Hex(out);
}

// The SignedData inside the ContentInfo of `der`.
inline ASN1SignedData SignedDataOf(ByteView der) {
  ASN1ContentInfo info;
  info.Decode(der);
  Blob content;
  info.Content().Encode(content);
  ASN1SignedData signedData;
  signedData.Decode(content);
  return signedData;
}

inline std::string TypesOf(const std::vector<ASN1Attribute>& attributes) {
  std::ostringstream out;
  for (std::size_t i = 0; i < attributes.size(); ++i) out << (i != 0 ? " " : "") << attributes[i].TypeText().CStr();
  return out.str();
}

}  // namespace tavrpki::test
