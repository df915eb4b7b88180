// The CONIN$ object: every console handle reads the one input queue.
#pragma once

#include "vbwin32.h"

namespace vbplatform::detail {

HANDLE OpenConsoleInput();

// Blocks until the queue holds an event or the time-out (milliseconds,
// INFINITE allowed) passes; true when an event is pending.
bool WaitForConsoleInput(DWORD milliseconds);

}  // namespace vbplatform::detail
