// tavrpki speed crl: revocation lists and the certificate store at scale, in this
// thread's CPU time, through the exported classes as a relying party uses them.
//   crl-parse-500k <n> ms     CKernelCRL::InitFromBuffer of a 500,000-entry list
//                             (about 26 MB: 20-octet serials, each entry with a
//                             reason code), made in memory at start-up
//   crl-lookup <n> ops/s      CKernelCRL::FindLastCertificate on that list, once its
//                             index is built by the first lookup, for serials
//                             spread over the whole list
//   store-find-keyid <n> ops/s
//                             CKernel::FindCertificateByKeyId (query, fetch and
//                             certificate load) in a temporary SQLite store of
//                             2,000 certificates, a different key each call: each
//                             add is its own synced transaction, so 100,000 take
//                             minutes to build; the lookup is an index probe, whose
//                             cost grows only with the logarithm of the count
// The lists and certificates are made from the real end-entity certificate built
// into the tool; their signatures are not valid, which no measured step checks.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#include <tavrpki/SqliteCertStore.h>

#include "Command.h"
#include "SpeedCertificates.h"
#include "kernel/CKernelCRL.h"
#include "kernel/CKernelCertificate.h"
#include "kernel/GetKernelInstance.h"

namespace tavrpki::tool {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kListEntries = 500000;
constexpr std::uint32_t kStoreCertificates = 100000;

void PutLength(Bytes& out, std::size_t length) {
  if (length < 0x80) {
    out.push_back(static_cast<std::uint8_t>(length));
    return;
  }
  int octets = 0;
  for (std::size_t rest = length; rest != 0; rest >>= 8) ++octets;
  out.push_back(static_cast<std::uint8_t>(0x80 | octets));
  for (int i = octets - 1; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(length >> (8 * i)));
}

Bytes Element(std::uint8_t identifier, const Bytes& content) {
  Bytes out{identifier};
  PutLength(out, content.size());
  out.insert(out.end(), content.begin(), content.end());
  return out;
}

void Append(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }

Bytes Text(const char* text) { return Bytes(text, text + std::char_traits<char>::length(text)); }

// 20 octets, the size Ukrainian CAs use, distinct per index; `index` 0 gives `first`.
Bytes Serial(std::uint32_t index, const Bytes& first) {
  if (index == 0) return first;
  Bytes serial(20, 0);
  serial[0] = 0x30;
  for (int i = 0; i < 4; ++i) serial[19 - i] = static_cast<std::uint8_t>(index >> (8 * i));
  return serial;
}

// A list of kListEntries entries, one of them (in the middle) for `serial`.
Bytes MakeList(const Bytes& serial) {
  const Bytes algorithm = Element(0x30, Element(0x06, {0x2A, 0x86, 0x24, 0x02, 0x01, 0x01, 0x01, 0x01, 0x03, 0x01, 0x01}));
  const Bytes issuer = Element(0x30, Element(0x31, Element(0x30, [] {
                                            Bytes type = Element(0x06, {0x55, 0x04, 0x03});
                                            Append(type, Element(0x0C, Text("Speed CA")));
                                            return type;
                                          }())));
  const Bytes reason = Element(0x30, {0x30, 0x0A, 0x06, 0x03, 0x55, 0x1D, 0x15, 0x04, 0x03, 0x0A, 0x01, 0x01});
  const Bytes date = Element(0x17, Text("240102030405Z"));
  Bytes entries;
  entries.reserve(std::size_t{kListEntries} * 56);
  for (std::uint32_t i = 0; i < kListEntries; ++i) {
    Bytes entry = Element(0x02, Serial(i == kListEntries / 2 ? 0 : i + 1, serial));
    Append(entry, date);
    Append(entry, reason);
    Append(entries, Element(0x30, entry));
  }
  Bytes body = Element(0x02, {0x01});
  Append(body, algorithm);
  Append(body, issuer);
  Append(body, Element(0x17, Text("240102000000Z")));
  Append(body, Element(0x17, Text("240109000000Z")));
  Append(body, Element(0x30, entries));
  entries = Bytes();
  Append(body, Element(0xA0, Element(0x30, Element(0x30, [] {
                                  Bytes number = Element(0x06, {0x55, 0x1D, 0x14});
                                  Append(number, Element(0x04, Element(0x02, {0x01, 0x23})));
                                  return number;
                                }()))));
  Bytes list = Element(0x30, body);
  body = Bytes();
  Append(list, algorithm);
  Bytes signature{0x00};
  Append(signature, Element(0x04, Bytes(64, 0x5A)));
  Append(list, Element(0x03, signature));
  return Element(0x30, list);
}

// The offset of the last `size` octets of the element whose header starts at
// `pattern` in `der` (the serial's or key identifier's tail), or abort: the
// built-in certificate always has both.
std::size_t TailOf(const Bytes& der, const Bytes& pattern, std::size_t headerSize) {
  const auto at = std::search(der.begin(), der.end(), pattern.begin(), pattern.end());
  if (at == der.end()) std::abort();
  const std::size_t start = static_cast<std::size_t>(at - der.begin()) + pattern.size();
  return start + der[start + headerSize - 1] + headerSize - 4;
}

// A store directory that goes away with the run.
struct TempStore {
  std::filesystem::path dir;
  TempStore() {
    std::random_device random;
    dir = std::filesystem::temp_directory_path() / ("tavrpki-speed-" + std::to_string(random()));
    std::filesystem::create_directory(dir);
  }
  ~TempStore() {
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
  }
};

void Report(const char* line, double value) {
  std::printf(line, value);
  std::fflush(stdout);
}

int Run(const Args& args) {
  if (!args.empty()) throw UsageError{"speed crl takes no options"};
  Kernel::CKernel kernel = Kernel::GetKernelInstance();
  const Bytes certDer(kDiiaTestSign2022.begin(), kDiiaTestSign2022.end());
  Kernel::CKernelCertificate cert(kernel);
  cert.InitFromBuffer(certDer.data(), static_cast<unsigned long>(certDer.size()), false);
  unsigned char serial[64];
  unsigned long serialLength = sizeof serial;
  cert.GetSerialNo(serial, &serialLength);

  const Bytes list = MakeList(Bytes(serial, serial + serialLength));
  Kernel::CKernelCRL crl(kernel);
  const double parse = MeasureCpuSeconds(
      [&] { crl.InitFromBuffer(list.data(), static_cast<unsigned long>(list.size())); }, 2.0);
  Report("crl-parse-500k %.0f ms\n", parse * 1000);
  // Serials spread over the list, so that a lookup pays the cache misses of a
  // relying party's, not those of one serial asked again and again.
  struct Probe {
    Kernel::CKernelCertificate cert;
    unsigned long index;
  };
  std::vector<Probe> probes;
  std::mt19937 pick(7);
  for (int i = 0; i < 4096; ++i) {
    const std::uint32_t at = static_cast<std::uint32_t>(pick() % kListEntries);
    if (at == kListEntries / 2) continue;
    const Bytes octets = Serial(at + 1, {});
    Kernel::CKernelCertificate probe(kernel);
    probe.SetSerialNo(octets.data(), static_cast<unsigned long>(octets.size()));
    probes.push_back({probe, at});
  }
  probes.push_back({cert, kListEntries / 2});
  std::size_t nextProbe = 0;
  const double lookup = MeasureCpuSeconds([&] {
    const Probe& probe = probes[nextProbe++ % probes.size()];
    if (crl.FindLastCertificate(probe.cert) != probe.index) std::abort();  // each is listed there
  });
  Report("crl-lookup %.0f ops/s\n", 1.0 / lookup);

  // Certificates differing in the serial's and the key identifier's last four octets.
  const std::size_t serialTail = TailOf(certDer, {0xA0, 0x03, 0x02, 0x01, 0x02, 0x02}, 1);
  const std::size_t keyIdTail = TailOf(certDer, {0x06, 0x03, 0x55, 0x1D, 0x0E}, 4);
  TempStore temp;
  std::vector<Bytes> keyIds;
  keyIds.reserve(kStoreCertificates);
  {
    std::vector<Bytes> certificates;
    certificates.reserve(kStoreCertificates);
    Bytes der = certDer;
    for (std::uint32_t i = 0; i < kStoreCertificates; ++i) {
      for (int k = 0; k < 4; ++k) {
        der[serialTail + 3 - k] = static_cast<std::uint8_t>(i >> (8 * k));
        der[keyIdTail + 3 - k] = static_cast<std::uint8_t>((i * 2654435761u) >> (8 * k));
      }
      certificates.push_back(der);
      keyIds.emplace_back(der.begin() + static_cast<std::ptrdiff_t>(keyIdTail) - 28,
                          der.begin() + static_cast<std::ptrdiff_t>(keyIdTail) + 4);
    }
    SqliteCertStore store((temp.dir / "store.db").string());
    for (const auto& result : store.AddAll(certificates))
      if (!result.added) std::abort();  // every one differs
  }
  SqliteCertStore store((temp.dir / "store.db").string());
  kernel.SetCertStorage(&store);
  std::shuffle(keyIds.begin(), keyIds.end(), std::mt19937(1));
  std::size_t next = 0;
  Kernel::CKernelCertificate found(kernel);
  const double find = MeasureCpuSeconds([&] {
    const Bytes& keyId = keyIds[next++ % keyIds.size()];
    if (!kernel.FindCertificateByKeyId(keyId.data(), static_cast<unsigned long>(keyId.size()), nullptr, 0, found))
      std::abort();  // every key identifier was stored
  });
  Report("store-find-keyid %.0f ops/s\n", 1.0 / find);
  return 0;
}

const SpeedRegistration kSpeedCrl{"crl", "", &Run};

}  // namespace
}  // namespace tavrpki::tool
