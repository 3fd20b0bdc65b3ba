#include "core/OidTable.h"

#include <array>
#include <memory>
#include <mutex>

#include "core/Catalogue.h"
#include "core/RegistryHandler.h"

namespace tavrpki {
namespace {

// One immutable snapshot; a rebuild publishes a new one, so a reader holding the
// old snapshot never sees a half-written text.
struct Table {
  std::string root;
  std::array<std::string, 10> bySuffix;  // index = suffix; 0 and 7 stay empty
};

std::mutex& TableLock() {
  static std::mutex lock;
  return lock;
}

std::shared_ptr<const Table>& Current() {
  static std::shared_ptr<const Table> table;
  return table;
}

std::shared_ptr<const Table> Snapshot() {
  std::shared_ptr<const Table> table;
  {
    std::lock_guard<std::mutex> guard(TableLock());
    table = Current();
  }
  if (!table) Raise(kMsgOidNotInitialized);
  return table;
}

std::string Get(int suffix) { return Snapshot()->bySuffix[static_cast<std::size_t>(suffix)]; }

}  // namespace

void BuildOidTable() {
  auto table = std::make_shared<Table>();
  table->root = RegistryHandler::ReadString(false, "RootOID", std::string());
  for (int suffix : {1, 2, 3, 4, 5, 6, 8, 9})
    table->bySuffix[static_cast<std::size_t>(suffix)] = table->root + "." + std::to_string(suffix);
  std::shared_ptr<const Table> published = std::move(table);
  std::lock_guard<std::mutex> guard(TableLock());
  Current().swap(published);
  // The previous table is released after the lock, by `published`'s destructor.
}

std::string GetOidRoot() { return Snapshot()->root; }
std::string GetOidRoot1() { return Get(1); }
std::string GetOidRoot2() { return Get(2); }
std::string GetOidRoot3() { return Get(3); }
std::string GetOidRoot4() { return Get(4); }
std::string GetOidRoot5() { return Get(5); }
std::string GetOidRoot6() { return Get(6); }
std::string GetOidRoot8() { return Get(8); }
std::string GetOidRoot9() { return Get(9); }

}  // namespace tavrpki
