// DER codec throughput on the shape of a national CA's revocation list: one
// SEQUENCE of many small entries SEQUENCE { INTEGER serial, UTCTime date }.
// Sizes 1 KB, 1 MB and 50 MB; throughput in bytes of DER per CPU second.
// Also distinguished names as hostile input shapes them: comparing two names of
// n attributes each (in opposite orders), and decoding a 10 MB name, with the heap
// it holds per byte of DER as a counter.
#include <benchmark/benchmark.h>

#include <malloc.h>

#include <map>
#include <string>
#include <vector>

#include "asn1/ASN1Integer.h"
#include "asn1/ASN1Name.h"
#include "asn1/ASN1PrintableString.h"
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

// A name of `count` attributes with distinct types 1.2.804.<i>, in either order.
Blob NameDer(std::size_t count, bool reversed) {
  ASN1Primitive sequence(0, true, 16);
  for (std::size_t k = 0; k < count; ++k) {
    const std::size_t i = reversed ? count - 1 - k : k;
    ASN1Primitive set(0, true, 17);
    set.AppendChild(ASN1AttrTypeValue(("1.2.804." + std::to_string(i)).c_str(), ASN1PrintableString("v")));
    sequence.AppendChild(set);
  }
  Blob der;
  sequence.Encode(der);
  return der;
}

void BM_NameEquals(benchmark::State& state) {
  const auto count = static_cast<std::size_t>(state.range(0));
  ASN1Name a, b;
  a.Decode(NameDer(count, false));
  b.Decode(NameDer(count, true));
  for (auto _ : state) benchmark::DoNotOptimize(a.Equals(b));
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * count));
}

void BM_NameDecodeLarge(benchmark::State& state) {
  // Minimal attributes (empty OID, empty value: 31 04 30 02 06 00) up to the size.
  const auto bytes = static_cast<std::uint32_t>(state.range(0));
  const std::uint32_t count = bytes / 6;
  Blob content;
  content.Resize(count * 6);
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint8_t attribute[] = {0x31, 0x04, 0x30, 0x02, 0x06, 0x00};
    content.WriteAt(attribute, 6, i * 6);
  }
  ASN1Primitive sequence(0, true, 16);
  sequence.Assign(content);
  Blob der;
  sequence.Encode(der);
  double heldPerByte = 0;
  for (auto _ : state) {
    // Large blocks are mapped apart from the arena: both count.
    const auto held = [] { const struct mallinfo2 info = mallinfo2(); return info.uordblks + info.hblkhd; };
    const std::size_t before = held();
    ASN1Name name;
    name.Decode(der);
    heldPerByte = static_cast<double>(held() - before) / der.Size();
    benchmark::DoNotOptimize(name.Count());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * der.Size());
  state.counters["heap_per_der_byte"] = heldPerByte;
}

}  // namespace

BENCHMARK(BM_NameEquals)->Arg(1000)->Arg(16000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NameDecodeLarge)->Arg(10 << 20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Asn1Decode)->Arg(1 << 10)->Arg(1 << 20)->Arg(50 << 20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Asn1Encode)->Arg(1 << 10)->Arg(1 << 20)->Arg(50 << 20)->Unit(benchmark::kMillisecond);
