#include "platform/CodePage.h"

#include <errno.h>
#include <iconv.h>

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

 private:
  static inline const iconv_t kInvalid = reinterpret_cast<iconv_t>(-1);
  iconv_t m_handle;
};

}  // namespace

int Cp1251ToUtf8(std::string_view cp1251, std::string& utf8) {
  thread_local Converter converter("UTF-8", "CP1251");
  return converter.Run(cp1251, utf8);
}

int Utf8ToCp1251(std::string_view utf8, std::string& cp1251) {
  thread_local Converter converter("CP1251", "UTF-8");
  return converter.Run(utf8, cp1251);
}

}  // namespace tavrpki::platform
