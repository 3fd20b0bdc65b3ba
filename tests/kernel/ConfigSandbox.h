// Moved: one sandbox serves every test folder.
#pragma once
#include "support/ConfigSandbox.h"
