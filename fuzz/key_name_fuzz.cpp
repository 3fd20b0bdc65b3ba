// The mapping between key names and file names, both ways, on arbitrary bytes.
// File names come from the directory (anyone may put a file there); key names
// from callers. Whatever the file name, reading it back as a key must not fail
// or read outside it, and a name it accepts must be exactly how that key is
// stored (one key, one file). A key name either maps to a file name that reads
// back as itself or is refused with 30017.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/ExceptionBase.h"
#include "plugins/filekeystore/FileStorage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tavrpki::filekeystore;
  const std::string_view input(reinterpret_cast<const char*>(data), size);

  // A file name never holds '/' or NUL; the directory holds whatever else.
  if (input.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos) {
    const std::string key = KeyOfFileName(input);
    if (!key.empty()) {
      try {
        if (FileNameOfKey(key) != input) __builtin_trap();
      } catch (const tavrpki::ExceptionBase& error) {
        // Only a file name longer than any the storage writes may name no storable key.
        if (error.GetErrorCode() != 30017 || input.size() - std::string_view(".key").size() <= 240) __builtin_trap();
      }
    }
  }

  // Key names reach the storage as C strings.
  const std::string_view keyName = input.substr(0, input.find('\0'));
  try {
    const std::string file = FileNameOfKey(keyName);
    if (KeyOfFileName(file) != keyName) __builtin_trap();
  } catch (const tavrpki::ExceptionBase& error) {
    if (error.GetErrorCode() != 30017) __builtin_trap();
  }
  return 0;
}
