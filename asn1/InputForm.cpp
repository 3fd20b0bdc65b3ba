#include "asn1/InputForm.h"

#include <string_view>

#include "asn1/Base64.h"
#include "asn1/Der.h"
#include "core/Exception.h"

namespace tavrpki {
namespace {

constexpr Message kMsgNoInput{kNoCode, "No data"};
constexpr Message kMsgPemWithoutEnd{kNoCode, "PEM block without an END line"};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool IsBase64Character(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/' ||
         c == '=';
}

// True when every byte is Base64 or blank and at least one whole quantum is there.
bool LooksLikeBase64(std::string_view text) {
  std::size_t significant = 0;
  for (const char c : text) {
    if (IsBase64Character(c))
      ++significant;
    else if (!IsBlank(c))
      return false;
  }
  return significant >= 4;
}

// True when `data` is exactly one element by its identifier and length octets.
bool IsOneElement(std::span<const std::uint8_t> data) {
  try {
    return der::ElementSize(data) == data.size();
  } catch (const ExceptionBase&) {
    return false;
  }
}

std::vector<std::uint8_t> ToVector(const Blob& blob) { return {blob.begin(), blob.end()}; }

}  // namespace

DerInput DecodeDerInput(std::span<const std::uint8_t> data) {
  if (data.empty()) Raise(kMsgNoInput);
  const std::string_view text(reinterpret_cast<const char*>(data.data()), data.size());
  DerInput result;
  const std::size_t begin = text.find("-----BEGIN");
  if (begin != std::string_view::npos) {
    const std::size_t body = text.find('\n', begin);
    const std::size_t end = text.find("-----END", begin);
    if (body == std::string_view::npos || end == std::string_view::npos || end < body) Raise(kMsgPemWithoutEnd);
    result.form = InputForm::kPem;
    result.der = ToVector(Base64Decode(text.substr(body + 1, end - body - 1)));
    if (result.der.empty()) Raise(kMsgNoInput);
    return result;
  }
  if (LooksLikeBase64(text)) {
    try {
      result.form = InputForm::kBase64;
      result.der = ToVector(Base64Decode(text));
      return result;
    } catch (const ExceptionBase&) {
      if (!IsOneElement(data)) throw;
    }
  }
  result.form = InputForm::kDer;
  result.der.assign(data.begin(), data.end());
  return result;
}

}  // namespace tavrpki
