// CKernel's generator: the four-input seeding against the generator's known answers,
// copies and assignment continuing (or not having) a sequence, draws before
// seeding, and the system bytes behind every reseed across fork().
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

#include "gostcrypto/EntropyCollect.h"

#include "Fixture.h"
#include "support/VectorFile.h"

namespace tavrpki::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

class KernelRandom : public KernelTest {};

Bytes Draw(const Kernel::CKernel& kernel, std::size_t n) {
  Bytes out(n);
  kernel.GenerateRandom(static_cast<unsigned long>(n), out.data());
  return out;
}

TEST_F(KernelRandom, FourInputSeedingGivesTheGeneratorsKnownAnswers) {
  Kernel::CKernel kernel;
  int checked = 0;
  for (const Vector& v : ReadVectorFile("gost_random.vec")) {
    if (v.section != "Keyed" || v.Get("SBox") != "default") continue;
    const Bytes key = v.Bytes("Key"), seed = v.Bytes("Seed"), expected = v.Bytes("Out");
    EXPECT_EQ(v.Get("Extra"), "none");
    kernel.InitRandom(nullptr, key.data(), seed.data(), nullptr);
    // GenerateRandom in two calls, GenSymmetricKey for 32 bytes: one sequence.
    Bytes got = Draw(kernel, 5);
    unsigned char symmetric[32];
    kernel.GenSymmetricKey(symmetric);
    got.insert(got.end(), symmetric, symmetric + 32);
    const Bytes tail = Draw(kernel, expected.size() - got.size());
    got.insert(got.end(), tail.begin(), tail.end());
    EXPECT_EQ(ToHex(got), ToHex(expected));
    ++checked;
  }
  EXPECT_EQ(checked, 1);
}

TEST_F(KernelRandom, DrawsBeforeSeedingFailAndSeededDrawsDiffer) {
  Kernel::CKernel kernel;
  unsigned char out[32];
  EXPECT_EQ(CodeOf([&] { kernel.GenerateRandom(8, out); }), 40013u);
  EXPECT_EQ(CodeOf([&] { kernel.GenSymmetricKey(out); }), 40013u);
  EXPECT_EQ(CodeOf([&] { kernel.GenerateRandom(0, out); }), 100021u);
  EXPECT_EQ(CodeOf([&] { kernel.GenerateRandom(8, nullptr); }), 100021u);
  EXPECT_EQ(CodeOf([&] { kernel.GenSymmetricKey(nullptr); }), 100021u);
  kernel.InitRandom(nullptr, nullptr, nullptr);
  EXPECT_NE(Draw(kernel, 32), Draw(kernel, 32));
  // Two kernels seeded apart draw apart.
  Kernel::CKernel other;
  other.InitRandom(nullptr, nullptr, nullptr);
  EXPECT_NE(Draw(kernel, 32), Draw(other, 32));
}

TEST_F(KernelRandom, FailedSeedingLeavesNoGenerator) {
  Kernel::CKernel kernel;
  kernel.InitRandom(nullptr, nullptr, nullptr);
  const unsigned char seed[8] = {};
  // The four-input form needs a key: the core refuses, and the old generator is gone.
  EXPECT_ANY_THROW(kernel.InitRandom(nullptr, nullptr, seed, nullptr));
  unsigned char out[8];
  EXPECT_EQ(CodeOf([&] { kernel.GenerateRandom(8, out); }), 40013u);
}

TEST_F(KernelRandom, CopiesContinueTheSourceSequence) {
  Kernel::CKernel source;
  Kernel::CKernel copiedBefore(source);
  source.InitRandom(nullptr, nullptr, nullptr);
  Draw(source, 300);
  Kernel::CKernel copiedAfter(source);
  Kernel::CKernel assigned;
  assigned = source;
  const Bytes next = Draw(source, 600);
  EXPECT_EQ(Draw(copiedAfter, 600), next);
  EXPECT_EQ(Draw(assigned, 600), next);
  unsigned char out[8];
  EXPECT_EQ(CodeOf([&] { copiedBefore.GenerateRandom(8, out); }), 40013u);
  // Assigning a kernel without a generator takes the generator away.
  assigned = copiedBefore;
  EXPECT_EQ(CodeOf([&] { assigned.GenerateRandom(8, out); }), 40013u);
}

// Bytes 8..63 of a collection hold system bytes only (no timer sample lands
// there): a child that inherited the parent's pool would repeat the parent's.
Bytes SystemPart() {
  Bytes buffer(gostcrypto::kEntropyBufferSize);
  EXPECT_EQ(gostcrypto::TAVRCLCRNGEntropyDataCollect(buffer.data(), nullptr, nullptr, 0, 0), 0);
  return Bytes(buffer.begin() + 8, buffer.begin() + 64);
}

Bytes SystemPartInChild() {
  int pipeEnds[2];
  if (::pipe(pipeEnds) != 0) return {};
  const pid_t child = ::fork();
  if (child == 0) {
    const Bytes part = SystemPart();
    const bool written = ::write(pipeEnds[1], part.data(), part.size()) == static_cast<ssize_t>(part.size());
    ::_exit(written ? 0 : 1);
  }
  ::close(pipeEnds[1]);
  Bytes part(56);
  const bool read = ::read(pipeEnds[0], part.data(), part.size()) == static_cast<ssize_t>(part.size());
  ::close(pipeEnds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(read && WIFEXITED(status) && WEXITSTATUS(status) == 0);
  return part;
}

TEST(EntropyPool, ParentAndChildrenNeverShareSystemBytes) {
  SystemPart();  // the parent's pool is seeded before the fork
  const Bytes first = SystemPartInChild(), second = SystemPartInChild();
  const Bytes parent = SystemPart();
  EXPECT_NE(first, parent);
  EXPECT_NE(second, parent);
  EXPECT_NE(first, second);
  EXPECT_NE(parent, SystemPart());
}

}  // namespace
}  // namespace tavrpki::test
