// What the store says of a serial, for the CA the responder answers for, beyond
// what the responder's answers show: the CA's records against its lists.
#include <stdexcept>

#include "CertStatusSource.h"
#include "Fixture.h"

namespace tavrpki::test {
namespace {

using servers::CertStatus;
using servers::LoopbackPki;

class StatusSourceTest : public ResponderPkiTest {};

// The CA's records decide over its lists: a revocation recorded after the list
// was made counts at once, and a lifted hold is good although the list still
// names the certificate.
TEST_F(StatusSourceTest, RecordsDecideOverLists) {
  const auto store = MakeStore("records.db");
  servers::StoreStatusSource source(*store, LoopbackPki::Der(Pki().ca));
  const auto good = LoopbackPki::Serial(Pki().good);
  const auto revoked = LoopbackPki::Serial(Pki().revoked);
  store->RecordRevocation(source.CaKeyId(), good, "20260102030405Z", 4);
  store->RecordRevocation(source.CaKeyId(), revoked, "20260102030405Z", SqliteCertStore::kReasonCertificateHold);
  ASSERT_TRUE(store->LiftHold(source.CaKeyId(), revoked, "20260103000000Z"));

  const CertStatus now = source.Find(good);
  EXPECT_EQ(now.kind, CertStatus::Kind::kRevoked);
  EXPECT_EQ(now.reason, 4u);
  EXPECT_EQ(std::make_tuple(now.revocationTime.wYear, now.revocationTime.wMonth, now.revocationTime.wDay,
                            now.revocationTime.wHour, now.revocationTime.wMinute, now.revocationTime.wSecond),
            std::make_tuple(2026, 1, 2, 3, 4, 5));
  EXPECT_EQ(source.Find(revoked).kind, CertStatus::Kind::kGood);
}

TEST_F(StatusSourceTest, RefusesCaMissingFromTheStore) {
  const auto store = MakeStore("other.db");
  EXPECT_THROW(servers::StoreStatusSource(*store, LoopbackPki::Der(Pki().unissued)), std::runtime_error);
}

}  // namespace
}  // namespace tavrpki::test
