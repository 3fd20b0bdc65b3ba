// Kernel::CKernelPermissions: the text form and the matching rules, as tables in
// tests/data/permissions.vec; the handle, copies and null arguments below.
#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "kernel/CKernelPermissions.h"
#include "support/CodeOf.h"
#include "support/VectorFile.h"

namespace {

using Kernel::CKernelPermissions;
using tavrpki::test::CodeOf;
using tavrpki::test::Words;
using Kernel::PermissionEntry;
using Entries = std::vector<PermissionEntry>;

const Entries& EntriesOf(const CKernelPermissions& permissions) {
  return *static_cast<const Entries*>(permissions.GetHandle());
}

struct Request {
  std::string object, action, value;
};

// A request in text form, split at the first ":" and the first "=" (parts may be empty).
Request ParseRequest(const std::string& text) {
  const auto colon = text.find(':');
  const auto equals = text.find('=', colon);
  EXPECT_TRUE(colon != std::string::npos && equals != std::string::npos) << "bad request " << text;
  return {text.substr(0, colon), text.substr(colon + 1, equals - colon - 1), text.substr(equals + 1)};
}

// The list form of a certificate: each entry text between bars.
std::vector<std::string> ListItems(const std::string& text) {
  std::vector<std::string> items;
  std::string item;
  for (char c : text + "|") {
    if (c != '|') {
      item.push_back(c);
    } else if (!item.empty()) {
      items.push_back(item);
      item.clear();
    }
  }
  return items;
}

TEST(Permissions, TextForm) {
  for (const auto& v : tavrpki::test::ReadVectorFile("permissions.vec")) {
    if (v.section != "Parse") continue;
    SCOPED_TRACE(v.Where());
    CKernelPermissions permissions;
    permissions.AddNewEntry("keep:me=1");
    const std::string text = v.Get("text");
    if (v.Has("error")) {
      EXPECT_EQ(CodeOf([&] { permissions.AddNewEntry(text.c_str()); }), std::stoul(v.Get("error")));
      ASSERT_EQ(EntriesOf(permissions).size(), 1u);  // a refused text changes nothing
    } else {
      permissions.AddNewEntry(text.c_str());
      ASSERT_EQ(EntriesOf(permissions).size(), 2u);
      const PermissionEntry& entry = EntriesOf(permissions)[1];
      EXPECT_STREQ(entry.Object(), v.Get("object").c_str());
      EXPECT_STREQ(entry.Action(), v.Get("action").c_str());
      EXPECT_STREQ(entry.Value(), v.Get("value").c_str());
    }
    v.ExpectAllUsed();
  }
}

TEST(Permissions, Matching) {
  for (const auto& v : tavrpki::test::ReadVectorFile("permissions.vec")) {
    if (v.section != "Match") continue;
    SCOPED_TRACE(v.Where());
    CKernelPermissions permissions;
    for (const std::string& item : ListItems(v.Get("entries"))) permissions.AddNewEntry(item.c_str());
    // A copy answers the same: the entries are deep copies, not shared texts.
    std::vector<CKernelPermissions> lists{permissions, CKernelPermissions()};
    lists[1] = permissions;
    for (const auto& [key, expected] : {std::pair{"allowed", true}, std::pair{"denied", false}}) {
      if (!v.Has(key)) continue;
      for (const std::string& text : Words(v.Get(key))) {
        const Request r = ParseRequest(text);
        for (const CKernelPermissions& list : lists)
          EXPECT_EQ(list.IsAllowed(r.object.c_str(), r.action.c_str(), r.value.c_str()), expected) << text;
      }
    }
    v.ExpectAllUsed();
  }
}

TEST(Permissions, EntriesKeepInsertionOrderAndDuplicates) {
  CKernelPermissions permissions;
  permissions.AddNewEntry("b:x=1");
  permissions.AddNewEntry(PermissionEntry("a", "y", "2"));
  permissions.AddNewEntry("b", "x", "1");
  const Entries& entries = EntriesOf(permissions);
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_STREQ(entries[0].Object(), "b");
  EXPECT_STREQ(entries[1].Object(), "a");
  EXPECT_STREQ(entries[2].Object(), "b");

  // SetHandle copies the vector it is given; the source stays the caller's.
  CKernelPermissions other;
  Entries source{PermissionEntry("c", "z", "3")};
  other.SetHandle(&source);
  source.clear();
  ASSERT_EQ(EntriesOf(other).size(), 1u);
  EXPECT_TRUE(other.IsAllowed("c", "z", "3"));
  other.SetHandle(other.GetHandle());  // its own list: unchanged
  EXPECT_EQ(EntriesOf(other).size(), 1u);

  // Assigned entries own their texts: the source may go away.
  PermissionEntry entry("old", "old", "old");
  {
    const PermissionEntry temporary("new.path", "read", "1");
    entry = temporary;
  }
  entry = entry;
  EXPECT_STREQ(entry.Object(), "new.path");
  EXPECT_STREQ(entry.Value(), "1");
}

TEST(Permissions, NullArgumentsAreRefusedWithoutChange) {
  CKernelPermissions permissions;
  permissions.AddNewEntry("a:b=c");
  const char* a = "a";
  const std::vector<std::pair<const char*, std::function<void()>>> calls{
      {"entry object", [&] { PermissionEntry(nullptr, a, a); }},
      {"entry action", [&] { PermissionEntry(a, nullptr, a); }},
      {"entry value", [&] { PermissionEntry(a, a, nullptr); }},
      {"SetHandle", [&] { permissions.SetHandle(nullptr); }},
      {"AddNewEntry text", [&] { permissions.AddNewEntry(static_cast<const char*>(nullptr)); }},
      {"AddNewEntry triple", [&] { permissions.AddNewEntry(a, nullptr, a); }},
      {"IsAllowed object", [&] { (void)permissions.IsAllowed(nullptr, a, a); }},
      {"IsAllowed action", [&] { (void)permissions.IsAllowed(a, nullptr, a); }},
      {"IsAllowed value", [&] { (void)permissions.IsAllowed(a, a, nullptr); }},
  };
  for (const auto& [what, call] : calls) EXPECT_EQ(CodeOf(call), 100021u) << what;
  EXPECT_EQ(EntriesOf(permissions).size(), 1u);
}

}  // namespace
