// Bringing up the link to the device behind a message with a growing bar
// that Esc can give up, and the Esc test itself.
#pragma once

#include "vbwin32.h"

// Sets DeviceConnected on success; returns at once when already connected.
void ConnectDevice();

// Nonzero when an Esc key went down among the pending console events; every
// pending event is consumed.
int EscPressed();

// 0, or the 1-based position in `codes` of the last key that went down among
// the pending console events. Consumes every pending event.
int PollConsoleKeys(const WORD* codes, int count);
