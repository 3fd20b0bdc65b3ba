// DER codec throughput on the shape of a national CA's revocation list: one
// SEQUENCE of many small entries SEQUENCE { INTEGER serial, UTCTime date }.
// Sizes 1 KB, 1 MB and 50 MB; throughput in bytes of DER per CPU second.
#include <benchmark/benchmark.h>

#include <map>
#include <vector>

#include "asn1/ASN1Integer.h"
#include "asn1/ASN1UTCTime.h"
#include "asn1/Der.h"

namespace {

using namespace tavrpki;

struct Entry {
  ASN1Integer serial;
  ASN1UTCTime date;
};

std::vector<Entry> MakeEntries(std::size_t bytes) {
  std::vector<Entry> entries;
  const ASN1UTCTime date(DateTime(2016, 9, 9, 20, 53, 16));
  // About 29 bytes per entry: a 16-byte serial, a 13-character time, two headers.
  for (std::size_t i = 0; i * 29 < bytes; ++i) {
    Entry entry;
    entry.serial.SetValue(static_cast<std::int64_t>(0x3004751DEF2C78AEull + i * 0x10001ull));
    entry.date = date;
    entries.push_back(entry);
  }
  return entries;
}

void Encode(const std::vector<Entry>& entries, Blob& out) {
  ASN1Primitive list(0, true, 16);
  for (const Entry& e : entries) {
    ASN1Primitive entry(0, true, 16);
    entry.AppendChild(e.serial);
    entry.AppendChild(e.date);
    list.AppendChild(entry);
  }
  list.Encode(out);
}

std::vector<Entry> Decode(const Blob& der) {
  std::vector<Entry> entries;
  DerReader list = DerReader(der).Enter();
  while (list.HasMore()) {
    DerReader fields = list.Enter();
    Entry& entry = entries.emplace_back();
    fields.Read(entry.serial);
    fields.Read(entry.date);
  }
  return entries;
}

const std::vector<Entry>& EntriesFor(std::size_t bytes) {
  static std::map<std::size_t, std::vector<Entry>> cache;
  auto it = cache.find(bytes);
  if (it == cache.end()) it = cache.emplace(bytes, MakeEntries(bytes)).first;
  return it->second;
}

void BM_Asn1Decode(benchmark::State& state) {
  Blob der;
  Encode(EntriesFor(static_cast<std::size_t>(state.range(0))), der);
  for (auto _ : state) benchmark::DoNotOptimize(Decode(der).size());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * der.Size());
  state.counters["entries"] = static_cast<double>(EntriesFor(static_cast<std::size_t>(state.range(0))).size());
}

void BM_Asn1Encode(benchmark::State& state) {
  const std::vector<Entry>& entries = EntriesFor(static_cast<std::size_t>(state.range(0)));
  Blob der;
  for (auto _ : state) {
    Encode(entries, der);
    benchmark::DoNotOptimize(der.Data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * der.Size());
}

}  // namespace

BENCHMARK(BM_Asn1Decode)->Arg(1 << 10)->Arg(1 << 20)->Arg(50 << 20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Asn1Encode)->Arg(1 << 10)->Arg(1 << 20)->Arg(50 << 20)->Unit(benchmark::kMillisecond);
