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
    EXPECT_EQ(e.GetErrorCode(), 7ul);
    EXPECT_EQ(std::string(e.GetErrorMessage()), std::string(message, length));
  }
  EXPECT_STREQ(CKernelException(5, nullptr).GetErrorMessage(), "");
  CKernelException self(50031, "first");
  self = self;  // self-assignment keeps the object intact
  EXPECT_STREQ(self.GetErrorMessage(), "first");
}

using Caught = std::pair<unsigned long, std::string>;

// What the caller catches from a boundary, with or without an operation code of
// its own: the code and the words as UTF-8.
template <class Body>
Caught CatchAtBoundary(Body body, const tavrpki::Message* fallback = nullptr) {
  try {
    fallback != nullptr ? Boundary(*fallback, body) : Boundary(body);
  } catch (const CKernelException& e) {
    return {e.GetErrorCode(), tavrpki::MessageAsUtf8(e)};
  }
  return {0, "nothing was thrown"};
}

TEST(Boundary, InternalFailuresReachTheCallerWithTheirCodeAndWords) {
  using tavrpki::Utf8ForDisplay;
  EXPECT_EQ(CatchAtBoundary([] { Raise(tavrpki::kMsgBadCertificate); }),
            Caught(50031, Utf8ForDisplay(tavrpki::kMsgBadCertificate.format)));
  EXPECT_EQ(CatchAtBoundary([] { Raise(tavrpki::kMsgCryptoCore, 0x2Au); }),
            Caught(40003, "Низкорівнева криптографічна помилка (code=2a)!"));
  EXPECT_EQ(CatchAtBoundary([] { throw tavrpki::Exception("no code %d", 1); }), Caught(0xFFFFFFFF, "no code 1"));
  EXPECT_EQ(CatchAtBoundary([] { Boundary([] { throw CKernelException(100000, "inner"); }); }),
            Caught(100000, "inner"));

  // Standard exceptions pass as they are, unless the operation has a code of its own.
  EXPECT_THROW(Boundary([] { throw std::bad_alloc(); }), std::bad_alloc);
  EXPECT_THROW(Boundary([] { throw std::out_of_range("x"); }), std::out_of_range);
  EXPECT_EQ(Boundary([] { return 42; }), 42);
  const auto* fallback = &tavrpki::kMsgSignerInfoUnknownError;
  EXPECT_EQ(CatchAtBoundary([] { throw std::runtime_error("x"); }, fallback).first, 100045ul);
  EXPECT_EQ(CatchAtBoundary([] { throw 1; }, fallback), Caught(100045, Utf8ForDisplay(fallback->format)));
  EXPECT_EQ(CatchAtBoundary([] { Raise(tavrpki::kMsgBadSignerInfo); }, fallback).first, 50052ul);
  EXPECT_EQ(CatchAtBoundary([] { Kernel::RequireArgument(false); }, fallback).first, 100021ul);
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

TEST(MessageText, ACharacterlessByteDoesNotHideTheRest) {
  EXPECT_EQ(tavrpki::Utf8ForDisplay("\xCF\x98!"), "П?!");
  EXPECT_EQ(tavrpki::Utf8ForDisplay(""), "");
}

}  // namespace
