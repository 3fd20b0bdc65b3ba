// Reading and writing DSTU 4145 parameter DER: the named form, the explicit form of
// a named curve (base point from the table) and of another base point (the engine
// compresses and decompresses it).
#include <benchmark/benchmark.h>

#include "crypto/params/Dke.h"
#include "crypto/params/DstuParams.h"

namespace {

using namespace tavrpki;

constexpr const char* k257 = "1.2.804.2.1.1.1.1.3.1.1.2.6";

CAsymmetric4145Params Params(bool named, bool tableBasePoint) {
  CAsymmetric4145Params p = NamedCurveParams(k257, ByteView(params::kDke1));
  if (!named) p.curveOid = String();
  if (!tableBasePoint) {
    // Q = -dP of a known key: a point of order n that is not the table's.
    p.p = CBasePoint(CBitBlob("13D1F51F959C88D1FF1B844D60A7B23EA83011A3EC11C4F46CDF29D41773D7478", p.m),
                     CBitBlob("49CFAE7DB328E2F3EA22DBBDAD327B4D07961B1AF6612A6BAB4FEBA54851083F", p.m));
  }
  return p;
}

void Decode(benchmark::State& state, bool named, bool tableBasePoint) {
  const Blob der = EncodeDstuParams(Params(named, tableBasePoint));
  for (auto _ : state) {
    CAsymmetric4145Params out;
    DecodeDstuParams(der, true, out);
    benchmark::DoNotOptimize(out.m);
  }
}

void Encode(benchmark::State& state, bool named, bool tableBasePoint) {
  const CAsymmetric4145Params p = Params(named, tableBasePoint);
  for (auto _ : state) benchmark::DoNotOptimize(EncodeDstuParams(p).Size());
}

BENCHMARK_CAPTURE(Decode, named_257, true, true);
BENCHMARK_CAPTURE(Decode, explicit_257, false, true);
BENCHMARK_CAPTURE(Decode, explicit_257_other_point, false, false);
BENCHMARK_CAPTURE(Encode, named_257, true, true);
BENCHMARK_CAPTURE(Encode, explicit_257, false, true);
BENCHMARK_CAPTURE(Encode, explicit_257_other_point, false, false);

}  // namespace
