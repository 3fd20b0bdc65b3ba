// The configuration hive reader: any text parses (or, as UTF-16 that is not, is
// refused) without a crash or a read past the input. Skipped lines are counted,
// kept in file order up to the bound, and numbered within the file; every value
// kept is well typed; and a well-formed value appended after whatever the text
// holds still reads, as one bad line must never cost the lines after it.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/RegFile.h"

using tavrpki::RegFile;
using tavrpki::RegValue;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto file = RegFile::Parse(text);
  if (!file) {
    if (text.substr(0, 2) != "\xFF\xFE") std::abort();  // only UTF-16 is refused whole
    return 0;
  }
  std::size_t lines = 1;
  for (const char c : text) lines += c == '\n' ? 1 : 0;
  const auto& problems = file->Problems();
  if (problems.size() > RegFile::kMaxProblemsKept || problems.size() > file->ProblemCount()) std::abort();
  if (file->ProblemCount() > RegFile::kMaxProblemsKept && problems.size() != RegFile::kMaxProblemsKept)
    std::abort();
  for (std::size_t i = 0; i < problems.size(); ++i) {
    if (problems[i].reason.empty() || problems[i].line == 0) std::abort();
    if (text.substr(0, 2) != "\xFF\xFE" && problems[i].line > lines) std::abort();
    if (i > 0 && problems[i].line < problems[i - 1].line) std::abort();
  }
  for (std::string_view key : {"HKEY_LOCAL_MACHINE\\SOFTWARE\\TAVR_PKI", "HKEY_CURRENT_USER\\SOFTWARE\\TAVR_PKI"}) {
    const auto* values = file->FindKey(key);
    if (values == nullptr) continue;
    for (const auto& [name, value] : *values)
      if (value.type != RegValue::kString && !value.text.empty()) std::abort();
  }
  if (text.substr(0, 2) == "\xFF\xFE" || text.substr(0, 3) == "\xEF\xBB\xBF") return 0;
  // A hex list ending in '\' continues onto the next line by design: no probe then.
  const std::size_t last = text.find_last_not_of(" \t\r\n");
  if (last != std::string_view::npos && text[last] == '\\') return 0;
  // A good section and value after the text (on a line of their own) always read.
  std::string more(text);
  more += "\n[FUZZ\\KEY]\n\"Probe\"=dword:0000002a\n";
  const auto extended = RegFile::Parse(more);
  const auto* values = extended ? extended->FindKey("fuzz\\key") : nullptr;
  const auto probe = values != nullptr ? values->find("PROBE") : decltype(values->end()){};
  if (values == nullptr || probe == values->end() || probe->second.dword != 42) std::abort();
  return 0;
}
