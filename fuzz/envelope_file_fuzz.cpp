// The tool's envelope file (tools/tavrpki/EnvelopeFile.h) over arbitrary bytes:
// the layout, the records, and, when the fixed recipient key of
// tests/data/kernel_envelope/fuzz-recipient.key opens a record, the checks and
// the decryption, in both versions of the file. The seeds are files made for that
// key (seed-N version 1, seed-v2-N version 2, N bytes of data).
//
// Findings: a crash, a read past the input (it is copied into a buffer of exactly
// its size), an exception other than the library's or FormatError, and any
// plaintext handed out for a file whose check value then fails.
#include <stdlib.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <vector>

#include "kernel/CKernelCryptEnvelope.h"
#include "kernel/CKernelException.h"
#include "kernel/GetKernelInstance.h"
#include "tools/tavrpki/EnvelopeFile.h"

namespace {

namespace envelope = tavrpki::tool::envelope;

struct Fixture {
  std::optional<Kernel::CKernel> kernel;
  std::optional<Kernel::CKernelDoubleKeyPair> keys;
  Fixture() {
    const char* config = "/tmp/tavrpki-envelope-file-fuzz.reg";
    std::ofstream(config) << "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\TAVR_PKI]\r\n"
                             "\"RootOID\"=\"1.3.6.1.4.1.19398.1.1\"\r\n\"UseLog\"=dword:00000000\r\n";
    setenv("TAVR_PKI_SYSTEM_CONFIG", config, 1);
    kernel.emplace(Kernel::GetKernelInstance());
    std::ifstream in(TAVRPKI_FUZZ_ENVELOPE_KEY, std::ios::binary);
    const std::vector<unsigned char> buffer{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    keys.emplace(*kernel, true);
    keys->InitFromBuffer(buffer.data(), static_cast<unsigned long>(buffer.size()));
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Fixture fixture;
  const auto copy = std::make_unique<unsigned char[]>(size == 0 ? 1 : size);
  std::copy(data, data + size, copy.get());
  envelope::MemorySource file(copy.get(), size);
  std::size_t written = 0;
  try {
    const envelope::Layout layout = envelope::ReadLayout(file);
    const std::vector<unsigned char> records = envelope::ReadRecords(file, layout);
    Kernel::CKernelCryptEnvelope opened(*fixture.kernel);
    opened.SetEnvelopeData(records.data(), static_cast<unsigned long>(records.size()));
    opened.DecryptInit(*fixture.keys);
    envelope::Decrypt(opened, file, layout, [&](const unsigned char*, std::size_t n) { written += n; });
  } catch (const envelope::FormatError& error) {
    // Version 1 hands out data only for a file that changed between its two
    // passes, which an input in memory never does; version 2 only the checked
    // chunk pairs before a failing one, and an input this small is one chunk.
    if (written != 0) abort();
  } catch (const Kernel::CKernelException&) {
    if (written != 0) abort();
  }
  return 0;
}
