#include "kernel/CKernelPermissions.h"

#include <cstring>
#include <memory>
#include <string_view>

#include "kernel/Boundary.h"

namespace Kernel {
namespace {

using Text = std::unique_ptr<char[]>;

Text Copy(const char* text) {
  const std::size_t size = std::strlen(text) + 1;
  Text copy(new char[size]);
  std::memcpy(copy.get(), text, size);
  return copy;
}

// The next non-empty part of a dotted path at or after `pos`; empty when none is left.
std::string_view NextPart(std::string_view path, std::size_t& pos) {
  while (pos < path.size() && path[pos] == '.') ++pos;
  const std::size_t start = pos;
  while (pos < path.size() && path[pos] != '.') ++pos;
  return path.substr(start, pos - start);
}

// The dotted-path rule of the header, walking both paths without splitting them.
bool PathMatches(std::string_view pattern, std::string_view object) {
  std::size_t patternPos = 0, objectPos = 0;
  std::string_view part = NextPart(pattern, patternPos);
  if (part.empty()) return false;  // a pattern without parts names nothing
  while (!part.empty()) {
    const std::string_view next = NextPart(pattern, patternPos);
    const std::string_view own = NextPart(object, objectPos);
    if (own.empty()) return false;               // the object ran out first
    if (part == "*" && next.empty()) return true;  // a last "*" takes the rest, one part at least
    if (part != "*" && part != own) return false;
    part = next;
  }
  return NextPart(object, objectPos).empty();  // the counts agree
}

bool FieldMatches(const char* pattern, const char* given) {
  return std::strcmp(pattern, "*") == 0 || std::strcmp(pattern, given) == 0;
}

bool Allows(const PermissionEntry& entry, const char* object, const char* action, const char* value) {
  if (std::strcmp(entry.Object(), object) == 0 && std::strcmp(entry.Action(), action) == 0 &&
      std::strcmp(entry.Value(), value) == 0)
    return true;
  return (FieldMatches(entry.Object(), object) || PathMatches(entry.Object(), object)) &&
         FieldMatches(entry.Action(), action) && FieldMatches(entry.Value(), value);
}

}  // namespace

PermissionEntry::PermissionEntry(const char* object, const char* action, const char* value) {
  Boundary([&] { RequireArgument(object != nullptr && action != nullptr && value != nullptr); });
  Text objectCopy = Copy(object), actionCopy = Copy(action), valueCopy = Copy(value);
  m_object = objectCopy.release();
  m_action = actionCopy.release();
  m_value = valueCopy.release();
}

PermissionEntry::PermissionEntry(const PermissionEntry& other)
    : PermissionEntry(other.m_object, other.m_action, other.m_value) {}

PermissionEntry::~PermissionEntry() {
  delete[] m_object;
  delete[] m_action;
  delete[] m_value;
}

PermissionEntry& PermissionEntry::operator=(const PermissionEntry& other) {
  if (this == &other) return *this;
  // All three copies first: a failed allocation leaves the entry as it was.
  Text objectCopy = Copy(other.m_object), actionCopy = Copy(other.m_action), valueCopy = Copy(other.m_value);
  delete[] m_object;
  delete[] m_action;
  delete[] m_value;
  m_object = objectCopy.release();
  m_action = actionCopy.release();
  m_value = valueCopy.release();
  return *this;
}

CKernelPermissions::CKernelPermissions() : m_entries(new std::vector<PermissionEntry>) {}

CKernelPermissions::CKernelPermissions(const CKernelPermissions& other)
    : m_entries(new std::vector<PermissionEntry>(*other.m_entries)) {}

CKernelPermissions::~CKernelPermissions() { delete m_entries; }

void* CKernelPermissions::GetHandle() const { return m_entries; }

void CKernelPermissions::SetHandle(void* const handle) {
  Boundary([&] {
    RequireArgument(handle != nullptr);
    if (handle == m_entries) return;
    // Copy first, then swap: a failed copy leaves the list as it was.
    std::vector<PermissionEntry> copy(*static_cast<const std::vector<PermissionEntry>*>(handle));
    m_entries->swap(copy);
  });
}

CKernelPermissions& CKernelPermissions::operator=(const CKernelPermissions& other) {
  if (this != &other) SetHandle(other.m_entries);
  return *this;
}

void CKernelPermissions::AddNewEntry(const PermissionEntry& entry) { m_entries->push_back(entry); }

void CKernelPermissions::AddNewEntry(const char* object, const char* action, const char* value) {
  m_entries->push_back(PermissionEntry(object, action, value));
}

void CKernelPermissions::AddNewEntry(const char* text) {
  Boundary([&] {
    RequireArgument(text != nullptr);
    const std::string_view whole(text);
    const std::size_t colon = whole.find(':');
    const std::size_t equals = whole.find('=');
    if (colon == std::string_view::npos || equals == std::string_view::npos || colon > equals)
      tavrpki::Raise(tavrpki::kMsgBadPermissionsFormat);
    const std::string object(whole.substr(0, colon));
    const std::string action(whole.substr(colon + 1, equals - colon - 1));
    const std::string value(whole.substr(equals + 1));
    if (object.empty() || action.empty() || value.empty()) tavrpki::Raise(tavrpki::kMsgBadPermissionsFormat);
    m_entries->push_back(PermissionEntry(object.c_str(), action.c_str(), value.c_str()));
  });
}

bool CKernelPermissions::IsAllowed(const char* object, const char* action, const char* value) const {
  return Boundary([&] {
    RequireArgument(object != nullptr && action != nullptr && value != nullptr);
    for (const PermissionEntry& entry : *m_entries)
      if (Allows(entry, object, action, value)) return true;
    return false;
  });
}

}  // namespace Kernel
