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
// order mark; texts come back as UTF-8. Anything else the syntax does not allow
// makes the whole file malformed.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace tavrpki {

struct RegValue {
  enum Type : std::uint32_t { kNone = 0, kString = 1, kExpandString = 2, kBinary = 3, kDword = 4, kMultiString = 7 };
  std::uint32_t type = kNone;  // REG_SZ, REG_DWORD, ... by their Windows numbers
  std::string text;            // kString only: the bytes between the quotes, unescaped
  std::uint32_t dword = 0;     // kDword only
};

class RegFile {
 public:
  // The parsed file, or nothing when it is malformed.
  static std::optional<RegFile> Parse(std::string_view text);

  // The key's values (key path as written in the brackets, e.g.
  // "HKEY_CURRENT_USER\SOFTWARE\TAVR_PKI"), or null when the file has no such section.
  const std::map<std::string, RegValue>* FindKey(std::string_view path) const;

 private:
  // Keys and value names are stored upper-cased (ASCII) so lookups ignore case.
  std::map<std::string, std::map<std::string, RegValue>> m_keys;
};

}  // namespace tavrpki
