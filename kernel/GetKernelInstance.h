// The entry point of the library.
#pragma once

#include "kernel/CKernel.h"

// Rebuilds the table of the library's own object identifiers from "RootOID" (on
// every call), then returns a new kernel. Configuration failures are not errors
// here: the identifiers are then formed from an empty root.
Kernel::CKernel GetKernelInstance();

namespace Kernel {
using ::GetKernelInstance;
}
