// The configuration hive reader: any text either parses or is refused, never a
// crash or a read past the input; a parsed file answers lookups of any key.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/RegFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto file = tavrpki::RegFile::Parse(text);
  if (!file) return 0;
  for (std::string_view key : {"HKEY_LOCAL_MACHINE\\SOFTWARE\\TAVR_PKI", "HKEY_CURRENT_USER\\SOFTWARE\\TAVR_PKI"}) {
    const auto* values = file->FindKey(key);
    if (values == nullptr) continue;
    for (const auto& [name, value] : *values)
      if (value.type != tavrpki::RegValue::kString && !value.text.empty()) std::abort();
  }
  return 0;
}
