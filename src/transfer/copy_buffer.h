// Sizing the copy buffer: about one chunk per column of the progress bar,
// at least a floor, at most a ceiling taken from the settings.
#pragma once

#include <stdint.h>

#include "settings/settings_store.h"

enum : uint32_t {
    CopyChunksPerFile = 54,       // the width of the progress bar
    CopyBufferFloor = 170000,     // bytes; also when the ceiling is lower
};

// The buffer for a file of `total` bytes under the ceiling `limit`.
uint32_t CopyBufferSize(uint32_t total, uint32_t limit);

// The ceiling from the settings: CopyKBytes kilobytes, or CopyMemory percent
// of `totalPhysical` bytes; worked out in 64 bits and held at 4 GiB - 1.
uint32_t CopyBufferLimitFor(const SettingsBlockRecord& settings, uint64_t totalPhysical);

// The ceiling for this machine, from SettingsBlock and the physical memory.
uint32_t CopyBufferLimit();
