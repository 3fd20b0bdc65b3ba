// The record reader of the envelope data on hand-made bytes (records.vec):
// lengths at and past every edge, a failed record moving nothing, and the writer
// giving the bytes of the records it is handed.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>

#include "asn1/cms/EnvelopeRecords.h"
#include "support/CodeOf.h"
#include "support/VectorFile.h"

namespace tavrpki::test {
namespace {

std::string Part(ByteView bytes) { return bytes.empty() ? "-" : ToHex(bytes.data(), bytes.size()); }

TEST(EnvelopeRecords, Vectors) {
  for (const Vector& v : ReadVectorFile("kernel_envelope/records.vec")) {
    SCOPED_TRACE(v.Where());
    const std::vector<std::uint8_t> data = v.Bytes("data");
    // A copy of exactly this size, so that AddressSanitizer sees any over-read.
    const auto copy = std::make_unique<std::uint8_t[]>(data.size());
    std::copy(data.begin(), data.end(), copy.get());
    EnvelopeRecordReader reader(ByteView(copy.get(), data.size()));

    std::istringstream expected(v.Get("records"));
    Blob written;
    for (std::string record; expected >> record;) {
      ASSERT_FALSE(reader.AtEnd());
      const EnvelopeRecordView read = reader.Next();
      EXPECT_EQ(Part(read.block) + "/" + Part(read.certificate), record);
      AppendEnvelopeRecord(written, read.block, read.certificate);
    }
    if (v.Has("error")) {
      EXPECT_EQ(CodeOf([&] { reader.Next(); }), std::stoul(v.Get("error")));
      EXPECT_FALSE(reader.AtEnd());  // the failed record is still there
      EXPECT_NE(CodeOf([&] { reader.Next(); }), 0u);
    } else {
      EXPECT_TRUE(reader.AtEnd());
    }
    if (v.section == "Written") {
      EXPECT_EQ(ToHex(written.Data(), written.Size()), ToHex(data));
    }
    v.ExpectAllUsed();
  }
}

}  // namespace
}  // namespace tavrpki::test
