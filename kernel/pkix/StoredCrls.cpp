#include "kernel/pkix/StoredCrls.h"

#include <exception>
#include <new>

#include "core/ExceptionBase.h"
#include "ext/PKIDeltaCRLIndicator.h"

namespace tavrpki {
namespace {

constexpr const char* kCrlNumberOid = "2.5.29.20";
constexpr const char* kDeltaIndicatorOid = "2.5.29.27";

struct Gathering {
  const ASN1Name* issuer;
  std::vector<StoredCrl>* lists;
  std::exception_ptr failure;  // the first failure that is not a bad list
};

// The library's callbacks answer 1 whatever happens: a bad list is skipped, and
// anything else is kept for after the walk, so no exception crosses the storage.
std::int32_t TAVRPKI_STORAGE_CALLBACK Collect(void* context, std::int64_t, const std::uint8_t* der,
                                              std::uint32_t length) {
  auto& gathering = *static_cast<Gathering*>(context);
  if (gathering.failure || der == nullptr || length == 0) return 1;
  try {
    StoredCrl list;
    list.der.Assign(ByteView(der, length));
    list.crl.Decode(list.der.View());
    if (!list.crl.TBSCertList().Issuer().Equals(*gathering.issuer)) return 1;
    const ExtensionsCollection& extensions = list.crl.TBSCertList().CrlExtensions();
    list.hasNumber = extensions.Find(kCrlNumberOid) != nullptr;
    if (const ASN1CertExtension* indicator = extensions.Find(kDeltaIndicatorOid)) {
      PKIDeltaCRLIndicator value;
      value.FromExtension(*indicator);
      list.baseNumber = value.GetBaseCRLNumber();
      list.delta = true;
    }
    gathering.lists->push_back(std::move(list));
  } catch (const ExceptionBase&) {
    // A list that does not decode is not this issuer's newest list.
  } catch (...) {
    gathering.failure = std::current_exception();
  }
  return 1;
}

const ASN1Integer& Number(const StoredCrl& list) { return list.crl.TBSCertList().CrlNumber(); }

}  // namespace

std::vector<StoredCrl> GatherCrls(CertStorage& storage, const ASN1Name& issuer) {
  std::vector<StoredCrl> lists;
  Gathering gathering{&issuer, &lists, nullptr};
  storage.EnumerateCRLs(&gathering, &Collect);
  if (gathering.failure) std::rethrow_exception(gathering.failure);
  return lists;
}

CrlChoice ChooseCrls(const std::vector<StoredCrl>& lists) {
  CrlChoice choice;
  for (std::size_t i = 0; i < lists.size(); ++i) {
    const StoredCrl& list = lists[i];
    if (list.delta) continue;
    if (!choice.base) {
      choice.base = i;
      continue;
    }
    const StoredCrl& chosen = lists[*choice.base];
    const bool newer = chosen.hasNumber && list.hasNumber
                           ? Number(chosen) < Number(list)
                           : list.crl.TBSCertList().ThisUpdate().GreaterOrEqual(chosen.crl.TBSCertList().ThisUpdate());
    if (newer) choice.base = i;
  }
  if (!choice.base) return choice;
  const ASN1Integer& baseNumber = Number(lists[*choice.base]);
  for (std::size_t i = 0; i < lists.size(); ++i) {
    const StoredCrl& list = lists[i];
    if (!list.delta) continue;
    if (!choice.delta) {
      choice.delta = i;
      continue;
    }
    if (Number(lists[*choice.delta]) < Number(list) && Number(list) >= baseNumber && list.baseNumber <= baseNumber)
      choice.delta = i;
  }
  return choice;
}

}  // namespace tavrpki
