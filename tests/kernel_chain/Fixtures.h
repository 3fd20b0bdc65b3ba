// Shared by the chain tests: a kernel over a temporary SQLite store, and a
// validation that reports what it gave as one comparable value.
#pragma once

#include <string>
#include <vector>

#include <tavrpki/SqliteCertStore.h>

#include "../kernel_cert/Fixtures.h"
#include "../sqlitestore/StoreSupport.h"
#include "kernel/CKernelCertificateChain.h"
#include "kernel/CKernelException.h"

namespace tavrpki::test {

// What a validation gave: the code of the failure that ended it (0 for none)
// and the lines of the collected text.
struct Outcome {
  unsigned long code = 0;
  std::vector<std::string> lines;
  bool operator==(const Outcome&) const = default;
};

inline void PrintTo(const Outcome& outcome, std::ostream* out) {
  *out << "code " << outcome.code << ", " << outcome.lines.size() << " line(s)";
}

class ChainTest : public CertTest {
 protected:
  ChainTest() { m_kernel.SetCertStorage(static_cast<CertStorage*>(&m_store)); }

  std::int64_t Store(const std::vector<std::uint8_t>& der, bool trusted = false) {
    const std::int64_t id = m_store.Add(der).id;
    if (trusted) m_store.SetTrusted(id, 1);
    return id;
  }

  // Validates in the error-text mode at `at` (null: now).
  Outcome Validate(Kernel::CKernelCertificateChain chain, const _SYSTEMTIME* at, bool crl, bool ocsp = false,
                   bool strict = false, const char* url = nullptr) {
    chain.SetValidationTime(at);
    Outcome outcome;
    char* text = nullptr;
    try {
      chain.Validate(false, &text, crl, ocsp, strict, url);
    } catch (const Kernel::CKernelException& e) {
      outcome.code = e.GetErrorCode();
    }
    if (text != nullptr) {
      const std::string all(text);
      chain.ReleaseErrorMemory(text);
      for (std::size_t start = 0; start <= all.size();) {
        const std::size_t end = std::min(all.find("\r\n", start), all.size());
        outcome.lines.push_back(all.substr(start, end - start));
        start = end + 2;
      }
    }
    return outcome;
  }

  TempDir m_dir;
  SqliteCertStore m_store{m_dir.File("store.db")};
};


}  // namespace tavrpki::test
