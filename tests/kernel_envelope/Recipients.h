// Recipients for the envelope tests: a kernel over a private configuration that
// loads the file key storage, and certificates the library makes for key pairs
// on chosen curves (the key-agreement key in root.1, the S-boxes in root.6).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kernel/CKernelAllParams.h"
#include "kernel/CKernelCertificate.h"
#include "kernel/CKernelDoubleKeyPair.h"
#include "kernel/GetKernelInstance.h"
#include "kernel_cert/Fixtures.h"
#include "support/CodeOf.h"
#include "support/DkeParams.h"
#include "support/Fetch.h"
#include "support/KeyStorageSandbox.h"
#include "support/RecipientCertificate.h"
#include "support/VectorFile.h"

namespace tavrpki::test {

// The file key storage and the test OID root, which recipient certificates need.
struct EnvelopeSandbox : KeyStorageSandbox {
  EnvelopeSandbox() : KeyStorageSandbox(std::string("\"RootOID\"=\"") + kTestOidRoot + "\"") {}
};

}  // namespace tavrpki::test
