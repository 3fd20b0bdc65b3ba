// Certificate parsing: a real end-entity certificate on the 257-bit curve (about
// 1.6 KB, 13 extensions), decoded into a fresh object per iteration as a loader
// does; and the write back. Rates in certificates per CPU second.
#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "asn1/x509/ASN1Certificate.h"

namespace {

using namespace tavrpki;

const std::vector<std::uint8_t>& Certificate() {
  static const std::vector<std::uint8_t> bytes = [] {
    std::ifstream in(TAVRPKI_TEST_DATA_DIR "/real/diia-test-sign-2022.cer", std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
  }();
  return bytes;
}

void BM_CertificateDecode(benchmark::State& state) {
  const ByteView der(Certificate());
  if (der.empty()) state.SkipWithError("certificate file not found");
  for (auto _ : state) {
    ASN1Certificate certificate;
    certificate.Decode(der);
    benchmark::DoNotOptimize(certificate);
  }
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(der.size()));
}
BENCHMARK(BM_CertificateDecode);

void BM_CertificateEncode(benchmark::State& state) {
  const ByteView der(Certificate());
  if (der.empty()) state.SkipWithError("certificate file not found");
  ASN1Certificate certificate;
  if (!der.empty()) certificate.Decode(der);
  Blob out;
  for (auto _ : state) {
    certificate.Encode(out);
    benchmark::DoNotOptimize(out);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CertificateEncode);

}  // namespace
