// Names from the text people type: the table of tests/data/name_text, and that
// every name made reads back through the name type and starts a request.
#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "asn1/ASN1Name.h"
#include "asn1/NameFromText.h"
#include "asn1/NameText.h"
#include "asn1/pkcs10/ASN1CertRequest.h"
#include "asn1/pkcs10/RequestTemplate.h"
#include "core/ExceptionBase.h"
#include "core/MessageText.h"
#include "support/VectorFile.h"

namespace tavrpki::test {
namespace {

std::string Upper(const std::vector<std::uint8_t>& bytes) {
  std::string hex = ToHex(bytes);
  for (char& c : hex) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return hex;
}

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

TEST(NameFromText, Table) {
  for (const Vector& v : ReadVectorFile("name_text/names.vec")) {
    SCOPED_TRACE(v.Where());
    const std::string text = v.Get("text");
    if (v.Has("der")) {
      const std::vector<std::uint8_t> der = NameDerFromText(text);
      EXPECT_EQ(Upper(der), v.Get("der"));
      ASN1Name name;
      name.Decode(ByteView(der.data(), der.size()));  // what we write, the name type reads
      // A new request starts from it and carries it unchanged.
      ASN1CertRequest request;
      const std::vector<std::uint8_t> unsigned_ = UnsignedRequestDer(der);
      request.Decode(ByteView(unsigned_.data(), unsigned_.size()));
      EXPECT_TRUE(request.RequestInfo().Subject().Equals(name));
    } else {
      try {
        NameDerFromText(text);
        ADD_FAILURE() << "parsed";
      } catch (const ExceptionBase& e) {
        EXPECT_EQ(e.GetErrorCode(), 290000u);
        const std::string message = MessageAsUtf8(e);
        EXPECT_TRUE(EndsWith(message, v.Get("error"))) << message;
      }
    }
  }
}

TEST(NameFromText, RendersAsTheLibraryShowsNames) {
  const std::vector<std::uint8_t> der = NameDerFromText("C=UA,CN=Тест");
  EXPECT_EQ(NameTextUtf8(der), "CN = Тест; C = UA");
}

}  // namespace
}  // namespace tavrpki::test
