#include "core/RegFile.h"

#include "platform/Utf8.h"

#include <vector>

namespace tavrpki {
namespace {

std::string Upper(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
    text.remove_suffix(1);
  return text;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && Upper(text.substr(0, prefix.size())) == prefix;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads a quoted string at the start of `rest` (which begins with '"'), unescaping
// \\ and \", and advances `rest` past the closing quote.
std::optional<std::string> ReadQuoted(std::string_view& rest) {
  std::string out;
  std::size_t i = 1;
  for (; i < rest.size() && rest[i] != '"'; ++i) {
    if (rest[i] == '\\') {
      if (i + 1 >= rest.size() || (rest[i + 1] != '\\' && rest[i + 1] != '"')) return std::nullopt;
      ++i;
    }
    out.push_back(rest[i]);
  }
  if (i >= rest.size()) return std::nullopt;
  rest.remove_prefix(i + 1);
  return out;
}

// Nothing but blanks and an optional comment may follow a value.
bool OnlyCommentLeft(std::string_view rest) {
  rest = Trim(rest);
  return rest.empty() || rest.front() == ';';
}

std::optional<std::uint32_t> ParseDword(std::string_view digits) {
  digits = Trim(digits);
  if (digits.empty() || digits.size() > 8) return std::nullopt;
  std::uint32_t value = 0;
  for (char c : digits) {
    const int d = HexDigit(c);
    if (d < 0) return std::nullopt;
    value = value << 4 | static_cast<std::uint32_t>(d);
  }
  return value;
}

// "hex:..." or "hex(N):..." after the '=': a comma-separated byte list. Only the
// type matters to the library, but the bytes are checked so typos are found.
std::optional<std::uint32_t> ParseHexType(std::string_view data) {
  std::uint32_t type = RegValue::kBinary;
  data.remove_prefix(3);  // "hex"
  if (!data.empty() && data.front() == '(') {
    const std::size_t close = data.find(')');
    if (close == std::string_view::npos || close == 1 || close > 9) return std::nullopt;
    const auto number = ParseDword(data.substr(1, close - 1));
    if (!number) return std::nullopt;
    type = *number;
    data.remove_prefix(close + 1);
  }
  if (data.empty() || data.front() != ':') return std::nullopt;
  data.remove_prefix(1);
  std::size_t start = 0;
  while (start < data.size()) {
    std::size_t comma = data.find(',', start);
    if (comma == std::string_view::npos) comma = data.size();
    const std::string_view byte = Trim(data.substr(start, comma - start));
    if (byte.size() != 2 || HexDigit(byte[0]) < 0 || HexDigit(byte[1]) < 0) {
      if (comma == data.size() && OnlyCommentLeft(byte)) break;  // trailing comment
      return std::nullopt;
    }
    start = comma + 1;
  }
  return type;
}

struct LogicalLine {
  std::size_t number = 0;  // physical line it starts on
  std::string text;
};

// Splits the text into logical lines: a line ending in '\' outside quotes after
// a hex list continues on the next one.
std::vector<LogicalLine> LogicalLines(std::string_view text) {
  std::vector<LogicalLine> lines;
  std::string current;
  bool continuing = false;
  std::size_t number = 0, start = 0;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = Trim(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    ++number;
    if (continuing) {
      current.append(line);
    } else {
      current.assign(line);
      start = number;
    }
    continuing = !current.empty() && current.back() == '\\' &&
                 current.find("=hex") != std::string::npos;
    if (continuing) {
      current.pop_back();
      continue;
    }
    lines.push_back({start, std::move(current)});
    current.clear();
  }
  if (continuing) lines.push_back({start, std::move(current)});
  return lines;
}

// Registry Editor exports UTF-16LE with a byte order mark; read such a file as
// UTF-8. Nothing when the text is not well-formed UTF-16.
std::optional<std::string> Utf16LeToUtf8(std::string_view bytes) {
  if (bytes.size() % 2 != 0) return std::nullopt;
  std::string out;
  out.reserve(bytes.size() / 2);
  auto unit = [&](std::size_t i) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[2 * i])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[2 * i + 1])) << 8;
  };
  const std::size_t units = bytes.size() / 2;
  for (std::size_t i = 0; i < units; ++i) {
    std::uint32_t cp = unit(i);
    if (cp >= 0xDC00 && cp <= 0xDFFF) return std::nullopt;
    if (cp >= 0xD800 && cp <= 0xDBFF) {
      if (i + 1 >= units || unit(i + 1) < 0xDC00 || unit(i + 1) > 0xDFFF) return std::nullopt;
      cp = 0x10000 + ((cp - 0xD800) << 10) + (unit(i + 1) - 0xDC00);
      ++i;
    }
    platform::AppendUtf8(out, cp);
  }
  return out;
}

}  // namespace

void RegFile::AddProblem(std::size_t line, std::string name, const char* reason) {
  ++m_problemCount;
  if (m_problems.size() < kMaxProblemsKept) m_problems.push_back({line, std::move(name), reason});
}

std::optional<RegFile> RegFile::Parse(std::string_view text) {
  if (text.substr(0, 2) == "\xFF\xFE") {
    const auto utf8 = Utf16LeToUtf8(text.substr(2));
    if (!utf8) return std::nullopt;
    return Parse(*utf8);
  }
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  RegFile file;
  std::map<std::string, RegValue>* section = nullptr;
  // Where values go: kNone before any header, kSkipped after a "[-KEY]" or a
  // malformed header (values read but dropped), kKey inside a section.
  enum class Place { kNone, kSkipped, kKey } place = Place::kNone;
  bool first = true;
  for (const LogicalLine& stored : LogicalLines(text)) {
    const std::string_view line = stored.text;
    const std::size_t number = stored.number;
    const bool isFirst = first;
    if (!line.empty()) first = false;
    if (line.empty() || line.front() == ';') continue;
    if (line == "Windows Registry Editor Version 5.00" || line == "REGEDIT4") {
      if (!isFirst) file.AddProblem(number, {}, "a format header only belongs on the first line");
      continue;
    }
    if (line.front() == '[') {
      const std::size_t close = line.rfind(']');
      if (close == std::string_view::npos || close < 2 || !OnlyCommentLeft(line.substr(close + 1))) {
        file.AddProblem(number, {}, "malformed key header; its values are skipped");
        section = nullptr;
        place = Place::kSkipped;
        continue;
      }
      const std::string_view path = line.substr(1, close - 1);
      section = path.front() == '-' ? nullptr : &file.m_keys[Upper(path)];
      place = section == nullptr ? Place::kSkipped : Place::kKey;
      continue;
    }

    std::string_view rest = line;
    std::string name;
    if (rest.front() == '@') {
      rest.remove_prefix(1);
    } else if (rest.front() == '"') {
      auto quoted = ReadQuoted(rest);
      if (!quoted) {
        file.AddProblem(number, {}, "malformed value name");
        continue;
      }
      name = std::move(*quoted);
    } else {
      file.AddProblem(number, {}, "neither a key header nor a value");
      continue;
    }
    if (place == Place::kNone) {
      file.AddProblem(number, name, "a value before any key header");
      continue;
    }
    rest = Trim(rest);
    if (rest.empty() || rest.front() != '=') {
      file.AddProblem(number, name, "no '=' after the value name");
      continue;
    }
    rest = Trim(rest.substr(1));

    RegValue value;
    bool removed = false;
    const char* problem = nullptr;
    if (!rest.empty() && rest.front() == '"') {
      auto quoted = ReadQuoted(rest);
      if (!quoted)
        problem = "unterminated text or unknown escape";
      else if (!OnlyCommentLeft(rest))
        problem = "text after the closing quote";
      else {
        value.type = RegValue::kString;
        value.text = std::move(*quoted);
      }
    } else if (StartsWithNoCase(rest, "DWORD:")) {
      std::string_view digits = rest.substr(6);
      const std::size_t comment = digits.find(';');
      const auto number32 = ParseDword(digits.substr(0, comment));
      if (!number32) {
        problem = "a dword needs 1 to 8 hexadecimal digits";
      } else {
        value.type = RegValue::kDword;
        value.dword = *number32;
      }
    } else if (StartsWithNoCase(rest, "HEX")) {
      const auto type = ParseHexType(rest);
      if (!type)
        problem = "malformed hex value";
      else
        value.type = *type;
    } else if (!rest.empty() && rest.front() == '-' && OnlyCommentLeft(rest.substr(1))) {
      removed = true;
    } else {
      problem = "unknown value type";
    }
    if (problem != nullptr) {
      file.AddProblem(number, name, problem);
      continue;
    }
    if (section == nullptr) continue;
    if (removed)
      section->erase(Upper(name));
    else
      (*section)[Upper(name)] = std::move(value);
  }
  return file;
}

const std::map<std::string, RegValue>* RegFile::FindKey(std::string_view path) const {
  const auto it = m_keys.find(Upper(path));
  return it == m_keys.end() ? nullptr : &it->second;
}

}  // namespace tavrpki
