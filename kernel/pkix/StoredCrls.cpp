#include "kernel/pkix/StoredCrls.h"

#include <algorithm>
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
    // The header is read from the storage's bytes; only this issuer's lists are copied.
    list.header.DecodeHeader(ByteView(der, length));
    if (!list.header.TBSCertList().Issuer().Equals(*gathering.issuer)) return 1;
    list.der.Assign(ByteView(der, length));
    const ExtensionsCollection& extensions = list.header.TBSCertList().CrlExtensions();
    list.hasNumber = extensions.Find(kCrlNumberOid) != nullptr;
    if (const ASN1CertExtension* indicator = extensions.Find(kDeltaIndicatorOid)) {
      PKIDeltaCRLIndicator value;
      value.FromExtension(*indicator);
      list.baseNumber = value.GetBaseCRLNumber();
      list.delta = true;
    }
    gathering.lists->push_back(std::move(list));
  } catch (const ExceptionBase&) {
    // A list whose header does not decode is not this issuer's newest list.
  } catch (...) {
    gathering.failure = std::current_exception();
  }
  return 1;
}

const ASN1Integer& Number(const StoredCrl& list) { return list.header.TBSCertList().CrlNumber(); }
const DateTime& ThisUpdate(const StoredCrl& list) { return list.header.TBSCertList().ThisUpdate(); }

// Whether the list decodes in full; decoded once, then remembered.
bool Decodes(StoredCrl& list) {
  if (!list.decodes) {
    try {
      ASN1CRL whole;
      whole.Decode(list.der.View());
      list.decodes = true;
    } catch (const ExceptionBase&) {
      list.decodes = false;
    }
  }
  return *list.decodes;
}

// Indices in the order "greatest CRL number first, the earlier list first among
// equals": trying them in this order and keeping the first that decodes gives the
// first greatest among those that decode.
std::vector<std::size_t> GreatestFirst(const std::vector<StoredCrl>& lists, std::vector<std::size_t> indices) {
  std::stable_sort(indices.begin(), indices.end(),
                   [&](std::size_t a, std::size_t b) { return Number(lists[b]) < Number(lists[a]); });
  return indices;
}

std::optional<std::size_t> FirstThatDecodes(std::vector<StoredCrl>& lists, const std::vector<std::size_t>& order) {
  for (const std::size_t i : order)
    if (Decodes(lists[i])) return i;
  return std::nullopt;
}

std::optional<std::size_t> ChooseBase(std::vector<StoredCrl>& lists) {
  std::vector<std::size_t> bases;
  bool allNumbered = true;
  for (std::size_t i = 0; i < lists.size(); ++i) {
    if (lists[i].delta) continue;
    bases.push_back(i);
    allNumbered = allNumbered && lists[i].hasNumber;
  }
  // With numbers on every list the scan below keeps the first greatest number.
  if (allNumbered) return FirstThatDecodes(lists, GreatestFirst(lists, bases));
  // Mixed or missing numbers compare by thisUpdate where either lacks one, which
  // is no order, so the scan runs as written, a list decoded when it would win.
  std::optional<std::size_t> choice;
  for (const std::size_t i : bases) {
    const StoredCrl& list = lists[i];
    bool newer = true;
    if (choice) {
      const StoredCrl& chosen = lists[*choice];
      newer = chosen.hasNumber && list.hasNumber ? Number(chosen) < Number(list)
                                                 : ThisUpdate(list).GreaterOrEqual(ThisUpdate(chosen));
    }
    if (newer && Decodes(lists[i])) choice = i;
  }
  return choice;
}

// The first delta, replaced only by deltas that fit the base and are numbered
// above it: so the result is the first greatest of those above the first delta,
// or the first delta.
std::optional<std::size_t> ChooseDelta(std::vector<StoredCrl>& lists, const ASN1Integer& baseNumber) {
  std::vector<std::size_t> deltas;
  for (std::size_t i = 0; i < lists.size(); ++i)
    if (lists[i].delta) deltas.push_back(i);
  std::size_t at = 0;
  while (at < deltas.size() && !Decodes(lists[deltas[at]])) ++at;
  if (at == deltas.size()) return std::nullopt;
  const std::size_t first = deltas[at];
  std::vector<std::size_t> later;
  for (std::size_t k = at + 1; k < deltas.size(); ++k) {
    const StoredCrl& list = lists[deltas[k]];
    if (Number(lists[first]) < Number(list) && Number(list) >= baseNumber && list.baseNumber <= baseNumber)
      later.push_back(deltas[k]);
  }
  return FirstThatDecodes(lists, GreatestFirst(lists, later)).value_or(first);
}

}  // namespace

std::vector<StoredCrl> GatherCrls(CertStorage& storage, const ASN1Name& issuer) {
  std::vector<StoredCrl> lists;
  Gathering gathering{&issuer, &lists, nullptr};
  storage.EnumerateCRLs(&gathering, &Collect);
  if (gathering.failure) std::rethrow_exception(gathering.failure);
  return lists;
}

CrlChoice ChooseCrls(std::vector<StoredCrl>& lists) {
  CrlChoice choice;
  choice.base = ChooseBase(lists);
  if (choice.base) choice.delta = ChooseDelta(lists, Number(lists[*choice.base]));
  return choice;
}

}  // namespace tavrpki
