// Constant-time check of the GOST 28147-89 and GOST 34.311-95 kernels that handle
// secrets, run under valgrind's memcheck on the portable path and the AVX2 kernels
// (valgrind does not run AVX-512): keys, chaining values, plaintext and hash input
// are marked undefined, so every branch and every memory index that depends on them
// is reported and the run fails (--error-exitcode). Results are declassified before
// they are compared.
//
// With --tables the same cipher checks run on the table kernels, which index memory
// by secret data: that run must fail, which shows the check can see a leak.
#include <valgrind/memcheck.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "crypto/core/gost/Bulk.h"
#include "crypto/core/gost/CpuPath.h"
#include "crypto/core/gost/Gost34311.h"
#include "gostcrypto/SCryptoEngine.h"

namespace {

using namespace gostcrypto::detail;

// Portable: 25 four-lane groups and a single block; AVX2: a pass of three 32-block
// groups and a padded group.
constexpr std::size_t kBlocks = 101;
constexpr std::size_t kBytes = 8 * kBlocks;

void Secret(void* p, std::size_t n) { VALGRIND_MAKE_MEM_UNDEFINED(p, n); }
void Public(void* p, std::size_t n) { VALGRIND_MAKE_MEM_DEFINED(p, n); }

void Fill(unsigned char* p, std::size_t n, unsigned seed) {
  for (std::size_t i = 0; i < n; ++i) p[i] = static_cast<unsigned char>(seed * 131 + i * 29 + (i >> 3));
}

bool Same(const char* what, unsigned char* a, unsigned char* b, std::size_t n) {
  Public(a, n);
  Public(b, n);
  if (std::memcmp(a, b, n) == 0) return true;
  std::fprintf(stderr, "%s: round trip differs\n", what);
  return false;
}

// Every bulk mode one way and back, key, counter, feedback and data secret.
bool CheckCipher(const BulkOps& ops, const SBox& box) {
  std::uint32_t key[8];
  Fill(reinterpret_cast<unsigned char*>(key), sizeof key, 1);
  Secret(key, sizeof key);
  unsigned char plain[kBytes], cipher[kBytes], back[kBytes];
  Fill(plain, kBytes, 2);
  Secret(plain, kBytes);
  bool ok = true;

  ops.ecbEncrypt(box, key, plain, cipher, kBlocks);
  ops.ecbDecrypt(box, key, cipher, back, kBlocks);
  ok &= Same("ecb", plain, back, kBytes);

  for (int pass = 0; pass < 2; ++pass) {
    std::uint32_t n3 = 0x01234567, n4 = 0x89ABCDEF;
    Secret(&n3, sizeof n3);
    Secret(&n4, sizeof n4);
    if (pass == 0)
      ops.ctr(box, key, n3, n4, plain, cipher, kBlocks);
    else
      ops.ctr(box, key, n3, n4, cipher, back, kBlocks);
  }
  ok &= Same("ctr", plain, back, kBytes);

  unsigned char feedback[8];
  Fill(feedback, 8, 3);
  Secret(feedback, 8);
  ops.cfbEncrypt(box, key, feedback, plain, cipher, kBlocks);
  Fill(feedback, 8, 3);
  Secret(feedback, 8);
  ops.cfbDecrypt(box, key, feedback, cipher, back, kBlocks);
  ok &= Same("cfb", plain, back, kBytes);
  return ok;
}

// The constant-time hash over secret input against the table hash of the same
// (public) input.
bool CheckHash(const SBox& box) {
  unsigned char data[100], secretOut[32], publicOut[32];
  Fill(data, sizeof data, 4);
  Gost34311 reference(box, nullptr, false);
  reference.Update(data, sizeof data);
  reference.Final(publicOut);

  unsigned char start[32] = {};  // zero, as the reference's null start, but secret
  Secret(data, sizeof data);
  Secret(start, sizeof start);
  Gost34311 hash(box, start, true);
  if (hash.Kernel() != HashKernel::kShifts) {
    std::fprintf(stderr, "hash: expected the shift kernel, got %s\n", HashKernelName(hash.Kernel()));
    return false;
  }
  hash.Update(data, 37);
  hash.Update(data + 37, sizeof data - 37);
  hash.Final(secretOut);
  return Same("hash", secretOut, publicOut, sizeof publicOut);
}

// The MAC and the counter mode's start block E(IV) run on the shift substitution.
bool CheckEngine() {
  unsigned char key[32], iv[8], data[kBytes], mac[2][4];
  Fill(key, sizeof key, 5);
  Fill(iv, sizeof iv, 6);
  Fill(data, sizeof data, 7);
  for (int pass = 0; pass < 2; ++pass) {
    if (pass == 1) {
      Secret(key, sizeof key);
      Secret(data, sizeof data);
      Secret(iv, sizeof iv);
    }
    gostcrypto::SCryptoEngine engine(nullptr, true, gostcrypto::kImitovstavka, key, nullptr);
    engine.makeTransform(data, nullptr, kBlocks);
    engine.GetMac(mac[pass]);
    gostcrypto::SCryptoEngine gamma(nullptr, true, gostcrypto::kGamming, key, iv);
  }
  return Same("mac", mac[0], mac[1], 4);
}

}  // namespace

int main(int argc, char** argv) {
  const bool tables = argc > 1 && std::strcmp(argv[1], "--tables") == 0;
  ScopedCpuPath portable(CpuPath::kPortable);
  SBox box;
  ExpandSBox(nullptr, box);
  if (tables) return CheckCipher(PortableTableOps(), box) ? 0 : 1;
  bool ok = CheckCipher(PortableConstantTimeOps(), box) && CheckHash(box) && CheckEngine();
#if defined(__x86_64__)
  if (CpuSupportsAvx2()) {
    // Its CFB encryption is the table kernel, on purpose (docs/side-channels.md).
    BulkOps avx2 = Avx2Ops();
    avx2.cfbEncrypt = PortableConstantTimeOps().cfbEncrypt;
    ok = ok && CheckCipher(avx2, box);
  }
#endif
  if (ok) std::printf("GOST cipher modes, MAC and hash ran without secret-dependent branches or indexes\n");
  return ok ? 0 : 1;
}
