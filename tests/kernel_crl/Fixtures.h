// Shared pieces of the exported revocation-list tests: lists loaded from the test
// data, their DER through the caller-buffer rule, and a CA made by the test.
#pragma once

#include <string>
#include <vector>

#include "asn1/DateTime.h"
#include "kernel/CKernelCRL.h"
#include "tests/kernel_cert/Fixtures.h"

namespace tavrpki::test {

inline std::vector<unsigned char> DerOf(const Kernel::CKernelCRL& crl) {
  return Fetch([&](unsigned char* b, unsigned long* l) { crl.GetCRLBuffer(b, l); });
}

inline Kernel::CKernelCRL LoadCrl(const Kernel::CKernel& kernel, const std::vector<std::uint8_t>& der) {
  Kernel::CKernelCRL crl(kernel);
  crl.InitFromBuffer(der.data(), static_cast<unsigned long>(der.size()));
  return crl;
}

inline Kernel::CKernelCRL LoadCrlFile(const Kernel::CKernel& kernel, const std::string& file) {
  return LoadCrl(kernel, ReadFileBytes(DataPath(file)));
}

inline _SYSTEMTIME At(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
  return DateTime(year, month, day, hour, minute, second).SystemTime();
}

}  // namespace tavrpki::test
