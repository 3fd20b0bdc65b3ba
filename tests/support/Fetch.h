// Results of the exported classes through their caller-buffer rule, for tests:
// the servers' and the tool's own helper.
#pragma once

#include "tools/servers/CallerBuffer.h"

namespace tavrpki::test {

using servers::Fetch;

}  // namespace tavrpki::test
