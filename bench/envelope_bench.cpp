// The encrypted envelope's key transport for one recipient on the 257-bit curve:
// what `tavrpki speed envelope` reports as envelope-open, and its pieces (the
// asymmetric decryption of the 160-octet key material alone). CPU time, one
// thread, logging off.
#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "crypto/params/Dke.h"
#include "kernel/CKernel.h"
#include "kernel/CKernelAllParams.h"
#include "kernel/CKernelCertificate.h"
#include "kernel/CKernelCryptEnvelope.h"
#include "kernel/CKernelDoubleKeyPair.h"
#include "kernel/GetKernelInstance.h"
#include <stdlib.h>

namespace {

// Recipient certificates carry the system's extensions, which need an OID root; the
// measurement needs no audit log.
const bool kConfiguration = [] {
  const char* path = "/tmp/tavrpki-envelope-bench.reg";
  std::ofstream(path) << "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\TAVR_PKI]\r\n"
                         "\"RootOID\"=\"1.3.6.1.4.1.19398.1.1\"\r\n\"UseLog\"=dword:00000000\r\n";
  setenv("TAVR_PKI_SYSTEM_CONFIG", path, 1);
  setenv("TAVR_PKI_USER_CONFIG", "/nonexistent/tavrpki-envelope-bench.reg", 1);
  return true;
}();

struct Setup {
  Kernel::CKernel kernel = Kernel::GetKernelInstance();
  Kernel::CKernelAllParams params{kernel};
  Kernel::CKernelDoubleKeyPair keys{kernel, false};
  Kernel::CKernelCertificate cert{kernel};
  std::vector<unsigned char> records;
  std::vector<unsigned char> keyMaterial;  // 160 octets encrypted to the key

  Setup() {
    tavrpki::params::Dke dke = tavrpki::params::kDke1;
    kernel.InitRandom(dke.data(), dke.data(), nullptr);
    params.SetRandomSBox(dke.data());
    params.SetCryptSBox(dke.data());
    params.SetSignParams(kernel.GenerateAsymmetric4145Params("1.2.804.2.1.1.1.1.3.1.1.2.6", dke.data()));
    params.SetCryptParams(kernel.GenerateAsymmetric4145Params("1.2.804.2.1.1.1.1.3.1.1.2.6", dke.data()));
    keys = kernel.Generate4145DoubleKeyPair(params, false);
    std::ifstream in(std::string(TAVRPKI_TEST_DATA_DIR) + "/real/test-pki/userfiz.cer", std::ios::binary);
    const std::vector<unsigned char> der((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    cert.InitFromBuffer(der.data(), static_cast<unsigned long>(der.size()), false);
    cert.SetCertKeys(keys);
    cert.SetAdditionalParams(params);
    cert.Ensign(keys, dke.data());

    Kernel::CKernelCryptEnvelope envelope(kernel);
    envelope.AddCertificate(cert);
    envelope.CryptInit();
    envelope.CryptFinalize();
    unsigned long length = 0;
    envelope.GetEnvelopeData(nullptr, &length);
    records.resize(length);
    envelope.GetEnvelopeData(records.data(), &length);

    const std::vector<unsigned char> material(160, 0x3C);
    unsigned long size = 0;
    kernel.EncryptAsymmetric(keys, material.data(), 160, nullptr, &size);
    keyMaterial.resize(size);
    kernel.EncryptAsymmetric(keys, material.data(), 160, keyMaterial.data(), &size);
  }
};

Setup& Shared() {
  static Setup setup;
  return setup;
}

void EnvelopeOpen257(benchmark::State& state) {
  Setup& setup = Shared();
  for (auto _ : state) {
    Kernel::CKernelCryptEnvelope envelope(setup.kernel);
    envelope.SetEnvelopeData(setup.records.data(), static_cast<unsigned long>(setup.records.size()));
    envelope.DecryptInit(setup.keys);
  }
}

void SetEnvelopeData257(benchmark::State& state) {
  Setup& setup = Shared();
  for (auto _ : state) {
    Kernel::CKernelCryptEnvelope envelope(setup.kernel);
    envelope.SetEnvelopeData(setup.records.data(), static_cast<unsigned long>(setup.records.size()));
  }
}

void DecryptKeyMaterial257(benchmark::State& state) {
  Setup& setup = Shared();
  std::vector<unsigned char> plain(2048);
  for (auto _ : state) {
    unsigned long length = static_cast<unsigned long>(plain.size());
    setup.kernel.DecryptAsymmetric(setup.keys, setup.keyMaterial.data(),
                                   static_cast<unsigned long>(setup.keyMaterial.size()), plain.data(), &length);
  }
}

BENCHMARK(EnvelopeOpen257)->Unit(benchmark::kMicrosecond);
BENCHMARK(SetEnvelopeData257)->Unit(benchmark::kMicrosecond);
BENCHMARK(DecryptKeyMaterial257)->Unit(benchmark::kMicrosecond);

}  // namespace
