// Parameter sets as key buffers bring them, loaded into the core's engine: whatever
// their numbers, every operation either works or fails with 40003 and the core's
// code, never with a crash or a foreign exception.
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>

#include "core/Exception.h"
#include "crypto/dstu/Dstu4145Ops.h"
#include "crypto/params/Dke.h"
#include "crypto/params/DstuParams.h"
#include "crypto/params/PointCompression.h"

namespace tavrpki {
namespace {

CAsymmetric4145Params Named257() {
  return NamedCurveParams("1.2.804.2.1.1.1.1.3.1.1.2.6", ByteView(params::kDke1));
}

TEST(CurveLoad, MalformedParameterSetsFailWithTheCoreCode) {
  const struct {
    const char* what;
    std::function<void(CAsymmetric4145Params&)> change;
    const char* code;  // as the message shows it
  } cases[] = {
      {"n longer than the core holds", [](auto& p) { p.n = CBitBlob(2000); }, "code=12"},
      {"B longer than the core holds", [](auto& p) { p.b = CBitBlob(1300); }, "code=12"},
      {"m beyond any value", [](auto& p) { p.m = 70000; }, "code=12"},
      {"m = 0", [](auto& p) { p.m = 0; }, "code=10"},
      {"exponent above m", [](auto& p) { p.k = 300; }, "code=10"},
      {"n = 0", [](auto& p) { p.n = CBitBlob(257); }, "code=10"},
  };
  const std::array<std::uint8_t, dstu::kHashSize> hash{};
  const std::array<std::uint8_t, 64> signature{1};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    CAsymmetric4145Params p = Named257();
    p.curveOid = String();
    c.change(p);
    const CKeyPair pair(CPrivateKey(), CPublicKey(CAsymmetricKey(p.p.GetX()), CAsymmetricKey(p.p.GetY())), p,
                        CKeyPair::kSigning);
    for (const auto& operation : std::initializer_list<std::function<void()>>{
             [&] { dstu::Verify(pair, hash, signature); }, [&] { CompressBasePoint(p); }}) {
      try {
        operation();
        ADD_FAILURE() << "accepted";
      } catch (const Exception& error) {
        EXPECT_EQ(error.GetErrorCode(), 40003u);
        EXPECT_NE(std::string(error.GetErrorMessage()).find(c.code), std::string::npos)
            << error.GetErrorMessage();
      }
    }
  }
}

}  // namespace
}  // namespace tavrpki
