// The one error box for failed device and file operations.
#pragma once

// Shows the error number of the failed call (the link's, the system's or the
// device's) and, with a subject line, the choice of retry (0), skip (1) and
// cancel (2); without one a single button (0). Esc gives -1. Call it right
// after the failed operation, on the same thread.
int ShowDeviceError(const char* subject);
