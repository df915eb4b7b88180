#include "transfer/copy_buffer.h"

#include "vbwin32.h"

static const uint64_t Largest32 = 0xFFFFFFFFu;

static uint32_t Clamp32(uint64_t value) {
    return value > Largest32 ? static_cast<uint32_t>(Largest32) : static_cast<uint32_t>(value);
}

uint32_t CopyBufferSize(uint32_t total, uint32_t limit) {
    uint32_t perChunk = total / CopyChunksPerFile;
    uint32_t size = perChunk < limit ? perChunk : limit;
    return size < CopyBufferFloor ? static_cast<uint32_t>(CopyBufferFloor) : size;
}

uint32_t CopyBufferLimitFor(const SettingsBlockRecord& settings, uint64_t totalPhysical) {
    if (settings.IsCopyKBytes) {
        int64_t kilobytes = settings.CopyKBytes < 0 ? 0 : settings.CopyKBytes;
        return Clamp32(static_cast<uint64_t>(kilobytes) * 1024);
    }
    uint64_t percent = settings.CopyMemory < 0 ? 0 : static_cast<uint64_t>(settings.CopyMemory);
    if (percent > 100) percent = 100;
    // Split so that no product can overflow whatever the memory size.
    uint64_t share = totalPhysical / 100 * percent + totalPhysical % 100 * percent / 100;
    return Clamp32(share);
}

uint32_t CopyBufferLimit() {
    MEMORYSTATUS status;
    status.dwLength = sizeof status;
    GlobalMemoryStatus(&status);
    return CopyBufferLimitFor(SettingsBlock, static_cast<uint64_t>(status.dwTotalPhys));
}
