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

namespace {

using Kernel::Boundary;
using Kernel::CKernelException;
using tavrpki::CKernelUtils;
using tavrpki::Raise;

TEST(CKernelException, HoldsCodeAndAtMost4095Characters) {
  const std::string longText(5000, 'x');
  struct Case {
    const char* message;
    std::size_t expectedLength;
  };
  const Case kCases[] = {{nullptr, 0}, {"", 0}, {"abc", 3}, {longText.c_str(), 4095},
                         {longText.c_str() + 5000 - 4095, 4095}, {longText.c_str() + 5000 - 4094, 4094}};
  for (const auto& c : kCases) {
    const CKernelException e(7, c.message);
    const CKernelException copy(e);
    CKernelException assigned(1, longText.c_str());
    assigned = e;
    for (const CKernelException* x : {&e, &copy, static_cast<const CKernelException*>(&assigned)}) {
      EXPECT_EQ(x->GetErrorCode(), 7ul);
      EXPECT_EQ(std::string(x->GetErrorMessage()),
                c.message == nullptr ? std::string() : std::string(c.message, c.expectedLength));
    }
  }
  EXPECT_EQ(CKernelException(5).GetErrorCode(), 5ul);
  EXPECT_STREQ(CKernelException(5).GetErrorMessage(), "");
  CKernelException self(50031, "first");
  self = self;  // self-assignment keeps the object intact
  EXPECT_STREQ(self.GetErrorMessage(), "first");
}

// Runs `body` inside a boundary and returns what the caller would catch.
template <class Body>
CKernelException CaughtAtBoundary(Body body) {
  try {
    Boundary(body);
  } catch (const CKernelException& e) {
    return e;
  }
  ADD_FAILURE() << "nothing was thrown";
  return CKernelException(0);
}

TEST(Boundary, InternalFailuresReachTheCallerWithTheirCodeAndWords) {
  const auto coded = CaughtAtBoundary([] { Raise(tavrpki::kMsgBadCertificate); });
  EXPECT_EQ(coded.GetErrorCode(), 50031ul);
  EXPECT_STREQ(coded.GetErrorMessage(), tavrpki::kMsgBadCertificate.format);

  const auto formatted = CaughtAtBoundary([] { Raise(tavrpki::kMsgCryptoCore, 0x2Au); });
  EXPECT_EQ(formatted.GetErrorCode(), 40003ul);
  EXPECT_EQ(tavrpki::MessageAsUtf8(formatted), "Низкорівнева криптографічна помилка (code=2a)!");

  const auto uncoded = CaughtAtBoundary([] { throw tavrpki::Exception("no code %d", 1); });
  EXPECT_EQ(uncoded.GetErrorCode(), 0xFFFFFFFFul);
  EXPECT_STREQ(uncoded.GetErrorMessage(), "no code 1");

  const auto longOne = CaughtAtBoundary([] { throw tavrpki::Exception(9, "%s", std::string(5000, 'z').c_str()); });
  EXPECT_EQ(std::strlen(longOne.GetErrorMessage()), 4095u);

  const auto nested = CaughtAtBoundary([] {
    Boundary([] { throw CKernelException(100000, "inner"); });
  });
  EXPECT_EQ(nested.GetErrorCode(), 100000ul);
  EXPECT_STREQ(nested.GetErrorMessage(), "inner");
}

TEST(Boundary, StandardExceptionsPassAsTheyAre) {
  EXPECT_THROW(Boundary([] { throw std::bad_alloc(); }), std::bad_alloc);
  EXPECT_THROW(Boundary([] { throw std::out_of_range("x"); }), std::out_of_range);
  EXPECT_EQ(Boundary([] { return 42; }), 42);
}

TEST(Boundary, AnOperationWithACodeOfItsOwnMapsEverythingElseToIt) {
  const auto& fallback = tavrpki::kMsgSignerInfoUnknownError;
  auto caught = [&](auto body) -> CKernelException {
    try {
      Boundary(fallback, body);
    } catch (const CKernelException& e) {
      return e;
    }
    return CKernelException(0);
  };
  EXPECT_EQ(caught([] { throw std::runtime_error("x"); }).GetErrorCode(), 100045ul);
  EXPECT_EQ(caught([] { throw 1; }).GetErrorCode(), 100045ul);
  EXPECT_STREQ(caught([] { throw 1; }).GetErrorMessage(), fallback.format);
  EXPECT_EQ(caught([] { Raise(tavrpki::kMsgBadSignerInfo); }).GetErrorCode(), 50052ul);
  EXPECT_EQ(caught([] { throw CKernelException(100000); }).GetErrorCode(), 100000ul);
  EXPECT_EQ(caught([] { Kernel::RequireArgument(false); }).GetErrorCode(), 100021ul);
}

TEST(CopyResult, FollowsTheCallerBufferRule) {
  const unsigned char data[4] = {1, 2, 3, 4};
  struct Case {
    const char* what;
    const void* data;
    unsigned long dataLength;
    bool passBuffer;
    bool passLength;
    unsigned long callerLength;
    unsigned long expectedCode;  // 0: no exception
    unsigned long expectedLength;
    bool copied;
  };
  const Case kCases[] = {
      {"size query", data, 4, false, true, 0, 0, 4, false},
      {"exact buffer", data, 4, true, true, 4, 0, 4, true},
      {"larger buffer", data, 4, true, true, 9, 0, 4, true},
      {"one byte short", data, 4, true, true, 3, 100000, 4, false},
      {"empty buffer", data, 4, true, true, 0, 100000, 4, false},
      {"empty result", data, 0, true, true, 9, 100021, 9, false},
      {"null result", nullptr, 4, true, true, 9, 100021, 9, false},
      {"no length pointer", data, 4, true, false, 9, 100021, 9, false},
      {"empty result, size query", data, 0, false, true, 9, 100021, 9, false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    unsigned char out[9] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
    unsigned long length = c.callerLength;
    unsigned long code = 0;
    try {
      CKernelUtils::CopyResult(c.data, c.dataLength, c.passBuffer ? out : nullptr,
                               c.passLength ? &length : nullptr);
    } catch (const CKernelException& e) {
      code = e.GetErrorCode();
    }
    EXPECT_EQ(code, c.expectedCode);
    EXPECT_EQ(length, c.expectedLength);
    EXPECT_EQ(std::memcmp(out, data, 4) == 0, c.copied);
    if (!c.copied) {
      EXPECT_EQ(out[0], 0xEE);
    }
    EXPECT_EQ(out[4], 0xEE);  // never writes past the result
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
