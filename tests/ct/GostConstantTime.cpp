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

#include "gostcrypto/gost/Bulk.h"
#include "gostcrypto/CpuPath.h"
#include "gostcrypto/gost/Gost34311.h"
#include "gostcrypto/SCryptoEngine.h"

namespace {

using namespace gostcrypto::detail;

// Portable: 25 four-lane groups and a single block; AVX2: a pass of three 32-block
// groups and a padded group.
constexpr std::size_t kBlocks = 101;
constexpr std::size_t kBytes = 8 * kBlocks;

// Fills with a pattern; a secret fill is then marked undefined for memcheck.
void Fill(void* to, std::size_t n, unsigned seed, bool secret = true) {
  auto* p = static_cast<unsigned char*>(to);
  for (std::size_t i = 0; i < n; ++i) p[i] = static_cast<unsigned char>(seed * 131 + i * 29 + (i >> 3));
  if (secret) VALGRIND_MAKE_MEM_UNDEFINED(p, n);
}

// Declassifies two results and compares them.
bool Same(const char* what, unsigned char* a, unsigned char* b, std::size_t n) {
  VALGRIND_MAKE_MEM_DEFINED(a, n);
  VALGRIND_MAKE_MEM_DEFINED(b, n);
  if (std::memcmp(a, b, n) == 0) return true;
  std::fprintf(stderr, "%s: results differ\n", what);
  return false;
}

// Every bulk mode one way and back, key, counter, feedback and data secret.
bool CheckCipher(const BulkOps& ops, const SBox& box) {
  std::uint32_t key[8], counter[2][2];
  unsigned char plain[kBytes], cipher[kBytes], back[kBytes], feedback[2][8];
  Fill(key, sizeof key, 1);
  Fill(plain, kBytes, 2);
  ops.ecbEncrypt(box, key, plain, cipher, kBlocks);
  ops.ecbDecrypt(box, key, cipher, back, kBlocks);
  bool ok = Same("ecb", plain, back, kBytes);

  Fill(counter[0], sizeof counter[0], 0);  // the same secret start for both ways
  std::memcpy(counter[1], counter[0], sizeof counter[0]);
  ops.ctr(box, key, counter[0][0], counter[0][1], plain, cipher, kBlocks);
  ops.ctr(box, key, counter[1][0], counter[1][1], cipher, back, kBlocks);
  ok &= Same("ctr", plain, back, kBytes);

  Fill(feedback[0], 8, 3);
  std::memcpy(feedback[1], feedback[0], 8);
  ops.cfbEncrypt(box, key, feedback[0], plain, cipher, kBlocks);
  ops.cfbDecrypt(box, key, feedback[1], cipher, back, kBlocks);
  return Same("cfb", plain, back, kBytes) && ok;
}

// The hash, the MAC and the counter mode's start block E(IV), each once on public
// input (the hash then takes the table kernels) and once on the same input marked
// secret (the hash with a zero start marked secret too: the shift kernel).
bool CheckHashAndMac(const SBox& box) {
  unsigned char key[32], iv[8], data[kBytes], start[32] = {}, digest[2][32], mac[2][4];
  for (int secret = 0; secret < 2; ++secret) {
    Fill(key, sizeof key, 5, secret == 1);
    Fill(iv, sizeof iv, 6, secret == 1);
    Fill(data, sizeof data, 7, secret == 1);
    if (secret == 1) VALGRIND_MAKE_MEM_UNDEFINED(start, sizeof start);
    Gost34311 hash(box, secret == 1 ? start : nullptr, secret == 1);
    hash.Update(data, 100);
    hash.Final(digest[secret]);
    gostcrypto::SCryptoEngine engine(nullptr, true, gostcrypto::kImitovstavka, key, nullptr);
    engine.makeTransform(data, nullptr, kBlocks);
    engine.GetMac(mac[secret]);
    gostcrypto::SCryptoEngine gamma(nullptr, true, gostcrypto::kGamming, key, iv);
  }
  return Same("hash", digest[0], digest[1], 32) && Same("mac", mac[0], mac[1], 4);
}

}  // namespace

int main(int argc, char** argv) {
  const bool tables = argc > 1 && std::strcmp(argv[1], "--tables") == 0;
  gostcrypto::ScopedCpuPath portable(gostcrypto::CipherPath::kPortable);
  SBox box;
  ExpandSBox(nullptr, box);
  if (tables) return CheckCipher(PortableTableOps(), box) ? 0 : 1;
  bool ok = CheckCipher(PortableConstantTimeOps(), box) && CheckHashAndMac(box);
#if defined(__x86_64__)
  if (gostcrypto::DetectedCpu().avx2) {
    // Its CFB encryption is the table kernel, on purpose (docs/side-channels.md).
    BulkOps avx2 = Avx2Ops();
    avx2.cfbEncrypt = PortableConstantTimeOps().cfbEncrypt;
    ok = ok && CheckCipher(avx2, box);
  }
#endif
  if (ok) std::printf("GOST cipher modes, MAC and hash ran without secret-dependent branches or indexes\n");
  return ok ? 0 : 1;
}
