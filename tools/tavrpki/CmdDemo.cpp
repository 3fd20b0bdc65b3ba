// tavrpki demo: a walk through the library on its embedded defaults, through the
// exported classes only, as a program using the library would do it: hash a text,
// generate a double key pair on the 257-bit curve, sign and verify the hash, show
// that a changed signature fails, and encrypt to the key-agreement key and back.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Command.h"
#include "DkeOption.h"
#include "LibraryInput.h"
#include "kernel/CKernel.h"
#include "kernel/CKernelAllParams.h"
#include "kernel/CKernelAsymmetricParams.h"
#include "kernel/CKernelDoubleKeyPair.h"
#include "kernel/GetKernelInstance.h"

namespace tavrpki::tool {
namespace {

constexpr const char* kCurve = "1.2.804.2.1.1.1.1.3.1.1.2.6";  // 257-bit polynomial basis
constexpr const char* kText = "Слава Україні! tavr-pki demonstration text";

using Bytes = std::vector<unsigned char>;

int RunDemo(const Args& args) {
  if (!args.empty()) throw UsageError{"demo takes no arguments"};
  Kernel::CKernel kernel = Kernel::GetKernelInstance();
  SBox dke = DkeNo1();

  Bytes hash(32);
  kernel.CalcHash(reinterpret_cast<const unsigned char*>(kText), std::strlen(kText), hash.data(),
                  dke.data());
  std::printf("text        %s\n", kText);
  std::printf("GOST 34.311 %s  (S-box: DKE No. 1)\n", ToHex(hash).c_str());

  kernel.InitRandom(dke.data(), dke.data(), nullptr);
  Kernel::CKernelAllParams params(kernel);
  params.SetRandomSBox(dke.data());
  params.SetCryptSBox(dke.data());
  params.SetSignParams(kernel.GenerateAsymmetric4145Params(kCurve, dke.data()));
  params.SetCryptParams(kernel.GenerateAsymmetric4145Params(kCurve, dke.data()));
  const Kernel::CKernelDoubleKeyPair keys = kernel.Generate4145DoubleKeyPair(params, true);
  const Bytes signPublic =
      Fetch([&](unsigned char* b, unsigned long* n) { keys.GetSignPublicKey(b, n); });
  std::printf("curve       %s (DSTU 4145-2002, m = 257)\n", kCurve);
  std::printf("public key  %s  (the library's key form)\n", ToHex(signPublic).c_str());

  Bytes signature = Fetch([&](unsigned char* b, unsigned long* n) {
    kernel.EnsignHash(hash.data(), b, n, keys, params);
  });
  std::printf("signature   %s\n", ToHex(signature).c_str());
  const bool valid = kernel.VerifyHashSignature(hash.data(), signature.data(),
                                                static_cast<unsigned long>(signature.size()), keys);
  std::printf("verify      %s\n", valid ? "ok" : "bad signature");
  signature[signature.size() / 2] ^= 1;
  const bool forged = kernel.VerifyHashSignature(hash.data(), signature.data(),
                                                 static_cast<unsigned long>(signature.size()), keys);
  std::printf("one bit off %s\n", forged ? "ok (unexpected!)" : "bad signature (as it must be)");

  const Bytes secret(kText, kText + std::strlen(kText));
  const Bytes sealed = Fetch([&](unsigned char* b, unsigned long* n) {
    kernel.EncryptAsymmetric(keys, secret.data(), static_cast<unsigned long>(secret.size()), b, n);
  });
  const Bytes opened = Fetch([&](unsigned char* b, unsigned long* n) {
    kernel.DecryptAsymmetric(keys, sealed.data(), static_cast<unsigned long>(sealed.size()), b, n);
  });
  // The records carry no length: the text comes back padded with zero bits to whole
  // m-bit pieces.
  const bool restored = opened.size() >= secret.size() &&
                        std::equal(secret.begin(), secret.end(), opened.begin()) &&
                        std::all_of(opened.begin() + static_cast<long>(secret.size()), opened.end(),
                                    [](unsigned char b) { return b == 0; });
  std::printf("encrypted   %zu bytes to the key-agreement key; decrypted %s\n", sealed.size(),
              restored ? "back to the text" : "to something else (unexpected!)");
  return valid && !forged && restored ? 0 : 1;
}

const CommandRegistration kDemo{"demo", "", "walk through hashing, keys, signing and encryption",
                                &RunDemo};

}  // namespace
}  // namespace tavrpki::tool
