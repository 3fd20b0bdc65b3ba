// The tool's envelope file (tools/tavrpki/EnvelopeFile.h): a file made by an
// earlier build still opens (the format is stable), every changed, cut or
// lengthened file is refused before a byte of plaintext, and round trips across
// the piece boundaries of the streaming.
#include <gtest/gtest.h>

#include "kernel/CKernelCryptEnvelope.h"
#include "kernel_envelope/Recipients.h"
#include "tools/tavrpki/EnvelopeFile.h"

namespace tavrpki::test {
namespace {

namespace envelope = tool::envelope;
using Bytes = std::vector<unsigned char>;

class EnvelopeFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const Bytes buffer = ReadFileBytes(DataPath("kernel_envelope/fuzz-recipient.key"));
    m_keys.InitFromBuffer(buffer.data(), static_cast<unsigned long>(buffer.size()));
  }

  // The plaintext handed out, and what stopped it (empty when nothing did).
  std::pair<Bytes, std::string> Open(const Bytes& file) {
    const auto copy = std::make_unique<unsigned char[]>(file.size() + 1);
    std::copy(file.begin(), file.end(), copy.get());
    envelope::MemorySource source(copy.get(), file.size());
    Bytes plain;
    try {
      const envelope::Layout layout = envelope::ReadLayout(source);
      const Bytes records = envelope::ReadRecords(source, layout);
      Kernel::CKernelCryptEnvelope opened(m_kernel);
      opened.SetEnvelopeData(records.data(), static_cast<unsigned long>(records.size()));
      opened.DecryptInit(m_keys);
      envelope::Decrypt(opened, source, layout,
                        [&](const unsigned char* data, std::size_t n) { plain.insert(plain.end(), data, data + n); });
    } catch (const envelope::FormatError& error) {
      return {plain, error.text};
    } catch (const ExceptionBase& error) {
      return {plain, "code " + std::to_string(error.GetErrorCode())};
    }
    return {plain, ""};
  }

  EnvelopeSandbox m_sandbox;
  Kernel::CKernel m_kernel = Kernel::GetKernelInstance();
  Kernel::CKernelDoubleKeyPair m_keys{m_kernel, true};
};

TEST_F(EnvelopeFileTest, AFileOfAnEarlierBuildOpens) {
  const auto [plain, failure] = Open(ReadFileBytes(DataPath("kernel_envelope/nine-bytes.env")));
  EXPECT_EQ(failure, "");
  EXPECT_EQ(plain, Bytes(9, 0x42));
}

TEST_F(EnvelopeFileTest, EveryChangeIsRefusedWithoutPlaintext) {
  const Bytes good = ReadFileBytes(DataPath("kernel_envelope/nine-bytes.env"));
  for (std::size_t at = 0; at < good.size(); ++at) {
    Bytes bad = good;
    bad[at] ^= static_cast<unsigned char>(1u << (at % 8));
    const auto [plain, failure] = Open(bad);
    EXPECT_TRUE(plain.empty()) << "byte " << at;
    EXPECT_NE(failure, "") << "byte " << at;
  }
  for (std::size_t size = 0; size < good.size(); ++size) {
    const auto [plain, failure] = Open(Bytes(good.begin(), good.begin() + static_cast<long>(size)));
    EXPECT_TRUE(plain.empty()) << "cut to " << size;
    EXPECT_NE(failure, "") << "cut to " << size;
  }
  Bytes longer = good;
  longer.push_back(0);
  EXPECT_EQ(Open(longer).second, "the file is longer than the sizes it states");
}

TEST_F(EnvelopeFileTest, RoundTripsAcrossPieces) {
  Kernel::CKernelAllParams params = ParamsOn(m_kernel, kCurve257, kCurve257);
  const Kernel::CKernelCertificate cert = MakeRecipient(m_kernel, "Fuzz", m_keys, params);
  params::Dke dke = params::kDke1;
  m_kernel.InitRandom(dke.data(), dke.data(), nullptr);
  for (const std::size_t size : {std::size_t{0}, envelope::kPiece - 1, envelope::kPiece, envelope::kPiece + 9}) {
    Bytes data(size);
    for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<unsigned char>(i * 131 + 7);
    Kernel::CKernelCryptEnvelope sealing(m_kernel);
    sealing.AddCertificate(cert);
    envelope::MemorySource plain(data.data(), data.size());
    Bytes file;
    envelope::Encrypt(m_kernel, sealing, plain,
                      [&](const unsigned char* bytes, std::size_t n) { file.insert(file.end(), bytes, bytes + n); });
    const auto [opened, failure] = Open(file);
    EXPECT_EQ(failure, "") << size;
    EXPECT_EQ(opened, data) << size;
  }
}

}  // namespace
}  // namespace tavrpki::test
