// The calling process's identifier, as the log file names and lines carry it.
#pragma once

#include "platform/WinTypes.h"

DWORD GetCurrentProcessId();
