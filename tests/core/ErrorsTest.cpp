// The exception the caller sees, the boundary that produces it, and the
// caller-buffer rule.
#include <gtest/gtest.h>

#include <cstring>
#include <new>
#include <stdexcept>
#include <string>

#include "core/CKernelUtils.h"
#include "core/Catalogue.h"
#include "core/MessageText.h"
#include "kernel/Boundary.h"
#include "kernel/CKernelException.h"
#include "support/CodeOf.h"
#include "support/VectorFile.h"

namespace {

using Kernel::Boundary;
using Kernel::CKernelException;
using tavrpki::CKernelUtils;
using tavrpki::Raise;
using tavrpki::test::CodeOf;

TEST(CKernelException, HoldsCodeAndAtMost4095Characters) {
  const std::string longText(5000, 'x');
  const std::pair<const char*, std::size_t> kCases[] = {{"", 0}, {"abc", 3}, {longText.c_str(), 4095},
                                                        {longText.c_str() + 5000 - 4094, 4094}};
  for (const auto& [message, length] : kCases) {
    const CKernelException e(7, message);
    CKernelException assigned(1, longText.c_str());
    assigned = e;
    for (const CKernelException& x : {e, CKernelException(e), assigned}) {
      EXPECT_EQ(x.GetErrorCode(), 7ul);
      EXPECT_EQ(std::string(x.GetErrorMessage()), std::string(message, length));
    }
  }
  EXPECT_STREQ(CKernelException(5, nullptr).GetErrorMessage(), "");
  CKernelException self(50031, "first");
  self = self;  // self-assignment keeps the object intact
  EXPECT_STREQ(self.GetErrorMessage(), "first");
}

// What the caller catches from a boundary, with or without an operation code of its own.
template <class Body>
CKernelException Caught(Body body, const tavrpki::Message* fallback = nullptr) {
  try {
    fallback != nullptr ? Boundary(*fallback, body) : Boundary(body);
  } catch (const CKernelException& e) {
    return e;
  }
  ADD_FAILURE() << "nothing was thrown";
  return CKernelException(0);
}

TEST(Boundary, InternalFailuresReachTheCallerWithTheirCodeAndWords) {
  const auto coded = Caught([] { Raise(tavrpki::kMsgBadCertificate); });
  EXPECT_EQ(coded.GetErrorCode(), 50031ul);
  EXPECT_STREQ(coded.GetErrorMessage(), tavrpki::kMsgBadCertificate.format);
  const auto formatted = Caught([] { Raise(tavrpki::kMsgCryptoCore, 0x2Au); });
  EXPECT_EQ(formatted.GetErrorCode(), 40003ul);
  EXPECT_EQ(tavrpki::MessageAsUtf8(formatted), "Низкорівнева криптографічна помилка (code=2a)!");
  const auto uncoded = Caught([] { throw tavrpki::Exception("no code %d", 1); });
  EXPECT_EQ(uncoded.GetErrorCode(), 0xFFFFFFFFul);
  EXPECT_STREQ(uncoded.GetErrorMessage(), "no code 1");
  const auto nested = Caught([] { Boundary([] { throw CKernelException(100000, "inner"); }); });
  EXPECT_EQ(nested.GetErrorCode(), 100000ul);
  EXPECT_STREQ(nested.GetErrorMessage(), "inner");

  // Standard exceptions pass as they are, unless the operation has a code of its own.
  EXPECT_THROW(Boundary([] { throw std::bad_alloc(); }), std::bad_alloc);
  EXPECT_THROW(Boundary([] { throw std::out_of_range("x"); }), std::out_of_range);
  EXPECT_EQ(Boundary([] { return 42; }), 42);
  const auto* fallback = &tavrpki::kMsgSignerInfoUnknownError;
  EXPECT_EQ(Caught([] { throw std::runtime_error("x"); }, fallback).GetErrorCode(), 100045ul);
  EXPECT_STREQ(Caught([] { throw 1; }, fallback).GetErrorMessage(), fallback->format);
  EXPECT_EQ(Caught([] { Raise(tavrpki::kMsgBadSignerInfo); }, fallback).GetErrorCode(), 50052ul);
  EXPECT_EQ(Caught([] { Kernel::RequireArgument(false); }, fallback).GetErrorCode(), 100021ul);
}

TEST(CopyResult, FollowsTheCallerBufferRule) {
  const unsigned char data[4] = {1, 2, 3, 4};
  for (const auto& v : tavrpki::test::ReadVectorFile("core-copy-result.vec")) {
    SCOPED_TRACE(v.Get("case"));
    unsigned char out[9] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
    unsigned long length = std::stoul(v.Get("caller_length"));
    const bool none = v.Get("result") == "null";
    const unsigned long code = CodeOf([&] {
      CKernelUtils::CopyResult(none ? nullptr : data, none ? 4 : std::stoul(v.Get("result")),
                               v.Get("buffer") == "yes" ? out : nullptr, v.Get("length") == "yes" ? &length : nullptr);
    });
    EXPECT_EQ(code, std::stoul(v.Get("code")));
    EXPECT_EQ(length, std::stoul(v.Get("length_after")));
    EXPECT_EQ(std::memcmp(out, data, 4) == 0, v.Get("copied") == "yes");
    EXPECT_TRUE(out[0] == 0xEE || v.Get("copied") == "yes");
    EXPECT_EQ(out[4], 0xEE);  // never writes past the result
    v.ExpectAllUsed();
  }
}

TEST(MessageText, RendersLibraryMessagesAsUtf8) {
  EXPECT_EQ(tavrpki::MessageAsUtf8(CKernelException(100021, tavrpki::kMsgInvalidParameter.format)),
            "Вказано не вірне значення параметру.");
  // A byte without a character does not hide the rest of the message.
  EXPECT_EQ(tavrpki::Utf8ForDisplay("\xCF\x98!"), "П?!");
  EXPECT_EQ(tavrpki::Utf8ForDisplay(""), "");
}

}  // namespace
