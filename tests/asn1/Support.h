// The codec's types and the helpers shared by its tests.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "asn1/ASN1AttrTypeValue.h"
#include "asn1/ASN1BitString.h"
#include "asn1/ASN1Bool.h"
#include "asn1/ASN1Integer.h"
#include "asn1/ASN1Name.h"
#include "asn1/ASN1OID.h"
#include "asn1/ASN1OctetString.h"
#include "asn1/ASN1UTCTime.h"
#include "asn1/ASN1Utf8String.h"
#include "asn1/Base64.h"
#include "asn1/Blob.h"
#include "asn1/DateTime.h"
#include "asn1/Der.h"
#include "asn1/Hex.h"
#include "asn1/String.h"
#include "core/Exception.h"
#include "platform/CodePage.h"
#include "support/VectorFile.h"

namespace tavrpki::test {

inline Blob B(const std::string& hex) { return Blob(ByteView(FromHex(hex))); }

// Uppercase hexadecimal, as the expected values in these tests are written.
inline std::string H(const Blob& blob) { return HexEncode(blob.View()); }

inline std::string Utf8(const char* cp1251) {
  std::string out;
  return platform::Cp1251ToUtf8(cp1251, out) == 0 ? out : "(not Windows-1251)";
}

// "YYYY-MM-DD hh:mm:ss", as the expected times in these tests are written.
inline std::string Show(const DateTime& t) {
  return String::Formatted("%04d-%02d-%02d %02d:%02d:%02d", t.Year(), t.Month(), t.Day(), t.Hour(), t.Minute(),
                           t.Second())
      .CStr();
}

template <typename T>
std::string EncodeHex(const T& value) {
  Blob out;
  value.Encode(out);
  return H(out);
}

// The message (as UTF-8) and code of the Exception `body` throws; fails the test if none.
struct Failure {
  std::string message;
  std::uint64_t code = 0;
};

template <typename Body>
Failure Catch(Body&& body) {
  try {
    body();
  } catch (const Exception& e) {
    return {Utf8(e.GetErrorMessage()), static_cast<std::uint64_t>(e.GetErrorCode())};
  }
  ADD_FAILURE() << "no exception";
  return {};
}

}  // namespace tavrpki::test
