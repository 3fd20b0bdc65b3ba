// tavrpki speed envelope: the envelope file and the key transport for one
// recipient on the 257-bit polynomial curve. The file's chunks run on two workers,
// so the file lines are elapsed time (on a busy machine, less than the CPUs give);
// the key transport is this thread's CPU time.
//   envelope-encrypt-1MiB <n> MiB/s   a 1 MiB file made, records and tags included
//   envelope-decrypt-1MiB <n> MiB/s   the same file checked and decrypted: elapsed
//                                     time, the chunks spread over two workers
//   envelope-*-1MiB-cpu <n> MiB/s     the same in the CPU time of both workers: the cost
//   envelope-open <n> ops/s           SetEnvelopeData + DecryptInit: the key transport
// The recipient certificate is made here from a built-in real one as template
// (SpeedCertificates.h), with fresh keys and the S-box extension. Its extensions
// need an OID root and the measurement no audit log: the run reads a private
// machine configuration that says so.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "Command.h"
#include "EnvelopeFile.h"
#include "SpeedCertificates.h"
#include "gostcrypto/DkeNo1.h"
#include "kernel/CKernelAllParams.h"
#include "kernel/CKernelCryptEnvelope.h"
#include "kernel/GetKernelInstance.h"

namespace tavrpki::tool {
namespace {

constexpr const char* kCurve = "1.2.804.2.1.1.1.1.3.1.1.2.6";
constexpr double kMiB = 1024.0 * 1024.0;

// The kernel of the measurement, over a private configuration that is gone again
// once the kernel has read it.
Kernel::CKernel MeasurementKernel() {
  const std::string path = "/tmp/tavrpki-speed-envelope-" + std::to_string(::getpid()) + ".reg";
  std::ofstream(path) << "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\TAVR_PKI]\r\n"
                         "\"RootOID\"=\"1.3.6.1.4.1.19398.1.1\"\r\n\"UseLog\"=dword:00000000\r\n";
  const char* previous = std::getenv("TAVR_PKI_SYSTEM_CONFIG");
  const std::string saved = previous != nullptr ? previous : "";
  ::setenv("TAVR_PKI_SYSTEM_CONFIG", path.c_str(), 1);
  Kernel::CKernel kernel = Kernel::GetKernelInstance();
  if (previous != nullptr)
    ::setenv("TAVR_PKI_SYSTEM_CONFIG", saved.c_str(), 1);
  else
    ::unsetenv("TAVR_PKI_SYSTEM_CONFIG");
  std::remove(path.c_str());
  return kernel;
}

int Run(const Args& args) {
  if (!args.empty()) throw UsageError{"speed envelope takes no options"};
  Kernel::CKernel kernel = MeasurementKernel();
  std::array<unsigned char, 128> dke = gostcrypto::kDkeNo1;
  kernel.InitRandom(dke.data(), dke.data(), nullptr);
  Kernel::CKernelAllParams params(kernel);
  params.SetRandomSBox(dke.data());
  params.SetCryptSBox(dke.data());
  params.SetSignParams(kernel.GenerateAsymmetric4145Params(kCurve, dke.data()));
  params.SetCryptParams(kernel.GenerateAsymmetric4145Params(kCurve, dke.data()));
  const Kernel::CKernelDoubleKeyPair keys = kernel.Generate4145DoubleKeyPair(params, false);
  Kernel::CKernelCertificate cert(kernel);
  cert.InitFromBuffer(kDiiaTestSign2022.data(), static_cast<unsigned long>(kDiiaTestSign2022.size()), false);
  cert.SetCertKeys(keys);
  cert.SetAdditionalParams(params);
  cert.Ensign(keys, dke.data());

  const std::vector<unsigned char> data(1 << 20, 0x5A);
  std::vector<unsigned char> file;
  auto encrypt = [&] {
    file.clear();
    Kernel::CKernelCryptEnvelope envelope(kernel);
    envelope.AddCertificate(cert);
    envelope::MemorySource plain(data.data(), data.size());
    envelope::Encrypt(kernel, envelope, plain,
                      [&](const unsigned char* bytes, std::size_t size) { file.insert(file.end(), bytes, bytes + size); });
  };
  const double encryptSeconds = MeasureWallSeconds(encrypt);
  std::printf("envelope-encrypt-1MiB %.1f MiB/s\n", static_cast<double>(data.size()) / kMiB / encryptSeconds);
  std::printf("envelope-encrypt-1MiB-cpu %.1f MiB/s\n",
              static_cast<double>(data.size()) / kMiB / MeasureProcessCpuSeconds(encrypt));
  std::fflush(stdout);

  envelope::MemorySource sealed(file.data(), file.size());
  const envelope::Layout layout = envelope::ReadLayout(sealed);
  const std::vector<unsigned char> records = envelope::ReadRecords(sealed, layout);
  std::vector<unsigned char> plain(data.size());
  const auto decrypt = [&] {
    Kernel::CKernelCryptEnvelope envelope(kernel);
    envelope.SetEnvelopeData(records.data(), static_cast<unsigned long>(records.size()));
    envelope.DecryptInit(keys);
    std::size_t at = 0;
    envelope::Decrypt(envelope, sealed, layout, [&](const unsigned char* bytes, std::size_t size) {
      std::copy(bytes, bytes + size, plain.begin() + static_cast<long>(at));
      at += size;
    });
  };
  const double decryptSeconds = MeasureWallSeconds(decrypt);
  if (plain != data) throw UsageError{"speed envelope: the round trip failed"};
  std::printf("envelope-decrypt-1MiB %.1f MiB/s\n", static_cast<double>(data.size()) / kMiB / decryptSeconds);
  std::printf("envelope-decrypt-1MiB-cpu %.1f MiB/s\n",
              static_cast<double>(data.size()) / kMiB / MeasureProcessCpuSeconds(decrypt));
  std::fflush(stdout);

  const double openSeconds = MeasureCpuSeconds([&] {
    Kernel::CKernelCryptEnvelope envelope(kernel);
    envelope.SetEnvelopeData(records.data(), static_cast<unsigned long>(records.size()));
    envelope.DecryptInit(keys);
  });
  std::printf("envelope-open %.0f ops/s\n", 1.0 / openSeconds);
  return 0;
}

const SpeedRegistration kSpeedEnvelope{"envelope", "", &Run};

}  // namespace
}  // namespace tavrpki::tool
