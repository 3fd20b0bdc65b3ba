// The exported parameter classes: their buffers, getters and setters through the
// caller-buffer rule, argument checks and refused buffers that change nothing.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "crypto/objects/CAsymmetric4145Params.h"
#include "crypto/params/Dke.h"
#include "crypto/params/DstuParams.h"
#include "kernel/CKernelAllParams.h"
#include "kernel/CKernelException.h"
#include "support/VectorFile.h"

namespace {

using Kernel::CKernelAllParams;
using Kernel::CKernelAsymmetricParams;
using Kernel::CKernelException;
using tavrpki::test::ReadVectorFile;
using tavrpki::test::ToHex;

using Bytes = std::vector<unsigned char>;

Bytes Vector(const std::string& section, const std::string& key, const std::string& oid = "") {
  for (const auto& v : ReadVectorFile("objects/binary-forms.vec")) {
    for (const auto& [k, value] : v.fields) v.Skip(k);
    if (v.section == section && (oid.empty() || v.Get("oid") == oid)) return v.Bytes(key);
  }
  ADD_FAILURE() << "no vector " << section;
  return {};
}

void ExpectCode(const std::function<void()>& body, unsigned long code) {
  try {
    body();
    ADD_FAILURE() << "no exception, expected code " << code;
  } catch (const CKernelException& error) {
    EXPECT_EQ(error.GetErrorCode(), code);
  }
}

// Reads a value through the caller-buffer rule: size query, then the bytes.
template <typename Object, typename Char, typename... Extra>
Bytes Read(const Object& object, void (Object::*get)(Char*, unsigned long*, Extra...) const, Extra... extra) {
  unsigned long length = 0;
  (object.*get)(nullptr, &length, extra...);
  Bytes out(length);
  (object.*get)(reinterpret_cast<Char*>(out.data()), &length, extra...);
  EXPECT_EQ(length, out.size());
  return out;
}

using Params = CKernelAsymmetricParams;

constexpr const char* k257 = "1.2.804.2.1.1.1.1.3.1.1.2.6";

class KernelParams : public ::testing::Test {
 protected:
  Kernel::CKernel m_kernel;
};

TEST_F(KernelParams, BufferRoundTripAndGetters) {
  const Bytes buffer = Vector("AsymmetricParams", "binary", k257);
  CKernelAsymmetricParams params(m_kernel);
  params.InitFromBuffer(buffer.data(), static_cast<unsigned long>(buffer.size()));
  EXPECT_EQ(Read(params, &Params::GetParamsBuffer), buffer);

  EXPECT_EQ(params.GetAsymmetric_CurrentLength(), 257u);
  EXPECT_EQ(params.GetAsymmetric_k(), 12u);
  EXPECT_EQ(params.GetAsymmetric_j() + params.GetAsymmetric_l() + params.GetAsymmetric_Curve_A(), 0u);
  unsigned long bits = 0;
  const Bytes b = Read(params, &Params::GetAsymmetric_Curve_B, &bits);
  EXPECT_EQ(bits, 257u);
  EXPECT_EQ(ToHex(b), "10bee3db6aea9e1f86578c45c12594ff942394a7d738f9187e6515017294f4ce01");
  const Bytes x = Read(params, &Params::GetAsymmetric_BasePointX, &bits);
  EXPECT_EQ(x.size(), 33u);
  EXPECT_EQ(x[0], 0xB7);

  unsigned char dke[128];
  params.GetAsymmetric_dke(dke);
  EXPECT_TRUE(std::equal(dke, dke + 128, tavrpki::params::kDke1.begin()));
  // The buffer carries no OID: the text is empty (just the NUL).
  EXPECT_EQ(Read(params, &Params::GetAsymmetric_CurveOID), Bytes{0});

  // A short buffer gets the length and 100000; nothing is written.
  unsigned long small = 10;
  Bytes target(10, 0xEE);
  ExpectCode([&] { params.GetParamsBuffer(target.data(), &small); }, 100000);
  EXPECT_EQ(small, buffer.size());
  EXPECT_EQ(target, Bytes(10, 0xEE));
}

TEST_F(KernelParams, SettersAndArgumentChecks) {
  CKernelAsymmetricParams params(m_kernel);
  const unsigned char value[2] = {0xA5, 0x01};
  params.SetAsymmetric_Curve_n(value, 2, 9);
  params.SetAsymmetric_BasePointY(value, 1, 16);  // the missing high byte is zero
  params.SetAsymmetric_CurveOID(k257);
  params.SetAsymmetric_Curve_A(1);
  unsigned long bits = 0;
  EXPECT_EQ(Read(params, &Params::GetAsymmetric_Curve_n, &bits), (Bytes{0xA5, 0x01}));
  EXPECT_EQ(bits, 9u);
  EXPECT_EQ(Read(params, &Params::GetAsymmetric_BasePointY, &bits), (Bytes{0xA5, 0x00}));
  EXPECT_EQ(Read(params, &Params::GetAsymmetric_CurveOID).size(), std::string(k257).size() + 1);

  unsigned long length = 0;
  unsigned char dke[128] = {};
  const struct {
    const char* what;
    std::function<void()> call;
  } bad[] = {
      {"null buffer", [&] { params.InitFromBuffer(nullptr, 10); }},
      {"zero length", [&] { params.InitFromBuffer(value, 0); }},
      {"null bit length", [&] { params.GetAsymmetric_Curve_n(nullptr, &length, nullptr); }},
      {"null length", [&] { params.GetAsymmetric_Curve_B(nullptr, nullptr, &length); }},
      {"empty B", [&] { params.GetAsymmetric_Curve_B(nullptr, &length, &length); }},
      {"zero bits", [&] { params.SetAsymmetric_Curve_B(value, 2, 0); }},
      {"bytes beyond the bits", [&] { params.SetAsymmetric_Curve_B(value, 2, 8); }},
      {"null bytes", [&] { params.SetAsymmetric_BasePointX(nullptr, 2, 9); }},
      {"null dke out", [&] { params.GetAsymmetric_dke(nullptr); }},
      {"null dke in", [&] { params.SetAsymmetric_dke(nullptr); }},
      {"null OID", [&] { params.SetAsymmetric_CurveOID(nullptr); }},
      {"null OID buffer length", [&] { params.GetAsymmetric_CurveOID(nullptr, nullptr); }},
      {"null handle", [&] { params.SetHandle(nullptr); }},
  };
  for (const auto& c : bad) {
    SCOPED_TRACE(c.what);
    ExpectCode(c.call, 100021);
  }
  // A fresh parameter set has no S-box: zero entries.
  params.GetAsymmetric_dke(dke);
  EXPECT_EQ(Bytes(dke, dke + 128), Bytes(128, 0));
}

TEST_F(KernelParams, RefusedBufferChangesNothing) {
  const Bytes buffer = Vector("AsymmetricParams", "binary", k257);
  CKernelAsymmetricParams params(m_kernel);
  params.InitFromBuffer(buffer.data(), static_cast<unsigned long>(buffer.size()));
  const Bytes cut(buffer.begin(), buffer.begin() + 45);  // m, k, j, l, A, then a cut item
  ExpectCode([&] { params.InitFromBuffer(cut.data(), static_cast<unsigned long>(cut.size())); }, 0xFFFFFFFFu);
  const unsigned char twoItems[] = {4, 0, 0, 0, 1, 1, 0, 0, 4, 0, 0, 0, 12, 0, 0, 0};  // m and k only
  ExpectCode([&] { params.InitFromBuffer(twoItems, sizeof twoItems); }, 70000);
  EXPECT_EQ(Read(params, &Params::GetParamsBuffer), buffer);
}

TEST_F(KernelParams, HandlesAreCopies) {
  tavrpki::CAsymmetric4145Params internal =
      tavrpki::NamedCurveParams(k257, tavrpki::ByteView(tavrpki::params::kDke1));
  CKernelAsymmetricParams params(m_kernel, &internal);
  internal.m = 1;
  EXPECT_EQ(params.GetAsymmetric_CurrentLength(), 257u);
  CKernelAsymmetricParams copy(params);
  copy.SetAsymmetric_CurrentLength(5);
  EXPECT_EQ(params.GetAsymmetric_CurrentLength(), 257u);
  params.SetHandle(&internal);
  EXPECT_EQ(params.GetAsymmetric_CurrentLength(), 1u);
  EXPECT_NE(params.GetHandle(), &internal);
}

TEST_F(KernelParams, AllParamsBuffer) {
  const Bytes buffer = Vector("AllParams", "binary");
  CKernelAllParams all(m_kernel);
  all.InitFromBuffer(buffer.data(), static_cast<unsigned long>(buffer.size()));
  EXPECT_EQ(Read(all, &CKernelAllParams::GetParamsBuffer), buffer);
  unsigned char sbox[128];
  all.GetRandomSBox(sbox);
  EXPECT_TRUE(std::equal(sbox, sbox + 128, tavrpki::params::kDefaultSBox.begin()));
  all.GetCryptSBox(sbox);
  EXPECT_TRUE(std::equal(sbox, sbox + 128, tavrpki::params::kDke1.begin()));
  EXPECT_EQ(all.GetSignParams().GetAsymmetric_CurrentLength(), 257u);
  EXPECT_EQ(all.GetCryptParams().GetAsymmetric_CurrentLength(), 431u);

  // Swapping the parameter sets through the setters shows in the buffer.
  CKernelAllParams swapped(all);
  swapped.SetSignParams(all.GetCryptParams());
  swapped.SetCryptParams(all.GetSignParams());
  EXPECT_EQ(swapped.GetSignParams().GetAsymmetric_CurrentLength(), 431u);
  EXPECT_EQ(all.GetSignParams().GetAsymmetric_CurrentLength(), 257u);

  // An S-box item shorter than 128 bytes, or a missing parameter item, is refused.
  Bytes shortSBox = {127, 0, 0, 0};
  shortSBox.insert(shortSBox.end(), buffer.begin() + 4, buffer.begin() + 4 + 127);
  shortSBox.insert(shortSBox.end(), buffer.begin() + 4 + 128, buffer.end());
  ExpectCode([&] { all.InitFromBuffer(shortSBox.data(), static_cast<unsigned long>(shortSBox.size())); },
             0xFFFFFFFFu);
  const Bytes noCrypt(buffer.begin(), buffer.begin() + 2 * 132);
  ExpectCode([&] { all.InitFromBuffer(noCrypt.data(), static_cast<unsigned long>(noCrypt.size())); }, 70000);
  ExpectCode([&] { all.InitFromBuffer(nullptr, 1); }, 100021);
  ExpectCode([&] { all.GetCryptSBox(nullptr); }, 100021);
  EXPECT_EQ(Read(all, &CKernelAllParams::GetParamsBuffer), buffer);
}

}  // namespace
