#include "platform/CodePage.h"

#include <errno.h>
#include <iconv.h>

#include "platform/Utf8.h"

namespace tavrpki::platform {
namespace {

// An iconv descriptor carries shift state, so each thread keeps its own pair.
class Converter {
 public:
  Converter(const char* to, const char* from) : m_handle(iconv_open(to, from)) {}
  ~Converter() {
    if (m_handle != kInvalid) iconv_close(m_handle);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  int Run(std::string_view in, std::string& out) {
    out.clear();
    if (m_handle == kInvalid) return errno != 0 ? errno : EINVAL;
    iconv(m_handle, nullptr, nullptr, nullptr, nullptr);  // reset shift state
    // UTF-8 needs at most 3 bytes per Windows-1251 character.
    out.resize(in.size() * 3 + 4);
    char* source = const_cast<char*>(in.data());  // iconv's signature is not const-correct
    std::size_t sourceLeft = in.size();
    char* target = out.data();
    std::size_t targetLeft = out.size();
    if (iconv(m_handle, &source, &sourceLeft, &target, &targetLeft) == static_cast<std::size_t>(-1)) {
      const int error = errno;
      out.clear();
      return error;
    }
    out.resize(out.size() - targetLeft);
    return 0;
  }

  // As Run, but a sequence iconv stops at becomes `replacement` and conversion
  // goes on after it. Output never outgrows the input (one byte per character).
  int RunReplacing(std::string_view in, std::string& out, char replacement, std::size_t& replaced) {
    out.clear();
    replaced = 0;
    if (m_handle == kInvalid) return errno != 0 ? errno : EINVAL;
    iconv(m_handle, nullptr, nullptr, nullptr, nullptr);
    out.resize(in.size());
    char* source = const_cast<char*>(in.data());
    std::size_t sourceLeft = in.size();
    char* target = out.data();
    std::size_t targetLeft = out.size();
    while (sourceLeft != 0) {
      if (iconv(m_handle, &source, &sourceLeft, &target, &targetLeft) != static_cast<std::size_t>(-1)) break;
      if (errno != EILSEQ && errno != EINVAL) {
        const int error = errno;
        out.clear();
        return error;
      }
      // A well-formed character the code page lacks is one replacement; a
      // malformed sequence is one per byte, so resynchronising never skips a
      // good character that follows.
      const std::size_t skip = Utf8SequenceLength(std::span(reinterpret_cast<const std::uint8_t*>(source), sourceLeft));
      const std::size_t step = skip == 0 ? 1 : skip;
      source += step;
      sourceLeft -= step;
      *target++ = replacement;
      --targetLeft;
      ++replaced;
      iconv(m_handle, nullptr, nullptr, nullptr, nullptr);
    }
    out.resize(out.size() - targetLeft);
    return 0;
  }

 private:
  static inline const iconv_t kInvalid = reinterpret_cast<iconv_t>(-1);
  iconv_t m_handle;
};

}  // namespace

int Cp1251ToUtf8(std::string_view cp1251, std::string& utf8) {
  thread_local Converter converter("UTF-8", "CP1251");
  return converter.Run(cp1251, utf8);
}

int Utf8ToCp1251(std::string_view utf8, std::string& cp1251, std::size_t* substituted) {
  thread_local Converter converter("CP1251", "UTF-8");
  std::size_t replaced = 0;
  const int error = converter.RunReplacing(utf8, cp1251, kCp1251DefaultChar, replaced);
  if (substituted != nullptr) *substituted = replaced;
  return error;
}

}  // namespace tavrpki::platform
