#include "core/Logger.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/Catalogue.h"
#include "core/Crc32.h"
#include "platform/Time.h"

namespace tavrpki {
namespace {

constexpr std::size_t kTrailerSize = 8;
constexpr std::size_t kReadChunk = 65535;

const char* kCorruptionText = Cp1251<"!!! Файл пошкождено !!!">;

std::span<const std::uint8_t> Bytes(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::string FormatV(const char* format, va_list args) {
  va_list measure;
  va_copy(measure, args);
  const int needed = std::vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  if (needed <= 0) return std::string();
  std::string text(static_cast<std::size_t>(needed), '\0');
  std::vsnprintf(text.data(), text.size() + 1, format, args);
  return text;
}

// "yy.mm.dd hh:mm:ss.mmm [lvl] message\r\n" in local time.
std::string BuildLine(int level, const std::string& message, const SYSTEMTIME& now) {
  char stamp[64];  // room for any WORD values, so the compiler can prove no truncation
  std::snprintf(stamp, sizeof stamp, "%02d.%02d.%02d %02d:%02d:%02d.%03u ", now.wYear % 100, now.wMonth,
                now.wDay, now.wHour, now.wMinute, now.wSecond, static_cast<unsigned>(now.wMilliseconds));
  std::string line = stamp;
  static const char* const kLevels[] = {"[inf] ", "[wrn] ", "[err] "};
  if (level >= 0 && level <= 2) line += kLevels[level];
  line += message;
  line += "\r\n";
  return line;
}

int MonthOf(const SYSTEMTIME& now) { return now.wYear * 100 + now.wMonth; }

std::string FileName(const std::string& directory, const std::string& prefix, const SYSTEMTIME& now) {
  char month[8];
  std::snprintf(month, sizeof month, "%02d%02d", now.wYear % 100, now.wMonth);
  std::string name = directory;
  if (!name.empty() && name.back() != '/') name += '/';
  return name + prefix + month + ".log";
}

// The trailer as the log's closer wrote it: hexadecimal read the way "%X" reads it.
bool ParseTrailer(std::span<const std::uint8_t> trailer, std::uint32_t& value) {
  if (trailer.size() != kTrailerSize) return false;
  char text[kTrailerSize + 1] = {};
  std::memcpy(text, trailer.data(), kTrailerSize);
  unsigned parsed = 0;
  if (std::sscanf(text, "%X", &parsed) != 1) return false;
  value = parsed;
  return true;
}

}  // namespace

bool LogTrailerMatches(std::uint32_t contentCrc, std::span<const std::uint8_t> trailer) {
  std::uint32_t written = 0;
  return ParseTrailer(trailer, written) && written == contentCrc;
}

bool LogFileIntact(std::span<const std::uint8_t> file) {
  if (file.size() < kTrailerSize) return false;
  const std::size_t content = file.size() - kTrailerSize;
  return LogTrailerMatches(Crc32(file.first(content)), file.subspan(content));
}

Logger::~Logger() { Close(); }

void Logger::WriteV(int verbosity, int level, const char* format, va_list args) {
  std::lock_guard<std::mutex> guard(m_lock);
  if (!m_file.IsOpen() || verbosity > kMaxVerbosity) return;
  SYSTEMTIME now{};
  GetLocalTime(&now);
  FollowPathLocked(now);
  if (!m_file.IsOpen()) return;
  WriteLocked(Bytes(BuildLine(level, FormatV(format, args), now)));
}

void Logger::Write(int verbosity, int level, const char* format, ...) {
  va_list args;
  va_start(args, format);
  WriteV(verbosity, level, format, args);
  va_end(args);
}

void Logger::WriteHex(int verbosity, int level, std::span<const std::uint8_t> bytes) {
  std::string text;
  text.reserve(bytes.size() * 4);
  char item[8];
  for (std::uint8_t byte : bytes) {
    std::snprintf(item, sizeof item, "%02Xh ", byte);
    text += item;
  }
  Write(verbosity, level, "%s", text.c_str());
}

// A single line that fails to reach the disk is not reported: the checksum then
// no longer matches and the next Open records the damage in the file itself.
void Logger::WriteLocked(std::span<const std::uint8_t> bytes) {
  m_crc = Crc32Update(m_crc, bytes);
  m_file.Write(bytes);
  m_position += bytes.size();
}

// Reopening per object cost five system calls and a trailer each time; a
// `stat` per line would still be a tenth of a short signature, hence the interval.
void Logger::FollowPathLocked(const SYSTEMTIME& now) {
  bool sameFile = true, untouched = true;
  const auto clock = std::chrono::steady_clock::now();
  if (clock >= m_nextCheck) {
    m_nextCheck = clock + m_checkInterval;
    const auto found = platform::StampOf(m_path);
    sameFile = found && found->device == m_openStamp.device && found->inode == m_openStamp.inode;
    // Until a line overwrites it, the old trailer lies past the position.
    untouched = sameFile && found->size == std::max<std::uint64_t>(m_position, m_openStamp.size);
  }
  if (untouched && !m_retargeted && MonthOf(now) == m_month) return;
  if (sameFile && !untouched)
    m_file.Close();  // written or cut by someone else: no trailer over their bytes, Open judges the file
  else
    CloseLocked();  // a file renamed away keeps its trailer
  // A line that finds no file to go to is dropped, like any line written while
  // closed; the next Acquire or Join tries again.
  try {
    OpenLocked(m_directory, m_prefix);
  } catch (...) {
    m_file.Close();
  }
}

void Logger::Open(const std::string& directory, const std::string& prefix) {
  std::lock_guard<std::mutex> guard(m_lock);
  if (m_file.IsOpen()) return;
  try {
    OpenLocked(directory, prefix);
  } catch (...) {
    m_file.Close();
    throw;
  }
}

void Logger::OpenLocked(const std::string& directory, const std::string& prefix) {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  const std::string path = FileName(directory, prefix, now);
  m_directory = directory;
  m_prefix = prefix;
  m_retargeted = false;
  m_month = MonthOf(now);
  if (directory.empty() || !platform::CreateDirectories(directory) || !m_file.OpenReadWrite(path))
    Raise(kMsgCantOpenLogFile);
  m_crc = kCrc32Init;
  const auto stamp = m_file.Stamp();
  if (!stamp) Raise(kMsgLogFileIoError);
  const std::uint64_t size = stamp->size;
  if (size != 0 && size < kTrailerSize) Raise(kMsgLogFileIoError);
  m_openStamp = *stamp;
  // The next line starts where the trailer is now, or at the end of damage.
  m_position = size == 0 ? 0 : size - kTrailerSize;
  const bool unchangedSinceClosed = m_haveClosed && path == m_path && *stamp == m_closedStamp;
  m_path = path;
  m_haveClosed = false;
  if (size == 0) return;
  if (unchangedSinceClosed) {
    m_crc = m_closedCrc;
    if (!m_file.Seek(size - kTrailerSize)) Raise(kMsgLogFileIoError);
    return;
  }

  std::vector<std::uint8_t> chunk(kReadChunk);
  for (std::uint64_t left = size - kTrailerSize; left != 0;) {
    const std::size_t want = left < kReadChunk ? static_cast<std::size_t>(left) : kReadChunk;
    const auto got = m_file.Read(std::span(chunk).first(want));
    if (!got || *got == 0) Raise(kMsgLogFileIoError);
    m_crc = Crc32Update(m_crc, std::span(chunk).first(*got));
    left -= *got;
  }
  std::uint8_t trailer[kTrailerSize];
  std::size_t have = 0;
  while (have < kTrailerSize) {
    const auto got = m_file.Read(std::span(trailer).subspan(have));
    if (!got || *got == 0) Raise(kMsgLogFileIoError);
    have += *got;
  }

  if (LogTrailerMatches(m_crc ^ 0xFFFFFFFFu, trailer)) {
    // The next line overwrites the trailer; Close writes a new one.
    if (!m_file.Seek(size - kTrailerSize)) Raise(kMsgLogFileIoError);
    return;
  }
  // Damaged or foreign: keep the last bytes as content and say so in the file.
  m_crc = Crc32Update(m_crc, trailer);
  m_position = size;
  WriteLocked(Bytes(BuildLine(kLogError, std::string("\r\n\r\n") + kCorruptionText + "\r\n\r\n", now)));
}

void Logger::Close() {
  std::lock_guard<std::mutex> guard(m_lock);
  CloseLocked();
}

void Logger::CloseLocked() {
  if (!m_file.IsOpen()) return;
  char trailer[kTrailerSize + 1];
  std::snprintf(trailer, sizeof trailer, "%08X", m_crc ^ 0xFFFFFFFFu);
  const bool written = m_file.Write(std::span(reinterpret_cast<const std::uint8_t*>(trailer), kTrailerSize));
  const auto stamp = m_file.Stamp();
  m_haveClosed = written && stamp.has_value();
  if (m_haveClosed) {
    m_closedStamp = *stamp;
    m_closedCrc = m_crc;
  }
  m_file.Close();
}

void Logger::Acquire(const std::string& directory, const std::string& prefix) {
  std::lock_guard<std::mutex> guard(m_lock);
  if (m_file.IsOpen()) {
    // FollowPathLocked moves there before the next line.
    if (directory != m_directory || prefix != m_prefix) {
      m_directory = directory;
      m_prefix = prefix;
      m_retargeted = true;
    }
  } else {
    try {
      OpenLocked(directory, prefix);
    } catch (...) {
      m_file.Close();
      throw;
    }
  }
  ++m_holders;
}

bool Logger::Join() {
  std::lock_guard<std::mutex> guard(m_lock);
  if (!m_file.IsOpen()) return false;
  ++m_holders;
  return true;
}

void Logger::Release() {
  std::lock_guard<std::mutex> guard(m_lock);
  if (m_holders != 0 && --m_holders == 0) CloseLocked();
}

bool Logger::IsOpen() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_file.IsOpen();
}

Logger& ProcessLogger() {
  static Logger logger;
  return logger;
}

}  // namespace tavrpki
