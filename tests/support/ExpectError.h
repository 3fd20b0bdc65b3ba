// Runs a body that must fail with one catalogue entry: its code and its exact text.
#pragma once

#include <gtest/gtest.h>

#include <functional>

#include "core/Exception.h"

namespace tavrpki::test {

inline void ExpectError(const std::function<void()>& body, const Message& expected) {
  try {
    body();
    ADD_FAILURE() << "no exception, expected: " << expected.format;
  } catch (const Exception& error) {
    EXPECT_EQ(error.GetErrorCode(), expected.code);
    EXPECT_STREQ(error.GetErrorMessage(), expected.format);
  }
}

}  // namespace tavrpki::test
