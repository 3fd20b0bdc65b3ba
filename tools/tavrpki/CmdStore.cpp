// tavrpki store: the SQLite certificate store (libtavrpki-sqlitestore).
//   store add FILE...          certificates and revocation lists (DER, PEM or Base64);
//                              one line per item: <id> <kind> <subject or issuer>
//   store list [--crls]        the certificates (or the lists), one per line
//   store trust ID | untrust ID | remove ID
//   store export ID [OUT]      the item's DER to OUT (standard output by default)
// Every command takes --store FILE, else the default store
// ($XDG_DATA_HOME/tavr-pki/store.db).
#include <cinttypes>
#include <cstdio>
#include <string>
#include <vector>

#include <tavrpki/SqliteCertStore.h>

#include "Command.h"
#include "LibraryInput.h"
#include "Output.h"
#include "StoreAccess.h"
#include "asn1/NameText.h"

namespace tavrpki::tool {
namespace {

using Kind = SqliteCertStore::Kind;

std::string KindWord(const SqliteCertStore::Item& item) {
  if (item.kind == Kind::kCertificate) return "certificate";
  return item.delta ? "delta-crl" : "crl";
}

// The Name's text, or its hex when the library cannot read it as a Name (the
// store's own reader is more lenient than the library's).
std::string NameText(const std::vector<std::uint8_t>& der) {
  try {
    const std::string text = NameTextUtf8(der);
    return text.empty() ? "(empty name)" : text;
  } catch (...) {
    return "name " + ToHex(der);
  }
}

std::string Upper(std::string hex) {
  for (char& c : hex) c = static_cast<char>(c >= 'a' && c <= 'f' ? c - 'a' + 'A' : c);
  return hex;
}

// "20160926141854Z" as "2016-09-26 14:18:54".
std::string TimeText(const std::string& t) {
  if (t.size() != 15) return t;
  return t.substr(0, 4) + "-" + t.substr(4, 2) + "-" + t.substr(6, 2) + " " + t.substr(8, 2) + ":" + t.substr(10, 2) +
         ":" + t.substr(12, 2);
}

std::int64_t ParseId(const std::string& text) {
  if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != std::string::npos)
    throw UsageError{"'" + text + "' is not an item id"};
  return std::stoll(text);
}

int Add(SqliteCertStore& store, const Args& files) {
  if (files.empty()) throw UsageError{"give the FILEs to add"};
  // Every file is read and decoded first, so an unreadable one adds nothing; an
  // item the store refuses stops the run after those before it were added (and
  // printed).
  std::vector<std::vector<std::uint8_t>> items;
  for (const auto& file : files) {
    items.push_back(ReadDerFile(file));
  }
  for (const auto& der : items) {
    const auto result = store.Add(der);
    const auto item = store.Describe(result.id);
    if (!item) continue;
    std::printf("%" PRId64 " %s %s%s\n", item->id, KindWord(*item).c_str(), NameText(item->name).c_str(),
                result.added ? "" : " (already stored, not added again)");
  }
  return 0;
}

int List(SqliteCertStore& store, bool lists) {
  for (const auto& item : store.List(lists ? Kind::kCrl : Kind::kCertificate)) {
    if (lists)
      std::printf("%" PRId64 " %s %s %s %s\n", item.id, KindWord(item).c_str(),
                  item.number.empty() ? "-" : Upper(ToHex(item.number)).c_str(), TimeText(item.thisUpdate).c_str(),
                  NameText(item.name).c_str());
    else
      std::printf("%" PRId64 " certificate %s %s %s\n", item.id, item.trusted ? "trusted" : "untrusted",
                  Upper(ToHex(item.serial)).c_str(), NameText(item.name).c_str());
  }
  return 0;
}

int NoItem(std::int64_t id) {
  std::fprintf(stderr, "tavrpki store: no item with id %" PRId64 " in the store\n", id);
  return 2;
}

int Run(const Args& args) {
  const Options options(args, {"store"}, {"crls"});
  const Args& words = options.Positional();
  if (words.empty()) throw UsageError{"say what to do: add, list, trust, untrust, remove or export"};
  const std::string& what = words[0];
  const Args rest(words.begin() + 1, words.end());
  if (options.Flag("crls") && what != "list") throw UsageError{"--crls goes with list only"};
  if (what == "add") {
    auto store = OpenStore(options);
    return Add(*store, rest);
  }
  if (what == "list") {
    if (!rest.empty()) throw UsageError{"list takes no arguments"};
    auto store = OpenStore(options);
    return List(*store, options.Flag("crls"));
  }
  if (what == "trust" || what == "untrust" || what == "remove") {
    if (rest.size() != 1) throw UsageError{what + " takes one ID"};
    const std::int64_t id = ParseId(rest[0]);
    auto store = OpenStore(options);
    if (what == "remove") {
      if (!store->Remove(id)) return NoItem(id);
      std::printf("%" PRId64 " removed\n", id);
      return 0;
    }
    const auto item = store->Describe(id);
    if (!item) return NoItem(id);
    if (item->kind != Kind::kCertificate) {
      std::fprintf(stderr, "tavrpki store: item %" PRId64 " is a revocation list; only certificates are trusted\n", id);
      return 2;
    }
    store->SetTrusted(id, what == "trust" ? 1 : 0);
    std::printf("%" PRId64 " %s\n", id, what == "trust" ? "trusted" : "untrusted");
    return 0;
  }
  if (what == "export") {
    if (rest.empty() || rest.size() > 2) throw UsageError{"export takes an ID and an optional OUT"};
    const std::int64_t id = ParseId(rest[0]);
    auto store = OpenStore(options);
    if (!store->Describe(id)) return NoItem(id);
    const auto der = store->Export(id);
    OutputFile out(rest.size() == 2 ? rest[1] : "-");
    out.Write(der.data(), der.size());
    out.Commit();
    return 0;
  }
  throw UsageError{"unknown store command '" + what + "'"};
}

const CommandRegistration kStore{"store", "add FILE...|list [--crls]|trust|untrust|remove ID|export ID [OUT] [--store FILE]",
                                 "the certificate store (SQLite)", &Run};

}  // namespace
}  // namespace tavrpki::tool
