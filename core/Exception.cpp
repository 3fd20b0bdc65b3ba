#include "core/Exception.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace tavrpki {
namespace {

char* FormatV(const char* format, va_list args) {
  va_list measure;
  va_copy(measure, args);
  const int needed = std::vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  const std::size_t size = needed < 0 ? 1 : static_cast<std::size_t>(needed) + 1;
  char* text = new char[size];
  if (needed < 0)
    text[0] = 0;
  else
    std::vsnprintf(text, size, format, args);
  return text;
}

char* Duplicate(const char* text) {
  const std::size_t size = std::strlen(text) + 1;
  char* copy = new char[size];
  std::memcpy(copy, text, size);
  return copy;
}

}  // namespace

Exception::Exception(std::uint32_t code, const char* format, ...) : m_code(code) {
  va_list args;
  va_start(args, format);
  m_message = FormatV(format, args);
  va_end(args);
}

Exception::Exception(const char* format, ...) : m_code(kNoCode) {
  va_list args;
  va_start(args, format);
  m_message = FormatV(format, args);
  va_end(args);
}

Exception::Exception(const Exception& other)
    : m_code(other.m_code), m_message(Duplicate(other.m_message)) {}

Exception& Exception::operator=(const Exception& other) {
  if (this != &other) {
    char* copy = Duplicate(other.m_message);
    delete[] m_message;
    m_message = copy;
    m_code = other.m_code;
  }
  return *this;
}

Exception::~Exception() { delete[] m_message; }

void Raise(Message message, ...) {
  va_list args;
  va_start(args, message);
  char* text = FormatV(message.format, args);
  va_end(args);
  Exception error(message.code, "%s", text);
  delete[] text;
  throw error;
}

}  // namespace tavrpki
