// The process-wide audit log.
//
// One month file per process and directory: <dir>/<prefix>YYMM.log, lines
//   "yy.mm.dd hh:mm:ss.mmm [inf] message\r\n"
// and, when closed, an 8-character trailer: the CRC-32 (ISO-HDLC) of every byte
// before it in uppercase hexadecimal. Opening verifies the trailer; a mismatch
// appends the corruption line "!!! Файл пошкождено !!!" and logging goes on, so
// tampering or truncation shows in the file itself. Lines are single-byte text
// in the Windows-1251 code page, as the library's messages are.
//
// One lock covers Open, Close and every write: lines never interleave and the
// running checksum always matches the file. Writes while closed are dropped.
//
// Kernels share the open file rather than each opening and closing it: every
// kernel that logs holds it (Acquire, or Join for a copy), and the last holder's
// Release writes the trailer and closes. Opening, checking and sealing the file
// per exported object cost more than a short signature. Kept open, the file is
// still the one the name says: a new month, or another directory named by a
// later Acquire, moves the next line to the right file, and the path is examined
// before a line at most once per check interval (a second), so that a file
// renamed away, deleted, replaced, grown or cut by someone else is noticed that
// soon. Moving closes this file with its trailer (a file renamed away keeps
// it) and opens the other the way Open does. Lines written in the interval
// after a rotation go to the rotated file; bytes someone else wrote into the
// held file in it may be overwritten by our next line. A process that dies
// while holding the file leaves it without a trailer; the next open records
// that in the file, as it records any damage.
#pragma once

#include <chrono>
#include <cstdarg>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>

#include "platform/File.h"
#include "platform/Time.h"

namespace tavrpki {

enum LogLevel : int { kLogInfo = 0, kLogWarning = 1, kLogError = 2 };

class Logger {
 public:
  static constexpr std::chrono::nanoseconds kPathCheckInterval = std::chrono::seconds(1);

  explicit Logger(std::chrono::nanoseconds pathCheckInterval = kPathCheckInterval)
      : m_checkInterval(pathCheckInterval) {}
  Logger(const Logger&) = delete;
  Logger& operator=(const Logger&) = delete;

  // Writes one line when a file is open and `verbosity` <= 3.
  virtual void WriteV(int verbosity, int level, const char* format, va_list args);
  virtual void Write(int verbosity, int level, const char* format, ...)
      __attribute__((format(printf, 4, 5)));
  // Writes `bytes` as "0Ah FFh " (each "%Xh" left-padded with 0 to three characters and a blank).
  virtual void WriteHex(int verbosity, int level, std::span<const std::uint8_t> bytes);
  virtual ~Logger();  // closes, writing the trailer

  // Opens, or continues, this month's file "<directory>/<prefix>YYMM.log" (local
  // time), creating the directory when missing. Nothing happens while a file is
  // open. Throws "Can't open log file" or "Log file I/O error" (code 0xFFFFFFFF),
  // leaving the logger closed.
  void Open(const std::string& directory, const std::string& prefix);
  // Writes the trailer and closes whoever holds the file; nothing happens while
  // closed. Holders stay counted: a later Acquire or Join opens again.
  void Close();
  bool IsOpen() const;

  // For kernels. Acquire: as Open when closed (and throws as it does, counting
  // nothing); when open, the file serves, and a different `directory` or
  // `prefix` is where the next line goes. Join: one more holder of the file
  // open now; false (nothing counted) while closed. Release: one holder fewer;
  // the last one closes the file.
  void Acquire(const std::string& directory, const std::string& prefix);
  bool Join();
  void Release();

 private:
  void WriteLocked(std::span<const std::uint8_t> bytes);
  void OpenLocked(const std::string& directory, const std::string& prefix);
  void CloseLocked();
  // Before a line: moves to the file the name now says, when this one is not it
  // any more. Leaves the logger closed when that one cannot be opened.
  void FollowPathLocked(const SYSTEMTIME& now);

  static constexpr int kMaxVerbosity = 3;
  mutable std::mutex m_lock;
  platform::File m_file;
  std::uint32_t m_crc = 0xFFFFFFFFu;  // CRC-32 register over the bytes written so far
  // Where lines go: the directory and prefix of the last Open or Acquire that
  // opened, or of the last Acquire.
  std::string m_directory;
  std::string m_prefix;
  bool m_retargeted = false;  // the directory or prefix changed since the file was opened
  int m_month = 0;            // year * 100 + month of the open file's name
  // The open file as it was opened (which file, how large) and where the next
  // line starts: anything else found at the path is a change made by someone else.
  platform::FileStamp m_openStamp;
  std::uint64_t m_position = 0;
  std::size_t m_holders = 0;  // kernels holding the file (Acquire and Join, less Release)
  const std::chrono::nanoseconds m_checkInterval;
  std::chrono::steady_clock::time_point m_nextCheck;  // of the path, before a line
  // The file as this logger last closed it, with its checksum register: a
  // reopen that finds the file unchanged since (same inode, size and status
  // change time) continues without reading it all again. Every kernel closes
  // the log when it goes, so without this each object made and dropped would
  // re-read a log that grows all month.
  std::string m_path;  // of the file open now, or last open
  platform::FileStamp m_closedStamp;
  std::uint32_t m_closedCrc = 0;
  bool m_haveClosed = false;
};

// The check Open makes of an existing log file, apart from any file (so it can be
// tested and fuzzed on bytes): true when `trailer` is 8 bytes that, read as
// hexadecimal the way "%X" reads it, equal the CRC-32 of the bytes before it.
// `contentCrc` is the finished CRC-32 of those bytes (core/Crc32.h).
bool LogTrailerMatches(std::uint32_t contentCrc, std::span<const std::uint8_t> trailer);
// The same over a whole file's bytes (content followed by the trailer); false for
// fewer than 8 bytes.
bool LogFileIntact(std::span<const std::uint8_t> file);

// The one logger of the process. Constructed on first use and destroyed (closed)
// at exit after everything that used it during its own construction.
Logger& ProcessLogger();

}  // namespace tavrpki
