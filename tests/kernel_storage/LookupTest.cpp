// CKernel's certificate lookups and trust question over real certificates in a
// real SQLite store (a temporary database), and over a storage that wraps it to
// count queries and to fail on demand.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include <tavrpki/SqliteCertStore.h>

#include "../kernel_cert/Fixtures.h"
#include "../sqlitestore/StoreSupport.h"
#include "core/MessageText.h"
#include "kernel/CKernelCRL.h"
#include "kernel/CKernelException.h"
#include "storage/sqlite/DerFields.h"

namespace tavrpki::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes File(const std::string& name) { return ReadFileBytes(DataPath(name)); }
sqlitestore::ItemFields Fields(const std::string& name) { return sqlitestore::ReadItemFields(File(name)); }

// Passes every call to the SQLite store, counting queries made and released, and
// throws a coded failure from one chosen slot.
class CountingStorage final : public CertStorage {
 public:
  explicit CountingStorage(SqliteCertStore& inner) : m_inner(inner) {}
  int created = 0, released = 0;
  int failSlot = -1;

  CertQuery* CreateQuery() override { return Fail(0), ++created, m_inner.CreateQuery(); }
  void ReleaseQuery(CertQuery* q) override { ++released, m_inner.ReleaseQuery(q); }
  std::int64_t AddCertificate(const std::uint8_t* d, std::uint32_t n, std::uint8_t* a) override {
    return m_inner.AddCertificate(d, n, a);
  }
  std::uint8_t RemoveCertificate(std::int64_t id) override { return m_inner.RemoveCertificate(id); }
  void SetTrusted(std::int64_t id, std::uint8_t t) override { m_inner.SetTrusted(id, t); }
  std::uint32_t GetCertificateCount() override { return m_inner.GetCertificateCount(); }
  void GetCertificate(std::int64_t id, std::uint8_t* d, std::uint32_t* n) override {
    Fail(6);
    m_inner.GetCertificate(id, d, n);
  }
  std::uint32_t EnumerateCertificates(void* c, CertStorageCallback f) override { return m_inner.EnumerateCertificates(c, f); }
  std::uint32_t FindCertificates(CertQuery* q, void* c, CertStorageCallback f) override {
    return Fail(8), m_inner.FindCertificates(q, c, f);
  }
  std::int64_t AddCRL(const std::uint8_t* d, std::uint32_t n, std::uint8_t* a) override { return m_inner.AddCRL(d, n, a); }
  std::uint8_t RemoveCRL(std::int64_t id) override { return m_inner.RemoveCRL(id); }
  std::uint8_t IsTrusted(std::int64_t id) override { return Fail(11), m_inner.IsTrusted(id); }
  void GetCRL(std::int64_t id, std::uint8_t* d, std::uint32_t* n) override { m_inner.GetCRL(id, d, n); }
  std::uint32_t GetCRLCount() override { return m_inner.GetCRLCount(); }
  std::uint32_t EnumerateCRLs(void* c, CertStorageCallback f) override { return Fail(14), m_inner.EnumerateCRLs(c, f); }

 private:
  void Fail(int slot) const {
    if (slot == failSlot) throw Kernel::CKernelException(777000 + static_cast<unsigned long>(slot), "storage failed");
  }
  SqliteCertStore& m_inner;
};

class KernelStorageTest : public CertTest {
 protected:
  TempDir dir;
  SqliteCertStore store{dir.File("store.db")};

  std::int64_t Add(const std::string& name) { return store.Add(File(name)).id; }
};

TEST_F(KernelStorageTest, WithoutStorageEveryLookupFailsFirst) {
  Kernel::CKernelCertificate out(m_kernel);
  const auto cert = LoadCertFile(m_kernel, "real/test-pki/root.cer");
  const unsigned char byte = 0;
  EXPECT_EQ(CodeOf([&] { m_kernel.FindCertificateBySubject(nullptr, 0, out); }), 100020u);
  EXPECT_EQ(CodeOf([&] { m_kernel.FindCertificateByKeyId(&byte, 1, nullptr, 0, out); }), 100020u);
  EXPECT_EQ(CodeOf([&] { m_kernel.IsTrustedCert(cert); }), 100020u);
  EXPECT_EQ(CodeOf([&] { m_kernel.SetCertStorage(nullptr); }), 100021u);
  m_kernel.SetCertStorage(static_cast<CertStorage*>(&store));
  EXPECT_EQ(CodeOf([&] { m_kernel.FindCertificateBySubject(nullptr, 5, out); }), 100021u);
  EXPECT_EQ(CodeOf([&] { m_kernel.FindCertificateBySubject(&byte, 0, out); }), 100021u);
  EXPECT_EQ(CodeOf([&] { m_kernel.FindCertificateByKeyId(nullptr, 32, &byte, 1, out); }), 100021u);
}

// userfiz and its foreign twin share subject and serial; the finders take the
// last certificate the storage reports (the store reports in id order), and the
// key identifier tells the two apart.
TEST_F(KernelStorageTest, FindersLoadTheLastMatch) {
  const auto fiz = Fields("real/test-pki/userfiz.cer");
  const auto twin = Fields("real/test-pki/userfiz-foreign-signature.cer");
  Add("real/test-pki/root.cer");
  Add("real/test-pki/userfiz-foreign-signature.cer");
  Add("real/test-pki/userfiz.cer");
  m_kernel.SetCertStorage(static_cast<CertStorage*>(&store));
  Kernel::CKernelCertificate out(m_kernel);
  struct Row {
    const char* what;
    bool byKeyId;
    Bytes first, serial;
    const char* expected;  // null: not found
  };
  const Row rows[] = {
      {"subject shared by two: the last reported", false, fiz.subject, {}, "real/test-pki/userfiz.cer"},
      {"root subject", false, Fields("real/test-pki/root.cer").subject, {}, "real/test-pki/root.cer"},
      {"subject of nobody stored", false, Fields("real/czo-2020-root.cer").subject, {}, nullptr},
      {"twin's key id", true, twin.keyId, {}, "real/test-pki/userfiz-foreign-signature.cer"},
      {"key id and serial", true, fiz.keyId, fiz.serial, "real/test-pki/userfiz.cer"},
      {"key id with another serial", true, fiz.keyId, Fields("real/test-pki/userur.cer").serial, nullptr},
      {"unknown key id", true, Bytes(32, 0xAB), {}, nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const auto before = DerOf(out);
    const bool found =
        row.byKeyId ? m_kernel.FindCertificateByKeyId(row.first.data(), static_cast<unsigned long>(row.first.size()),
                                                      row.serial.empty() ? nullptr : row.serial.data(),
                                                      static_cast<unsigned long>(row.serial.size()), out)
                    : m_kernel.FindCertificateBySubject(row.first.data(), static_cast<unsigned long>(row.first.size()), out);
    EXPECT_EQ(found, row.expected != nullptr);
    EXPECT_EQ(DerOf(out), row.expected != nullptr ? File(row.expected) : before) << "not found leaves out as it was";
  }
}

TEST_F(KernelStorageTest, TrustComesFromTheStoredCopy) {
  const std::int64_t root = Add("real/test-pki/root.cer");
  Add("real/test-pki/userfiz-foreign-signature.cer");
  store.SetTrusted(root, 1);
  m_kernel.SetCertStorage(static_cast<CertStorage*>(&store));
  EXPECT_TRUE(m_kernel.IsTrustedCert(LoadCertFile(m_kernel, "real/test-pki/root.cer")));
  EXPECT_FALSE(m_kernel.IsTrustedCert(LoadCertFile(m_kernel, "real/test-pki/userfiz-foreign-signature.cer")));
  // userfiz itself is not stored: same serial as its twin, another key identifier.
  try {
    m_kernel.IsTrustedCert(LoadCertFile(m_kernel, "real/test-pki/userfiz.cer"));
    ADD_FAILURE() << "no failure";
  } catch (const Kernel::CKernelException& e) {
    EXPECT_EQ(e.GetErrorCode(), 100053u);
    const std::string text = Utf8ForDisplay(e.GetErrorMessage());
    EXPECT_NE(text.find("Петров В.О."), std::string::npos) << text;
    EXPECT_NE(text.find("на знайдено в сховищі"), std::string::npos) << text;
  }
}

// Whatever the storage does, the query goes back; its coded failures reach the
// caller unchanged.
TEST_F(KernelStorageTest, QueriesAreReleasedOnEveryPath) {
  Add("real/test-pki/root.cer");
  CountingStorage counting(store);
  m_kernel.SetCertStorage(static_cast<CertStorage*>(&counting));
  const auto root = LoadCertFile(m_kernel, "real/test-pki/root.cer");
  const auto rootFields = Fields("real/test-pki/root.cer");
  Kernel::CKernelCertificate out(m_kernel);
  auto bySubject = [&] {
    m_kernel.FindCertificateBySubject(rootFields.subject.data(), static_cast<unsigned long>(rootFields.subject.size()), out);
  };
  auto trusted = [&] { m_kernel.IsTrustedCert(root); };
  const struct {
    const char* what;
    int failSlot;
    std::function<void()> call;
    unsigned long code;
  } rows[] = {
      {"found", -1, bySubject, 0},
      {"trusted", -1, trusted, 0},
      {"FindCertificates fails", 8, bySubject, 777008},
      {"GetCertificate fails", 6, bySubject, 777006},
      {"IsTrusted fails", 11, trusted, 777011},
      {"CreateQuery fails", 0, trusted, 777000},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    counting.failSlot = row.failSlot;
    EXPECT_EQ(CodeOf(row.call), row.code);
    EXPECT_EQ(counting.created, counting.released);
  }
  EXPECT_EQ(counting.created, 5);
}

TEST_F(KernelStorageTest, FindCrlWithoutStorageLeavesTheFlags) {
  const auto cert = LoadCertFile(m_kernel, "real/test-pki/userfiz.cer");
  Kernel::CKernelCRL base(m_kernel), delta(m_kernel);
  bool baseFound = true, deltaFound = true;
  EXPECT_EQ(CodeOf([&] { m_kernel.FindCRL(cert, base, baseFound, delta, deltaFound); }), 100020u);
  EXPECT_TRUE(baseFound && deltaFound);
}

// The published lists of two issuers, in either order: each certificate gets its
// own issuer's full and delta list, loaded as stored.
TEST_F(KernelStorageTest, FindCrlLoadsTheIssuersNewestLists) {
  const char* const lists[] = {"real/test-pki/delta.crl", "real/czo-2012-full-2016.crl", "real/test-pki/full.crl",
                               "real/czo-2012-delta-2016.crl"};
  for (const bool reversed : {false, true}) {
    SCOPED_TRACE(reversed ? "reversed" : "in order");
    TempDir other;
    SqliteCertStore lists2(other.File("store.db"));
    for (std::size_t i = 0; i < std::size(lists); ++i) lists2.Add(File(lists[reversed ? std::size(lists) - 1 - i : i]));
    m_kernel.SetCertStorage(static_cast<CertStorage*>(&lists2));
    // The lists are told by their numbers (the test PKI's lists do not re-encode
    // to their published bytes, so the DER is no measure).
    const struct {
      const char* cert;
      long long base, delta;  // CRL numbers, 0 for none found
    } rows[] = {
        {"real/test-pki/userur.cer", 291, 292},
        {"real/justice-ca-2015.cer", 17505, 17585},
        {"real/diia-test-sign-2022.cer", 0, 0},
    };
    for (const auto& row : rows) {
      SCOPED_TRACE(row.cert);
      Kernel::CKernelCRL base(m_kernel), delta(m_kernel);
      bool baseFound = row.base == 0, deltaFound = row.delta == 0;
      m_kernel.FindCRL(LoadCertFile(m_kernel, row.cert), base, baseFound, delta, deltaFound);
      EXPECT_EQ(baseFound, row.base != 0);
      EXPECT_EQ(deltaFound, row.delta != 0);
      if (baseFound) {
        EXPECT_EQ(base.GetSerialNo(), row.base);
        EXPECT_FALSE(base.IsDeltaCRL());
      }
      if (deltaFound) {
        EXPECT_EQ(delta.GetSerialNo(), row.delta);
        EXPECT_TRUE(delta.IsDeltaCRL());
      }
    }
  }
}

TEST_F(KernelStorageTest, FindCrlPassesStorageFailuresOn) {
  store.Add(File("real/test-pki/full.crl"));
  CountingStorage counting(store);
  counting.failSlot = 14;
  m_kernel.SetCertStorage(static_cast<CertStorage*>(&counting));
  Kernel::CKernelCRL base(m_kernel), delta(m_kernel);
  bool baseFound = true, deltaFound = true;
  EXPECT_EQ(CodeOf([&] {
              m_kernel.FindCRL(LoadCertFile(m_kernel, "real/test-pki/userfiz.cer"), base, baseFound, delta, deltaFound);
            }),
            777014u);
  EXPECT_FALSE(baseFound || deltaFound);
}

}  // namespace
}  // namespace tavrpki::test
