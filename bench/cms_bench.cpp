// Signed messages through the exported classes, and their pieces: what a
// signature over a document costs besides the hash of the document and the DSTU
// signature itself (signer info from the certificate, the kernel copies the
// exported objects hold, writing and reading the envelope). CPU time, one thread;
// logging off.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "asn1/cms/ASN1SignedData.h"
#include "crypto/params/Dke.h"
#include "kernel/CKernel.h"
#include "kernel/CKernelAllParams.h"
#include "kernel/CKernelCertificate.h"
#include "kernel/CKernelDoubleKeyPair.h"
#include "kernel/CKernelSignatureEnvelope.h"
#include "kernel/CKernelSignerInfo.h"
#include "kernel/GetKernelInstance.h"
#include "tests/support/QuietConfiguration.h"

namespace {

const bool kQuietConfiguration = tavrpki::test::QuietConfiguration("/tmp/tavrpki-cms-bench.reg");

struct Setup {
  Kernel::CKernel kernel = Kernel::GetKernelInstance();  // also builds the OID table
  Kernel::CKernelAllParams params{kernel};
  Kernel::CKernelDoubleKeyPair keys{kernel, false};
  Kernel::CKernelCertificate cert{kernel};

  Setup() {
    tavrpki::params::Dke dke = tavrpki::params::kDke1;
    params.SetRandomSBox(dke.data());
    params.SetCryptSBox(dke.data());
    params.SetSignParams(kernel.GenerateAsymmetric4145Params("1.2.804.2.1.1.1.1.3.1.1.2.6", dke.data()));
    params.SetCryptParams(kernel.GenerateAsymmetric4145Params("1.2.804.2.1.1.1.1.3.1.1.2.6", dke.data()));
    keys = kernel.Generate4145DoubleKeyPair(params, false);
    // The test PKI's user certificate as a template, re-keyed and self-signed.
    std::ifstream in(std::string(TAVRPKI_TEST_DATA_DIR) + "/real/test-pki/userfiz.cer", std::ios::binary);
    const std::vector<unsigned char> der((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    cert.InitFromBuffer(der.data(), static_cast<unsigned long>(der.size()), false);
    cert.SetCertSignKeys(keys);
    cert.MakeIssuerEqualSubject();
    cert.Ensign(keys, dke.data());
  }

  Kernel::CKernelSignerInfo Signed(const std::vector<unsigned char>& data) const {
    unsigned char hash[32];
    kernel.CalcHash(data.data(), static_cast<unsigned long>(data.size()), hash, keys.GetHashSBox());
    Kernel::CKernelSignerInfo signer(cert);
    signer.SetMessageDigest(hash, sizeof hash);
    signer.SetStandardSignedAttrs(true);
    signer.CalculateSignature(cert, keys);
    return signer;
  }

  std::vector<unsigned char> Message(const std::vector<unsigned char>& data) const {
    Kernel::CKernelSignatureEnvelope envelope(kernel);
    envelope.AddCertificate(cert);
    envelope.AddSignerInfo(Signed(data));
    envelope.SetData(data.data(), static_cast<unsigned long>(data.size()));
    unsigned long length = 0;
    envelope.GetEnvelopeBuffer(nullptr, &length);
    std::vector<unsigned char> message(length);
    envelope.GetEnvelopeBuffer(message.data(), &length);
    return message;
  }
};

Setup& Shared() {
  static Setup setup;
  return setup;
}

std::vector<unsigned char> Data(std::size_t size) {
  std::vector<unsigned char> data(size);
  for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<unsigned char>(i * 131 + 7);
  return data;
}

void KernelCopy(benchmark::State& state) {
  Setup& setup = Shared();
  for (auto _ : state) {
    Kernel::CKernel copy(setup.kernel);
    benchmark::DoNotOptimize(&copy);
  }
}

void SignerInfoFromCertificate(benchmark::State& state) {
  Setup& setup = Shared();
  for (auto _ : state) {
    Kernel::CKernelSignerInfo signer(setup.cert);
    benchmark::DoNotOptimize(&signer);
  }
}

void CalculateSignature(benchmark::State& state) {
  Setup& setup = Shared();
  const std::vector<unsigned char> data = Data(64);
  for (auto _ : state) benchmark::DoNotOptimize(setup.Signed(data));
}

void SignWhole(benchmark::State& state) {
  Setup& setup = Shared();
  const std::vector<unsigned char> data = Data(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(setup.Message(data));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

void Verify(benchmark::State& state) {
  Setup& setup = Shared();
  const std::vector<unsigned char> data = Data(static_cast<std::size_t>(state.range(0)));
  const std::vector<unsigned char> message = setup.Message(data);
  std::vector<unsigned char> content(data.size());
  for (auto _ : state) {
    Kernel::CKernelSignatureEnvelope envelope(setup.kernel);
    envelope.InitFromBuffer(message.data(), static_cast<unsigned long>(message.size()));
    unsigned long length = static_cast<unsigned long>(content.size());
    envelope.GetData(content.data(), &length);
    if (!envelope.GetSignerInfo(0).VerifySignatureOnData(content.data(), length)) std::abort();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

// Reading the structures alone, for a message of the given size.
void DecodeSignedData(benchmark::State& state) {
  Setup& setup = Shared();
  const std::vector<unsigned char> message = setup.Message(Data(static_cast<std::size_t>(state.range(0))));
  for (auto _ : state) {
    Kernel::CKernelSignatureEnvelope envelope(setup.kernel);
    envelope.InitFromBuffer(message.data(), static_cast<unsigned long>(message.size()));
    benchmark::DoNotOptimize(envelope.GetHandle());
  }
}

BENCHMARK(KernelCopy)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(SignerInfoFromCertificate)->MeasureProcessCPUTime();
BENCHMARK(CalculateSignature)->MeasureProcessCPUTime();
BENCHMARK(SignWhole)->Arg(64)->Arg(1 << 20)->MeasureProcessCPUTime();
BENCHMARK(Verify)->Arg(64)->Arg(1 << 20)->MeasureProcessCPUTime();
BENCHMARK(DecodeSignedData)->Arg(64)->Arg(1 << 20)->MeasureProcessCPUTime();

}  // namespace
