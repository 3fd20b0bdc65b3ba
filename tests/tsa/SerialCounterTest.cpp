// The serial counter: what a state file may hold, and that no serial comes back
// after a restart, a crash or a second authority on the same state.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <stdexcept>
#include <string>

#include "support/TempDir.h"
#include "tools/servers/tsa/SerialCounter.h"

namespace tavrpki::test {
namespace {

namespace fs = std::filesystem;
using servers::SerialCounter;

class SerialCounterTest : public ::testing::Test {
 protected:
  void WriteState(const std::string& text) { std::ofstream(m_state, std::ios::binary) << text; }
  std::string ReadState() {
    std::ifstream in(m_state, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  TempDir m_directory;
  std::string m_state = m_directory.File("serial");
};

TEST_F(SerialCounterTest, StartsWhereTheStateSaysAndRefusesDamage) {
  struct Case {
    const char* state;  // nullptr: no file
    std::uint64_t first;  // 0: refused
  };
  const Case cases[] = {
      {nullptr, 1},
      {"17\n", 17},
      {"9223372036854775807\n", 9223372036854775807ull},  // the last 63-bit serial is still issued
      {"", 0},
      {"17", 0},          // a write cut short: no newline
      {"17\n\n", 0},
      {"0\n", 0},
      {"-5\n", 0},
      {" 17\n", 0},
      {"1x\n", 0},
      {"9223372036854775809\n", 0},  // past 63 bits
      {"99999999999999999999999\n", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.state == nullptr ? "(none)" : c.state);
    fs::remove(m_state);
    if (c.state != nullptr) WriteState(c.state);
    if (c.first == 0) {
      EXPECT_THROW(SerialCounter counter(m_state), std::runtime_error);
      EXPECT_EQ(ReadState(), c.state) << "a refused state must stay as it was";
      continue;
    }
    SerialCounter counter(m_state, 8);
    EXPECT_EQ(counter.Next(), c.first);
  }
}

TEST_F(SerialCounterTest, NeverRepeatsAcrossRestartsAndCrashes) {
  std::set<std::uint64_t> issued;
  auto take = [&](SerialCounter& counter, int n) {
    for (int i = 0; i < n; ++i) EXPECT_TRUE(issued.insert(counter.Next()).second);
  };
  {
    SerialCounter counter(m_state, 5);
    take(counter, 12);  // crosses two block boundaries
  }
  {
    SerialCounter counter(m_state, 5);
    const std::uint64_t next = counter.Next();
    EXPECT_GT(next, *issued.rbegin());
    issued.insert(next);
  }
  // A crash: the process dies without unwinding, in the middle of a block.
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    SerialCounter counter(m_state, 5);
    for (int i = 0; i < 7; ++i) (void)counter.Next();
    _exit(counter.Next() > 0 ? 42 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 42);
  // Whatever the child issued lies below the state it left: at most the start of
  // its reservations plus what it took, which the file's number exceeds.
  const std::uint64_t afterCrash = std::stoull(ReadState());
  EXPECT_GE(afterCrash, *issued.rbegin() + 1 + 8);
  SerialCounter counter(m_state, 5);
  EXPECT_EQ(counter.Next(), afterCrash);
}

TEST_F(SerialCounterTest, OneAuthorityPerState) {
  SerialCounter first(m_state);
  EXPECT_THROW(SerialCounter second(m_state), std::runtime_error);
  EXPECT_EQ(first.Next(), 1u);
}

TEST_F(SerialCounterTest, StateThatCannotBeWrittenStopsTheStart) {
  EXPECT_THROW(SerialCounter counter(m_directory.File("missing/serial")), std::runtime_error);
}

}  // namespace
}  // namespace tavrpki::test
