// Reader of the Windows `.reg` export syntax, the format of the configuration hives:
//
//   Windows Registry Editor Version 5.00        (or REGEDIT4; optional)
//   ; comment
//   [HKEY_LOCAL_MACHINE\SOFTWARE\TAVR_PKI]
//   "APILogFile"="/var/log/tavr-pki"            REG_SZ; \\ and \" are escapes
//   "UseLog"=dword:00000001                     REG_DWORD, 1 to 8 hex digits
//   "Other"=hex(2):41,00,\                      any other type, continued lines
//     42,00
//   @="text"                                    the key's default value
//   "Gone"=-                                    value removed
//
// Key and value names compare without regard to ASCII case, as the registry's do.
// A later line for the same value replaces the earlier one; sections for the same
// key merge; a section written "[-KEY]" is ignored. Files are UTF-8 (a byte order
// mark is skipped) or, as Registry Editor exports them, UTF-16LE with its byte
// order mark; texts come back as UTF-8.
//
// A line the syntax does not allow is skipped and recorded as a problem (its line
// number, the value name when one could be read, and why), and the lines after it
// still count: one typo costs one value, not the whole file. After a malformed
// section header the values up to the next good header are skipped with it, since
// their key is unknown. Only a UTF-16 file that is not well-formed UTF-16 is
// refused whole.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavrpki {

struct RegValue {
  enum Type : std::uint32_t { kNone = 0, kString = 1, kExpandString = 2, kBinary = 3, kDword = 4, kMultiString = 7 };
  std::uint32_t type = kNone;  // REG_SZ, REG_DWORD, ... by their Windows numbers
  std::string text;            // kString only: the bytes between the quotes, unescaped
  std::uint32_t dword = 0;     // kDword only
};

struct RegProblem {
  std::size_t line = 0;  // 1-based physical line where the entry starts
  std::string name;      // the value's name when it could be read
  std::string reason;
};

class RegFile {
 public:
  // Problems beyond this many are counted but not kept (hostile files stay cheap).
  static constexpr std::size_t kMaxProblemsKept = 32;

  // The parsed file, or nothing when it is UTF-16 that is not well formed.
  static std::optional<RegFile> Parse(std::string_view text);

  // The skipped lines, in file order (at most kMaxProblemsKept), and how many there were.
  const std::vector<RegProblem>& Problems() const { return m_problems; }
  std::size_t ProblemCount() const { return m_problemCount; }

  // The key's values (key path as written in the brackets, e.g.
  // "HKEY_CURRENT_USER\SOFTWARE\TAVR_PKI"), or null when the file has no such section.
  const std::map<std::string, RegValue>* FindKey(std::string_view path) const;

 private:
  void AddProblem(std::size_t line, std::string name, const char* reason);

  std::vector<RegProblem> m_problems;
  std::size_t m_problemCount = 0;
  // Keys and value names are stored upper-cased (ASCII) so lookups ignore case.
  std::map<std::string, std::map<std::string, RegValue>> m_keys;
};

}  // namespace tavrpki
