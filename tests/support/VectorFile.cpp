#include "support/VectorFile.h"

#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <sstream>

namespace tavrpki::test {
namespace {

std::string Trim(const std::string& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
  return s.substr(b, e - b);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string DataPath(const std::string& relative) {
  if (!relative.empty() && relative[0] == '/') return relative;
  return std::string(TAVRPKI_TEST_DATA_DIR) + "/" + relative;
}

std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream in(DataPath(path), std::ios::binary);
  EXPECT_TRUE(in.good()) << "cannot open " << DataPath(path);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::uint8_t> FromHex(const std::string& hex) {
  std::vector<std::uint8_t> out;
  int high = -1;
  for (char c : hex) {
    if (std::isspace(static_cast<unsigned char>(c))) continue;
    const int d = HexDigit(c);
    if (d < 0) {
      ADD_FAILURE() << "not a hex digit '" << c << "' in " << hex;
      return {};
    }
    if (high < 0) {
      high = d;
    } else {
      out.push_back(static_cast<std::uint8_t>(high << 4 | d));
      high = -1;
    }
  }
  if (high >= 0) ADD_FAILURE() << "odd number of hex digits in " << hex;
  return out;
}

std::string ToHex(const std::uint8_t* data, std::size_t size) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(size * 2);
  for (std::size_t i = 0; i < size; ++i) {
    out.push_back(kDigits[data[i] >> 4]);
    out.push_back(kDigits[data[i] & 15]);
  }
  return out;
}

bool Vector::Has(const std::string& key) const { return fields.count(key) != 0; }

const std::string& Vector::Get(const std::string& key) const {
  static const std::string kEmpty;
  auto it = fields.find(key);
  if (it == fields.end()) {
    ADD_FAILURE() << Where() << ": missing key '" << key << "'";
    return kEmpty;
  }
  m_used.insert(key);
  return it->second;
}

std::vector<std::uint8_t> Vector::Bytes(const std::string& key) const { return FromHex(Get(key)); }

void Vector::Skip(const std::string& key) const { m_used.insert(key); }

void Vector::ExpectAllUsed() const {
  for (const auto& [key, value] : fields)
    if (!m_used.count(key)) ADD_FAILURE() << Where() << ": key '" << key << "' is never read";
}

std::string Vector::Where() const {
  return file + ":" + std::to_string(line) + (section.empty() ? "" : " [" + section + "]");
}

std::vector<Vector> ReadVectorFile(const std::string& path) {
  std::ifstream in(DataPath(path));
  EXPECT_TRUE(in.good()) << "cannot open " << DataPath(path);
  std::vector<Vector> records;
  std::string section, raw;
  Vector current;
  int lineNo = 0;
  auto flush = [&] {
    if (!current.fields.empty()) records.push_back(current);
    current = Vector{};
  };
  while (std::getline(in, raw)) {
    ++lineNo;
    const std::string line = Trim(raw);
    if (line.empty()) {
      flush();
      continue;
    }
    if (line[0] == '#') continue;
    if (line.front() == '[' && line.back() == ']') {
      flush();
      section = line.substr(1, line.size() - 2);
      continue;
    }
    const auto eq = line.find('=');
    if (eq == std::string::npos) {
      ADD_FAILURE() << path << ":" << lineNo << ": not a 'key = value' line";
      continue;
    }
    if (current.fields.empty()) {
      current.section = section;
      current.file = path;
      current.line = lineNo;
    }
    const std::string key = Trim(line.substr(0, eq));
    if (current.fields.count(key))
      ADD_FAILURE() << path << ":" << lineNo << ": key '" << key << "' repeated in one record";
    current.fields[key] = Trim(line.substr(eq + 1));
  }
  flush();
  EXPECT_FALSE(records.empty()) << path << " holds no vectors";
  return records;
}

std::vector<std::string> Words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

}  // namespace tavrpki::test
