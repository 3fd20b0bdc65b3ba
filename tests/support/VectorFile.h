// Reader of known-answer vector files (tests/data/*.vec and the fact-sheet format).
//
//   # comment
//   [Section]            optional; applies to the records that follow
//   key = value          one record is a block of such lines; a blank line ends it
//
// Every record must have each of its keys read by the test (`ExpectAllUsed`), so a
// misspelt or forgotten key fails the run instead of being skipped silently.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace tavrpki::test {

class Vector {
 public:
  std::string section;
  std::string file;
  int line = 0;

  bool Has(const std::string& key) const;
  // The value; a missing key fails the current test and returns "".
  const std::string& Get(const std::string& key) const;
  // The value read as hexadecimal bytes in text order (either case, blanks ignored).
  std::vector<std::uint8_t> Bytes(const std::string& key) const;
  // Marks a key read without reading it.
  void Skip(const std::string& key) const;
  // Fails the current test for every key no test read.
  void ExpectAllUsed() const;
  std::string Where() const;  // "file:line [section]" for failure messages

  std::map<std::string, std::string> fields;

 private:
  mutable std::set<std::string> m_used;
};

// Reads a file under tests/data (a relative path) or an absolute path; a missing
// or empty file fails the current test.
std::vector<Vector> ReadVectorFile(const std::string& path);

std::string DataPath(const std::string& relative);
std::vector<std::uint8_t> ReadFileBytes(const std::string& path);
std::vector<std::uint8_t> FromHex(const std::string& hex);
// The blank-separated words of a value.
std::vector<std::string> Words(const std::string& text);
std::string ToHex(const std::uint8_t* data, std::size_t size);
inline std::string ToHex(const std::vector<std::uint8_t>& bytes) {
  return ToHex(bytes.data(), bytes.size());
}

}  // namespace tavrpki::test
