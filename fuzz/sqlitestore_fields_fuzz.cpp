// The SQLite store's DER field reader on arbitrary bytes: every input either
// gives fields or fails with FieldError, never reading outside the input. What it
// reads must lie inside the input and be consistent with the kind it reports.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "storage/sqlite/DerFields.h"

namespace {

using tavrpki::sqlitestore::ItemKind;

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    const auto fields = tavrpki::sqlitestore::ReadItemFields(std::span<const std::uint8_t>(data, size));
    Require(fields.issuer.size() < size && !fields.issuer.empty() && fields.issuer[0] == 0x30);
    if (fields.kind == ItemKind::kCertificate) {
      Require(!fields.serial.empty() && !fields.subject.empty() && fields.thisUpdate.empty() && !fields.delta);
    } else {
      Require(fields.thisUpdate.size() == 15 && fields.thisUpdate.back() == 'Z' && fields.subject.empty());
      Require(!fields.delta || !fields.baseNumber.empty());
    }
  } catch (const tavrpki::sqlitestore::FieldError&) {
  }
  return 0;
}
