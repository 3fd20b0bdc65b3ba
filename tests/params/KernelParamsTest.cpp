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
#include "support/CodeOf.h"
#include "support/VectorFile.h"

namespace {

using Kernel::CKernelAllParams;
using Params = Kernel::CKernelAsymmetricParams;
using tavrpki::test::CodeOf;
using tavrpki::test::ToHex;
using Bytes = std::vector<unsigned char>;

constexpr const char* k257 = "1.2.804.2.1.1.1.1.3.1.1.2.6";

Bytes BinaryForm(const std::string& section, const std::string& oid = "") {
  for (const auto& v : tavrpki::test::ReadVectorFile("objects/binary-forms.vec")) {
    for (const auto& [k, value] : v.fields) v.Skip(k);
    if (v.section == section && (oid.empty() || v.Get("oid") == oid)) return v.Bytes("binary");
  }
  ADD_FAILURE() << "no vector " << section;
  return {};
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

template <typename Object>
unsigned long InitCode(Object& object, const Bytes& buffer) {
  return CodeOf([&] { object.InitFromBuffer(buffer.data(), static_cast<unsigned long>(buffer.size())); });
}

bool IsTable(const unsigned char* table, const tavrpki::params::Dke& expected) {
  return std::equal(table, table + 128, expected.begin());
}

class KernelParams : public ::testing::Test {
 protected:
  Kernel::CKernel m_kernel;
};

// The buffer reads back as it came and its getters give the 257-bit curve; a refused
// buffer, or one too short for its output, changes nothing.
TEST_F(KernelParams, BufferRoundTripGettersAndRefusals) {
  const Bytes buffer = BinaryForm("AsymmetricParams", k257);
  Params params(m_kernel);
  EXPECT_EQ(InitCode(params, buffer), 0u);
  EXPECT_EQ(Read(params, &Params::GetParamsBuffer), buffer);
  EXPECT_EQ(params.GetAsymmetric_CurrentLength(), 257u);
  EXPECT_EQ(params.GetAsymmetric_k(), 12u);
  EXPECT_EQ(params.GetAsymmetric_j() + params.GetAsymmetric_l() + params.GetAsymmetric_Curve_A(), 0u);
  unsigned long bits = 0;
  EXPECT_EQ(ToHex(Read(params, &Params::GetAsymmetric_Curve_B, &bits)),
            "10bee3db6aea9e1f86578c45c12594ff942394a7d738f9187e6515017294f4ce01");
  EXPECT_EQ(bits, 257u);
  unsigned char dke[128];
  params.GetAsymmetric_dke(dke);
  EXPECT_TRUE(IsTable(dke, tavrpki::params::kDke1));
  EXPECT_EQ(Read(params, &Params::GetAsymmetric_CurveOID), Bytes{0});  // the buffer carries no OID

  unsigned long small = 10;
  Bytes target(10, 0xEE);
  EXPECT_EQ(CodeOf([&] { params.GetParamsBuffer(target.data(), &small); }), 100000u);
  EXPECT_EQ(small, buffer.size());
  EXPECT_EQ(target, Bytes(10, 0xEE));
  EXPECT_EQ(InitCode(params, Bytes(buffer.begin(), buffer.begin() + 45)), 0xFFFFFFFFu);  // a cut item
  EXPECT_EQ(InitCode(params, Bytes{4, 0, 0, 0, 1, 1, 0, 0, 4, 0, 0, 0, 12, 0, 0, 0}), 70000u);  // m, k only
  EXPECT_EQ(Read(params, &Params::GetParamsBuffer), buffer);
}

TEST_F(KernelParams, SettersAndArgumentChecks) {
  Params params(m_kernel);
  unsigned char dke[128] = {};
  params.GetAsymmetric_dke(dke);
  EXPECT_EQ(Bytes(dke, dke + 128), Bytes(128, 0)) << "a fresh parameter set has no S-box";
  const unsigned char value[2] = {0xA5, 0x01};
  params.SetAsymmetric_BasePointY(value, 1, 16);
  unsigned long bits = 0;
  EXPECT_EQ(Read(params, &Params::GetAsymmetric_BasePointY, &bits), (Bytes{0xA5, 0x00})) << "high byte zero";

  unsigned long length = 0;
  const std::function<void()> bad[] = {
      [&] { params.InitFromBuffer(nullptr, 10); },
      [&] { params.InitFromBuffer(value, 0); },
      [&] { params.GetAsymmetric_Curve_n(nullptr, &length, nullptr); },
      [&] { params.GetAsymmetric_Curve_B(nullptr, &length, &length); },  // no B yet
      [&] { params.SetAsymmetric_Curve_B(value, 2, 0); },
      [&] { params.SetAsymmetric_Curve_B(value, 2, 8); },  // bytes beyond the bits
      [&] { params.SetAsymmetric_dke(nullptr); },
      [&] { params.GetAsymmetric_CurveOID(nullptr, nullptr); },
      [&] { params.SetHandle(nullptr); },
  };
  for (std::size_t i = 0; i < std::size(bad); ++i) EXPECT_EQ(CodeOf(bad[i]), 100021u) << "case " << i;
}

TEST_F(KernelParams, HandlesAreCopies) {
  tavrpki::CAsymmetric4145Params internal =
      tavrpki::NamedCurveParams(k257, tavrpki::ByteView(tavrpki::params::kDke1));
  Params params(m_kernel, &internal);
  internal.m = 1;
  EXPECT_EQ(params.GetAsymmetric_CurrentLength(), 257u);
  Params copy(params);
  copy.SetAsymmetric_CurrentLength(5);
  EXPECT_EQ(params.GetAsymmetric_CurrentLength(), 257u);
  params.SetHandle(&internal);
  EXPECT_EQ(params.GetAsymmetric_CurrentLength(), 1u);
  EXPECT_NE(params.GetHandle(), &internal);
}

TEST_F(KernelParams, AllParamsBuffer) {
  const Bytes buffer = BinaryForm("AllParams");
  CKernelAllParams all(m_kernel);
  EXPECT_EQ(InitCode(all, buffer), 0u);
  EXPECT_EQ(Read(all, &CKernelAllParams::GetParamsBuffer), buffer);
  unsigned char sbox[128];
  all.GetRandomSBox(sbox);
  EXPECT_TRUE(IsTable(sbox, tavrpki::params::kDefaultSBox));
  all.GetCryptSBox(sbox);
  EXPECT_TRUE(IsTable(sbox, tavrpki::params::kDke1));
  EXPECT_EQ(all.GetSignParams().GetAsymmetric_CurrentLength(), 257u);
  EXPECT_EQ(all.GetCryptParams().GetAsymmetric_CurrentLength(), 431u);

  // An S-box item shorter than 128 bytes, or a missing parameter item, is refused.
  Bytes shortSBox = {127, 0, 0, 0};
  shortSBox.insert(shortSBox.end(), buffer.begin() + 4, buffer.begin() + 4 + 127);
  shortSBox.insert(shortSBox.end(), buffer.begin() + 4 + 128, buffer.end());
  EXPECT_EQ(InitCode(all, shortSBox), 0xFFFFFFFFu);
  EXPECT_EQ(InitCode(all, Bytes(buffer.begin(), buffer.begin() + 2 * 132)), 70000u);
  EXPECT_EQ(CodeOf([&] { all.InitFromBuffer(nullptr, 1); }), 100021u);
  EXPECT_EQ(CodeOf([&] { all.GetCryptSBox(nullptr); }), 100021u);
  EXPECT_EQ(Read(all, &CKernelAllParams::GetParamsBuffer), buffer);
}

}  // namespace
