// The tool's envelope file (tools/tavrpki/EnvelopeFile.h): files made by earlier
// builds still open (both versions; the format is stable), every changed, cut or
// lengthened file is refused before a byte of plaintext, chunks moved or damaged
// give out nothing unchecked, and round trips across the chunk boundaries.
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

// Nine bytes 0x42 for the fuzz recipient, in version 1 and version 2.
const char* const kSamples[] = {"kernel_envelope/nine-bytes.env", "kernel_envelope/nine-bytes-v2.env"};

TEST_F(EnvelopeFileTest, FilesOfEarlierBuildsOpen) {
  for (const char* sample : kSamples) {
    const auto [plain, failure] = Open(ReadFileBytes(DataPath(sample)));
    EXPECT_EQ(failure, "") << sample;
    EXPECT_EQ(plain, Bytes(9, 0x42)) << sample;
  }
}

TEST_F(EnvelopeFileTest, EveryChangeIsRefusedWithoutPlaintext) {
  for (const char* sample : kSamples) {
    SCOPED_TRACE(sample);
    const Bytes good = ReadFileBytes(DataPath(sample));
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
}

class EnvelopeChunksTest : public EnvelopeFileTest {
 protected:
  static Bytes Data(std::size_t size) {
    Bytes data(size);
    for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<unsigned char>(i * 131 + 7);
    return data;
  }

  Bytes Seal(const Bytes& data) {
    Kernel::CKernelAllParams params = MakeParams(m_kernel);
    const Kernel::CKernelCertificate cert = MakeRecipient(m_kernel, "Fuzz", m_keys, params);
    params::Dke dke = params::kDke1;
    m_kernel.InitRandom(dke.data(), dke.data(), nullptr);
    Kernel::CKernelCryptEnvelope sealing(m_kernel);
    sealing.AddCertificate(cert);
    envelope::MemorySource plain(data.data(), data.size());
    Bytes file;
    envelope::Encrypt(m_kernel, sealing, plain,
                      [&](const unsigned char* bytes, std::size_t n) { file.insert(file.end(), bytes, bytes + n); });
    return file;
  }
};

// An empty file (one empty chunk), a chunk exactly, two chunks and a short third,
// and more chunks than are in flight at once (the second batch ends short).
TEST_F(EnvelopeChunksTest, RoundTripsAcrossChunks) {
  for (const std::size_t size : {std::size_t{0}, envelope::kChunk, 2 * envelope::kChunk + 9, 9 * envelope::kChunk + 9}) {
    const Bytes data = Data(size);
    const auto [opened, failure] = Open(Seal(data));
    EXPECT_EQ(failure, "") << size;
    EXPECT_EQ(opened, data) << size;
  }
}

// Four chunks: what comes out before a failure is whole checked chunks in order,
// never the damaged chunk or anything after it.
TEST_F(EnvelopeChunksTest, MovedOrDamagedChunksGiveNothingUnchecked) {
  const Bytes data = Data(3 * envelope::kChunk + 9);
  const Bytes good = Seal(data);
  const std::size_t stride = envelope::kChunk + envelope::kTagSize;
  const std::size_t chunks = good.size() - 3 * stride - 9 - envelope::kTagSize;  // where chunk 0 starts
  Bytes swapped = good;  // chunks 1 and 2, each with its tag
  std::swap_ranges(swapped.begin() + static_cast<long>(chunks + stride),
                   swapped.begin() + static_cast<long>(chunks + 2 * stride),
                   swapped.begin() + static_cast<long>(chunks + 2 * stride));
  Bytes lastDamaged = good;
  lastDamaged[chunks + 3 * stride + 4] ^= 0x10;
  Bytes tagDamaged = good;
  tagDamaged[chunks + stride - 1] ^= 0x01;  // chunk 0's tag
  const struct {
    const char* name;
    const Bytes& file;
    std::size_t damagedFrom;
  } cases[] = {{"chunks 1 and 2 swapped", swapped, envelope::kChunk},
               {"chunk 3 changed", lastDamaged, 3 * envelope::kChunk},
               {"chunk 0's tag changed", tagDamaged, 0}};
  for (const auto& c : cases) {
    const auto [plain, failure] = Open(c.file);
    EXPECT_NE(failure, "") << c.name;
    EXPECT_LE(plain.size(), c.damagedFrom) << c.name;
    EXPECT_EQ(plain.size() % envelope::kChunk, 0u) << c.name;
    EXPECT_EQ(plain, Bytes(data.begin(), data.begin() + static_cast<long>(plain.size()))) << c.name;
  }
  const Bytes cut(good.begin(), good.end() - static_cast<long>(9 + envelope::kTagSize));  // the last chunk gone
  EXPECT_EQ(Open(cut).second, "the file is shorter than the data size it states (truncated?)");
}

}  // namespace
}  // namespace tavrpki::test
