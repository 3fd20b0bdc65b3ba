// One real certificate turned into many bad inputs: every truncation, trailing
// junk, every single flipped byte. Decoding never crashes or reads past the input
// (the sanitizer build checks that), a failure is the library's Exception and
// leaves the target unchanged, and whatever decodes is written in a form that
// reads back to the same bytes.
#include "tests/asn1_x509/Support.h"

namespace tavrpki::test {
namespace {

const char* const kFile = "real/diia-test-sign-2022.cer";

// Decodes `input` into `target` (which holds some other certificate first).
// Returns true when it decoded; on failure checks that `target` is unchanged.
bool DecodeOrStayUnchanged(ASN1Certificate& target, ByteView input, const std::string& before) {
  try {
    target.Decode(input);
  } catch (const Exception& e) {
    EXPECT_NE(std::string(e.GetErrorMessage()), "");
    Blob now;
    target.Encode(now);
    EXPECT_EQ(H(now), before);
    return false;
  }
  return true;
}

void ExpectStableReencoding(const ASN1Certificate& certificate) {
  Blob first;
  certificate.Encode(first);
  ASN1Certificate again;
  again.Decode(first);
  Blob second;
  again.Encode(second);
  ASSERT_EQ(H(second), H(first));
  ASSERT_EQ(H(Blob(again.TBSCertificate().SignedBytes())), H(Blob(certificate.TBSCertificate().SignedBytes())));
}

struct Fixture {
  std::vector<std::uint8_t> bytes = ReadFileBytes(kFile);
  ASN1Certificate target;
  std::string before;
  Fixture() {
    const std::vector<std::uint8_t> other = ReadFileBytes("real/czo-2020-root.cer");
    target.Decode(ByteView(other));
    before = H(Blob(ByteView(other)));
  }
};

TEST(CertificateMutations, EveryTruncationFails) {
  Fixture f;
  for (std::size_t size = 0; size < f.bytes.size(); ++size) {
    SCOPED_TRACE(size);
    // A copy of exactly `size` bytes, so that reading past it is a sanitizer error.
    const std::vector<std::uint8_t> cut(f.bytes.begin(), f.bytes.begin() + static_cast<std::ptrdiff_t>(size));
    EXPECT_FALSE(DecodeOrStayUnchanged(f.target, ByteView(cut.data(), cut.size()), f.before));
  }
}

// Junk after the certificate, or inside the outer SEQUENCE (its length grown to
// cover it) after the signature value, is not read.
TEST(CertificateMutations, JunkAfterTheCertificateOrItsSignatureIsNotRead) {
  Fixture f;
  ASSERT_EQ(f.bytes[1], 0x82);
  std::vector<std::vector<std::uint8_t>> inputs;
  for (const char* junk : {"00", "3000", "FFFFFFFF", "30820100"}) {
    inputs.push_back(f.bytes);
    for (const std::uint8_t b : FromHex(junk)) inputs.back().push_back(b);
  }
  inputs.push_back(f.bytes);
  const std::size_t length = (f.bytes[2] << 8 | f.bytes[3]) + 2;
  inputs.back()[2] = static_cast<std::uint8_t>(length >> 8);
  inputs.back()[3] = static_cast<std::uint8_t>(length);
  inputs.back().insert(inputs.back().end(), {0x05, 0x00});
  for (const std::vector<std::uint8_t>& longer : inputs) {
    SCOPED_TRACE(HexOf(ByteView(longer).last(6)));
    ASN1Certificate certificate;
    certificate.Decode(ByteView(longer));
    Blob out;
    certificate.Encode(out);
    EXPECT_EQ(H(out), HexOf(ByteView(f.bytes)));
  }
}

TEST(CertificateMutations, FlippedBytesFailCleanlyOrReencodeStably) {
  Fixture f;
  std::size_t failed = 0;
  for (const std::uint8_t mask : {0x01, 0x80, 0xFF}) {
    for (std::size_t at = 0; at < f.bytes.size(); ++at) {
      std::vector<std::uint8_t> flipped = f.bytes;
      flipped[at] ^= mask;
      if (DecodeOrStayUnchanged(f.target, ByteView(flipped), f.before)) {
        SCOPED_TRACE(std::to_string(at) + " ^ " + std::to_string(mask));
        ExpectStableReencoding(f.target);
        f.target.Decode(ByteView(FromHex(f.before)));  // the starting point of the next mutation
      } else {
        ++failed;
      }
    }
  }
  // The headers, lengths and tags the decoders check are a good share of the bytes.
  EXPECT_GT(failed, f.bytes.size() / 4);
}

}  // namespace
}  // namespace tavrpki::test
