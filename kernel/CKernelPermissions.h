// A user's rights as a list of (object, action, value) entries, and the answer to
// "is this triple allowed?". A certificate carries such a list in the permissions
// extension (CKernelCertificate::GetPermissions fills one); a caller can also build
// one itself.
//
// Text form of an entry: object ":" action "=" value, for example "a.b:read=1".
// The first ":" and the first "=" split it, so "a:b=c=d" is (a, b, c=d).
//
// Matching (IsAllowed). The entries are visited in insertion order and the first
// that allows the request answers true. An entry allows (object, action, value)
// when its three texts equal the three given ones byte for byte, or when
//   - its object is "*", equals the object, or matches it as a dotted path (below);
//   - its action is "*" or equals the action;
//   - its value is "*" or equals the value.
//
// Dotted paths. Both objects are split at "." and empty parts are dropped
// ("a..b." has the parts a, b). Then, part by part:
//   - an entry part "*" stands for exactly one part of the object;
//   - except as the entry's last part, where "*" stands for all remaining parts,
//     one or more (so "a.*" allows a.b and a.b.c, never a itself);
//   - any other part must equal the object's part, and when the entry has no "*"
//     last the part counts must agree ("a.b" allows a.b and a..b, not a.b.c).
// An entry whose object has no parts at all ("", ".") matches no object by path;
// it still allows by exact equality of the three texts. "*" inside a part ("a*")
// is an ordinary character.
//
// Every failure is a `Kernel::CKernelException`: 100021 for a null argument,
// 100007 for a malformed text form. A failed call leaves the list unchanged.
#pragma once

#include <vector>

#include "kernel/CKernelException.h"

namespace Kernel {

class PermissionEntry {
 public:
  // Copies the three texts; a null one throws 100021.
  PermissionEntry(const char* object, const char* action, const char* value);
  PermissionEntry(const PermissionEntry& other);
  ~PermissionEntry();
  // Frees the old texts and copies the new ones (self-assignment is harmless).
  virtual PermissionEntry& operator=(const PermissionEntry& other);

  // The texts, NUL-terminated, owned by the entry and valid while it is unchanged.
  const char* Object() const { return m_object; }
  const char* Action() const { return m_action; }
  const char* Value() const { return m_value; }

 private:
  char* m_object;
  char* m_action;
  char* m_value;
};

class CKernelPermissions {
 public:
  // An empty list: it allows nothing.
  CKernelPermissions();
  CKernelPermissions(const CKernelPermissions& other);

  // The entry list, a std::vector<PermissionEntry>, owned by this object.
  virtual void* GetHandle() const;
  // Replaces the list by a copy of the std::vector<PermissionEntry> at `handle`;
  // null throws 100021.
  virtual void SetHandle(void* const handle);
  virtual ~CKernelPermissions();
  virtual CKernelPermissions& operator=(const CKernelPermissions& other);

  // Appends a copy; duplicates are kept.
  void AddNewEntry(const PermissionEntry& entry);
  // Appends the entry of the three texts; a null one throws 100021.
  void AddNewEntry(const char* object, const char* action, const char* value);
  // Appends the entry written in text form. Null throws 100021; a text without ":"
  // or "=", with its first "=" before its first ":", or with an empty object,
  // action or value throws 100007.
  void AddNewEntry(const char* text);

  // Whether some entry allows the triple (see the matching rules above); a null
  // argument throws 100021.
  bool IsAllowed(const char* object, const char* action, const char* value) const;

 private:
  std::vector<PermissionEntry>* m_entries;
};

}  // namespace Kernel
