// A configuration hive written for this process alone. The library reads its
// configuration from hive files named by environment variables; the tool points
// one of them at a private file for as long as the object lives, then restores
// the variable and removes the file.
#pragma once

#include <string>

namespace tavrpki::tool {

class PrivateHive {
 public:
  // Remembers `variable`'s value; nothing changes until Write.
  explicit PrivateHive(const char* variable);
  ~PrivateHive();
  PrivateHive(const PrivateHive&) = delete;
  PrivateHive& operator=(const PrivateHive&) = delete;

  // The variable's value before, or null when it was unset.
  const std::string* Previous() const { return m_hadPrevious ? &m_previous : nullptr; }

  // Writes `text` to a new file <$TMPDIR or /tmp>/<name>.XXXXXX and points the
  // variable at it. On failure returns false with the file's path (and the
  // system's reason when there is one) in `failure`; no file is left and the
  // variable is unchanged.
  bool Write(const std::string& name, const std::string& text, std::string& failure);

  // `text` as a quoted value of a hive line: backslashes and quotes escaped.
  static std::string Escaped(const std::string& text);

 private:
  const char* m_variable;
  std::string m_hive;  // the private file, empty until written
  std::string m_previous;
  bool m_hadPrevious = false;
};

}  // namespace tavrpki::tool
