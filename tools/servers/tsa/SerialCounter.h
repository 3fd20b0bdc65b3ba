// Serial numbers of time-stamp tokens: unique for the life of a state file,
// across restarts and crashes.
//
// The state file holds one number, the first serial not yet reserved. Serials
// are handed out from a block reserved ahead: before the first serial of a block
// is issued, the file is rewritten with the block's end and made durable (a new
// file fsync'ed, renamed over the old one, the directory fsync'ed). A process
// that dies at any point leaves a file whose number lies beyond every serial it
// issued, so the next start never repeats one; a crash only skips the unused rest
// of the block, and RFC 3161 asks for unique serials, not consecutive ones.
//
// One process at a time: the counter holds an exclusive lock on "<state>.lock"
// for its lifetime, so a second authority on the same state refuses to start
// instead of issuing the same serials.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

namespace tavrpki::servers {

class SerialCounter {
 public:
  // Opens (or creates, starting at 1) the state file at `path` and reserves the
  // first block. Failures (unreadable or damaged state, lock held elsewhere, a
  // write that cannot be made durable) throw std::runtime_error naming the file.
  explicit SerialCounter(std::string path, std::uint64_t block = 4096);
  ~SerialCounter();
  SerialCounter(const SerialCounter&) = delete;
  SerialCounter& operator=(const SerialCounter&) = delete;

  // The next serial; thread-safe. Throws std::runtime_error when a new block
  // cannot be reserved (nothing is issued then) or the 63-bit range is spent.
  std::uint64_t Next();

 private:
  void Reserve(std::uint64_t end);  // requires m_mutex (or construction)

  std::string m_path;
  std::uint64_t m_block;
  int m_lock = -1;
  std::mutex m_mutex;
  std::uint64_t m_next = 0;      // the serial Next gives out
  std::uint64_t m_reserved = 0;  // the state file's number: serials below it may be issued
};

}  // namespace tavrpki::servers
