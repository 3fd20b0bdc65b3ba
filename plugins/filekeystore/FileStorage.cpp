#include "FileStorage.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "Messages.h"
#include "platform/Descriptor.h"

namespace tavrpki::filekeystore {
namespace {

constexpr std::string_view kExtension = ".key";
// Room for the temporary name ".<encoded>.key.XXXXXX" within NAME_MAX (255).
constexpr std::size_t kMaxEncodedName = 240;
constexpr char kHexDigits[] = "0123456789ABCDEF";

std::atomic<WriteProbe> g_writeProbe{nullptr};

bool KeepsAsIs(unsigned char c, bool leading) {
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) return true;
  if (c == '_' || c == '-') return true;
  return c == '.' && !leading;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;  // lowercase digits never come out of the encoder
}

bool IsAccessRefusal(int error) { return error == EACCES || error == EPERM || error == EROFS; }

using platform::Descriptor;

// Removes the temporary file unless the write was committed.
class TemporaryFile {
 public:
  explicit TemporaryFile(std::string path) : m_path(std::move(path)) {}
  ~TemporaryFile() {
    if (!m_committed) ::unlink(m_path.c_str());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  const std::string& Path() const { return m_path; }
  void Commit() { m_committed = true; }

 private:
  std::string m_path;
  bool m_committed = false;
};

void WriteAll(int fd, std::span<const std::uint8_t> bytes, const char* keyName) {
  const WriteProbe probe = g_writeProbe.load();
  // The probe sees the file half written: the moment a crash hurts most.
  const std::size_t half = bytes.size() / 2;
  std::size_t done = 0;
  while (done < bytes.size()) {
    const std::size_t limit = done < half ? half : bytes.size();
    const ssize_t n = ::write(fd, bytes.data() + done, limit - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      Raise(kMsgWriteFailed, keyName, std::strerror(errno));
    }
    done += static_cast<std::size_t>(n);
    if (done == half && probe != nullptr && !probe(done, bytes.size()))
      Raise(kMsgWriteFailed, keyName, std::strerror(ENOSPC));
  }
}

// mkostemp's six characters.
bool IsTemporarySuffix(std::string_view suffix) {
  return suffix.size() == 6 && std::all_of(suffix.begin(), suffix.end(), [](char c) {
           return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
         });
}

// The key file name inside a temporary's name ".<file name>.XXXXXX", or empty
// when `name` is not one.
std::string_view TemporaryOf(std::string_view name) {
  constexpr std::size_t kSuffix = 7;  // "." and mkostemp's six characters
  if (name.size() <= 1 + kSuffix || name[0] != '.' || name[name.size() - kSuffix] != '.' ||
      !IsTemporarySuffix(name.substr(name.size() - kSuffix + 1)))
    return {};
  const std::string_view fileName = name.substr(1, name.size() - 1 - kSuffix);
  return KeyOfFileName(fileName).empty() ? std::string_view{} : fileName;
}

// Removes what writers that died between creating their temporary file and
// renaming it left behind, whichever key they were writing: regular files named
// "." + a key's file name + ".XXXXXX" last modified at least kStaleAge before
// `ownFd`, the caller's own temporary (the file system's clock on both sides). A
// writer that is still at work has touched its file moments ago, and a container
// never begins with '.', so neither is ever removed; nor is anything else that
// happens to live in the directory. Best effort: a file that will not go stays
// for the next save.
constexpr time_t kStaleAge = 60;

void RemoveStaleTemporaries(const std::string& directory, int ownFd) {
  struct stat own{};
  if (::fstat(ownFd, &own) != 0) return;
  DIR* dir = ::opendir(directory.c_str());
  if (dir == nullptr) return;
  while (const dirent* entry = ::readdir(dir)) {
    if (TemporaryOf(entry->d_name).empty()) continue;
    struct stat info{};
    if (::fstatat(::dirfd(dir), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (S_ISREG(info.st_mode) && info.st_mtime + kStaleAge <= own.st_mtime)
      ::unlinkat(::dirfd(dir), entry->d_name, 0);
  }
  ::closedir(dir);
}

void MakeDirectories(const std::string& path) {
  // mkdir -p with private permissions for every level this creates.
  for (std::size_t at = path.find('/', 1);; at = path.find('/', at + 1)) {
    const std::string prefix = path.substr(0, at);
    if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) {
      if (IsAccessRefusal(errno)) Raise(kMsgStorageNotWritable, path.c_str(), std::strerror(errno));
      Raise(kMsgStorageMissing, path.c_str());
    }
    if (at == std::string::npos) break;
  }
}

}  // namespace

void SetWriteProbeForTesting(WriteProbe probe) { g_writeProbe.store(probe); }

void FillFromSystemRandom(std::span<std::uint8_t> out) {
  std::size_t done = 0;
  while (done < out.size()) {
    const ssize_t n = ::getrandom(out.data() + done, out.size() - done, 0);
    if (n < 0) {
      if (errno == EINTR) continue;
      Raise(kMsgWriteFailed, "", std::strerror(errno));
    }
    done += static_cast<std::size_t>(n);
  }
}

std::string DefaultStorageDirectory() {
  const char* dataHome = std::getenv("XDG_DATA_HOME");
  // The XDG rules ignore a relative XDG_DATA_HOME.
  if (dataHome != nullptr && dataHome[0] == '/') return std::string(dataHome) + "/tavr-pki/keys";
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] == 0) Raise(kMsgNoDefaultStorage);
  return std::string(home) + "/.local/share/tavr-pki/keys";
}

std::string FileNameOfKey(std::string_view keyName) {
  std::string encoded;
  for (std::size_t i = 0; i < keyName.size(); ++i) {
    const auto c = static_cast<unsigned char>(keyName[i]);
    if (KeepsAsIs(c, i == 0)) {
      encoded += static_cast<char>(c);
    } else {
      encoded += '%';
      encoded += kHexDigits[c >> 4];
      encoded += kHexDigits[c & 15];
    }
  }
  if (encoded.empty() || encoded.size() > kMaxEncodedName)
    Raise(kMsgBadKeyName, std::string(keyName.substr(0, 64)).c_str());
  return encoded + std::string(kExtension);
}

std::string KeyOfFileName(std::string_view fileName) {
  if (fileName.size() <= kExtension.size() || !fileName.ends_with(kExtension)) return {};
  const std::string_view encoded = fileName.substr(0, fileName.size() - kExtension.size());
  std::string name;
  for (std::size_t i = 0; i < encoded.size(); ++i) {
    const auto c = static_cast<unsigned char>(encoded[i]);
    if (c == '%' && i + 2 < encoded.size()) {
      const int high = HexValue(encoded[i + 1]);
      const int low = HexValue(encoded[i + 2]);
      if (high < 0 || low < 0) return {};
      const auto decoded = static_cast<unsigned char>(high * 16 + low);
      if (KeepsAsIs(decoded, i == 0) || decoded == 0) return {};  // not how the encoder writes it
      name += static_cast<char>(decoded);
      i += 2;
    } else if (KeepsAsIs(c, i == 0)) {
      name += static_cast<char>(c);
    } else {
      return {};
    }
  }
  return name;
}

FileStorage::FileStorage(std::string directory, bool createIfMissing)
    : m_directory(std::move(directory)), m_createIfMissing(createIfMissing) {
  while (m_directory.size() > 1 && m_directory.back() == '/') m_directory.pop_back();
}

void FileStorage::CheckUsable() const {
  struct stat info{};
  if (::stat(m_directory.c_str(), &info) == 0) {
    if (!S_ISDIR(info.st_mode)) Raise(kMsgStorageMissing, m_directory.c_str());
    return;
  }
  if (errno != ENOENT && errno != ENOTDIR) Raise(kMsgReadFailed, m_directory.c_str(), std::strerror(errno));
  if (!m_createIfMissing) Raise(kMsgStorageMissing, m_directory.c_str());
}

void FileStorage::EnsureDirectory() const {
  CheckUsable();
  if (m_createIfMissing) MakeDirectories(m_directory);
}

std::string FileStorage::PathOf(const char* keyName) const {
  return m_directory + "/" + FileNameOfKey(keyName);
}

std::vector<std::uint8_t> FileStorage::Read(const char* keyName) const {
  const std::string path = PathOf(keyName);
  CheckUsable();
  // A container is a regular file under its own name. Not following a link and
  // not waiting for a writer (a FIFO would block the open until one came) come
  // first; the file's type is then checked on what was opened, not on the name.
  Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
  if (fd.Get() < 0) {
    if (errno == ENOENT) Raise(kMsgKeyNotFound, keyName);
    if (errno == ELOOP) Raise(kMsgReadFailed, keyName, Cp1251<"файл ключа є символьним посиланням">);
    Raise(kMsgReadFailed, keyName, std::strerror(errno));
  }
  struct stat info{};
  if (::fstat(fd.Get(), &info) != 0) Raise(kMsgReadFailed, keyName, std::strerror(errno));
  if (!S_ISREG(info.st_mode)) Raise(kMsgReadFailed, keyName, Cp1251<"файл ключа не є звичайним файлом">);
  std::vector<std::uint8_t> bytes;
  std::uint8_t chunk[4096];
  for (;;) {
    const ssize_t n = ::read(fd.Get(), chunk, sizeof chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      Raise(kMsgReadFailed, keyName, std::strerror(errno));
    }
    if (n == 0) break;
    bytes.insert(bytes.end(), chunk, chunk + n);
    // A container is small; anything far larger is not one, and is not read whole.
    if (bytes.size() > 4 * 1024 * 1024) break;
  }
  return bytes;
}

bool FileStorage::Exists(const char* keyName) const {
  const std::string path = PathOf(keyName);
  struct stat info{};
  return ::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

void FileStorage::Write(const char* keyName, std::span<const std::uint8_t> container) const {
  const std::string fileName = FileNameOfKey(keyName);
  EnsureDirectory();
  std::string pattern = m_directory + "/." + fileName + ".XXXXXX";
  Descriptor fd(::mkostemp(pattern.data(), O_CLOEXEC));
  if (fd.Get() < 0) {
    if (IsAccessRefusal(errno)) Raise(kMsgStorageNotWritable, m_directory.c_str(), std::strerror(errno));
    Raise(kMsgWriteFailed, keyName, std::strerror(errno));
  }
  TemporaryFile temporary(pattern);
  ::fchmod(fd.Get(), 0600);  // mkostemp already creates 0600; said again for clarity of intent
  WriteAll(fd.Get(), container, keyName);
  if (::fsync(fd.Get()) != 0) Raise(kMsgWriteFailed, keyName, std::strerror(errno));
  RemoveStaleTemporaries(m_directory, fd.Get());
  if (::close(fd.Release()) != 0) Raise(kMsgWriteFailed, keyName, std::strerror(errno));
  const std::string path = m_directory + "/" + fileName;
  if (::rename(temporary.Path().c_str(), path.c_str()) != 0) {
    if (IsAccessRefusal(errno)) Raise(kMsgStorageNotWritable, m_directory.c_str(), std::strerror(errno));
    Raise(kMsgWriteFailed, keyName, std::strerror(errno));
  }
  temporary.Commit();
  // Make the rename itself durable. The new container is already in place, so a
  // failure here is not reported as a failed write; file systems that cannot sync
  // a directory answer EINVAL.
  Descriptor directory(::open(m_directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (directory.Get() >= 0) ::fsync(directory.Get());
}

void FileStorage::Remove(const char* keyName) const {
  const std::string path = PathOf(keyName);
  CheckUsable();
  if (::unlink(path.c_str()) != 0) {
    if (errno == ENOENT) Raise(kMsgKeyNotFound, keyName);
    if (IsAccessRefusal(errno)) Raise(kMsgStorageNotWritable, m_directory.c_str(), std::strerror(errno));
    Raise(kMsgWriteFailed, keyName, std::strerror(errno));
  }
  Descriptor directory(::open(m_directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (directory.Get() >= 0) ::fsync(directory.Get());
}

std::vector<std::string> FileStorage::List() const {
  CheckUsable();
  std::vector<std::string> names;
  DIR* dir = ::opendir(m_directory.c_str());
  if (dir == nullptr) {
    if (errno == ENOENT && m_createIfMissing) return names;  // the default storage, not made yet
    Raise(kMsgReadFailed, m_directory.c_str(), std::strerror(errno));
  }
  while (const dirent* entry = ::readdir(dir)) {
    std::string name = KeyOfFileName(entry->d_name);
    if (name.empty()) continue;
    // Only what Read would open is a key: no links, directories or FIFOs.
    struct stat info{};
    if (::fstatat(::dirfd(dir), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode))
      names.push_back(std::move(name));
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace tavrpki::filekeystore
