// Sizing of the copy buffer: the floor, the ceiling from the settings, and
// the ceiling worked out without overflow on machines with much memory.
#include <gtest/gtest.h>

#include <cstdint>

#include "settings/settings_store.h"
#include "transfer/copy_buffer.h"
#include "vbwin32.h"

namespace {

const uint64_t MiB = 1024 * 1024;
const uint64_t GiB = 1024 * MiB;

SettingsBlockRecord ByKBytes(int kilobytes) {
    SettingsBlockRecord settings{};
    settings.IsCopyKBytes = 1;
    settings.CopyKBytes = kilobytes;
    settings.CopyMemory = 10;
    return settings;
}

SettingsBlockRecord ByMemory(int percent) {
    SettingsBlockRecord settings{};
    settings.IsCopyKBytes = 0;
    settings.CopyMemory = percent;
    settings.CopyKBytes = 4096;
    return settings;
}

struct BufferCase {
    int copyKBytes;
    uint32_t fileSize;
    uint32_t expected;
};

class BufferSizes : public ::testing::TestWithParam<BufferCase> {};

TEST_P(BufferSizes, OneChunkPerBarColumnBetweenFloorAndCeiling) {
    const BufferCase& c = GetParam();
    uint32_t limit = CopyBufferLimitFor(ByKBytes(c.copyKBytes), 8 * GiB);
    EXPECT_EQ(CopyBufferSize(c.fileSize, limit), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, BufferSizes,
    ::testing::Values(BufferCase{4096, 0, 170000}, BufferCase{4096, 100, 170000},
                      BufferCase{4096, 9180000, 170000}, BufferCase{4096, 9180054, 170001},
                      BufferCase{4096, uint32_t(100 * MiB), 1941807},
                      BufferCase{4096, uint32_t(1 * GiB), 4194304},
                      BufferCase{4096, 0xFFFFFFFFu, 4194304},
                      // A ceiling below the floor still gives the floor.
                      BufferCase{100, 100, 170000}, BufferCase{100, uint32_t(100 * MiB), 170000},
                      BufferCase{100, uint32_t(1 * GiB), 170000},
                      BufferCase{100, 0xFFFFFFFFu, 170000}));

struct LimitCase {
    SettingsBlockRecord settings;
    uint64_t totalPhysical;
    uint32_t expected;
};

class BufferLimits : public ::testing::TestWithParam<LimitCase> {};

TEST_P(BufferLimits, FromTheSettingsIn64BitsHeldTo32) {
    const LimitCase& c = GetParam();
    EXPECT_EQ(CopyBufferLimitFor(c.settings, c.totalPhysical), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, BufferLimits,
    ::testing::Values(LimitCase{ByKBytes(4096), 1 * GiB, 4194304},
                      LimitCase{ByKBytes(100), 1 * GiB, 102400},
                      // Settings of 4194304 KB and more do not wrap to 0.
                      LimitCase{ByKBytes(4194304), 1 * GiB, 0xFFFFFFFFu},
                      LimitCase{ByMemory(10), 1 * GiB, 107374182},
                      LimitCase{ByMemory(10), 512 * MiB, 53687091},
                      LimitCase{ByMemory(100), 1 * GiB, 1073741824},
                      LimitCase{ByMemory(1), 1 * GiB, 10737418},
                      // 10 % of 24 GiB is 2.4 GiB: above 2^31, below 2^32.
                      LimitCase{ByMemory(10), 24 * GiB, 2576980377u},
                      LimitCase{ByMemory(50), 24 * GiB, 0xFFFFFFFFu},
                      LimitCase{ByMemory(100), UINT64_MAX, 0xFFFFFFFFu}));

// The ceiling of this machine comes from its real memory size, which is
// 64-bit natively and may well exceed 4 GiB.
TEST(BufferLimitOfThisMachine, IsTheShareOfItsWholeMemory) {
    SettingsBlockRecord saved = SettingsBlock;
    SettingsBlock = ByMemory(10);
    MEMORYSTATUS status;
    status.dwLength = sizeof status;
    GlobalMemoryStatus(&status);
    uint64_t share = uint64_t(status.dwTotalPhys) / 10;
    EXPECT_EQ(CopyBufferLimit(), share > 0xFFFFFFFFu ? 0xFFFFFFFFu : uint32_t(share));
    SettingsBlock = ByKBytes(4096);
    EXPECT_EQ(CopyBufferLimit(), 4194304u);
    SettingsBlock = saved;
}

}  // namespace
