// <tavrpki/CertStorage.h> keeps each operation at the slot the library calls it
// by. A storage compiled against the header records which operation ran; the test
// calls the table entries by position, as compiled code of the library's callers
// does, and checks each position reaches its operation.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include <tavrpki/CertStorage.h>

namespace tavrpki::test {
namespace {

std::vector<int> g_calls;

class RecordingQuery final : public CertQuery {
 public:
  void Clear() override { g_calls.push_back(0); }
  std::uint32_t GetCriterionCount() override { return g_calls.push_back(1), 0; }
  void AddCriterion(std::uint32_t, const std::uint8_t*, std::uint32_t) override { g_calls.push_back(2); }
};

class RecordingStorage final : public CertStorage {
 public:
  CertQuery* CreateQuery() override { return g_calls.push_back(0), &query; }
  void ReleaseQuery(CertQuery*) override { g_calls.push_back(1); }
  std::int64_t AddCertificate(const std::uint8_t*, std::uint32_t, std::uint8_t*) override { return g_calls.push_back(2), 0; }
  std::uint8_t RemoveCertificate(std::int64_t) override { return g_calls.push_back(3), 0; }
  void SetTrusted(std::int64_t, std::uint8_t) override { g_calls.push_back(4); }
  std::uint32_t GetCertificateCount() override { return g_calls.push_back(5), 0; }
  void GetCertificate(std::int64_t, std::uint8_t*, std::uint32_t*) override { g_calls.push_back(6); }
  std::uint32_t EnumerateCertificates(void*, CertStorageCallback) override { return g_calls.push_back(7), 0; }
  std::uint32_t FindCertificates(CertQuery*, void*, CertStorageCallback) override { return g_calls.push_back(8), 0; }
  std::int64_t AddCRL(const std::uint8_t*, std::uint32_t, std::uint8_t*) override { return g_calls.push_back(9), 0; }
  std::uint8_t RemoveCRL(std::int64_t) override { return g_calls.push_back(10), 0; }
  std::uint8_t IsTrusted(std::int64_t) override { return g_calls.push_back(11), 0; }
  void GetCRL(std::int64_t, std::uint8_t*, std::uint32_t*) override { g_calls.push_back(12); }
  std::uint32_t GetCRLCount() override { return g_calls.push_back(13), 0; }
  std::uint32_t EnumerateCRLs(void*, CertStorageCallback) override { return g_calls.push_back(14), 0; }

  RecordingQuery query;
};

// The table entry at `slot` of `object`, called with the object as `this` and
// no further arguments that any recording operation reads (the Itanium C++ ABI
// of this platform: the table pointer first in the object, one entry per
// virtual function in declaration order, `this` as the first argument).
void CallSlot(void* object, int slot) {
  using Entry = void (*)(void* self, std::uintptr_t, std::uintptr_t, std::uintptr_t);
  Entry* table = *static_cast<Entry**>(object);
  table[slot](object, 0, 0, 0);
}

TEST(CertStorageSlots, EveryOperationSitsAtItsSlot) {
  RecordingStorage storage;
  for (int slot = 0; slot <= 14; ++slot) {
    g_calls.clear();
    CallSlot(static_cast<CertStorage*>(&storage), slot);
    EXPECT_EQ(g_calls, std::vector<int>{slot}) << "storage slot " << slot;
  }
  for (int slot = 0; slot <= 2; ++slot) {
    g_calls.clear();
    CallSlot(static_cast<CertQuery*>(&storage.query), slot);
    EXPECT_EQ(g_calls, std::vector<int>{slot}) << "query slot " << slot;
  }
}

// The criterion kinds are numbers of the interface, not just names.
static_assert(kCriterionSerialNumber == 3 && kCriterionSubjectKeyId == 17 && kCriterionSubjectName == 18);

}  // namespace
}  // namespace tavrpki::test
