// _beginthread: the thread runs its function with its argument, is a
// thread of its own in the same process, and has stack enough even when
// asked for very little.
#include <cerrno>
#include <cstring>

#include <gtest/gtest.h>

#include "vbwin32.h"

namespace {

constexpr DWORD kLongWait = 10000;

struct ThreadProbe {
    HANDLE done = nullptr;
    std::size_t stackToUse = 0;
    DWORD threadId = 0;
    DWORD processId = 0;
    int checksum = 0;
};

// Touches `bytes` of stack so that a thread with too little stack crashes.
__attribute__((noinline)) int UseStack(std::size_t bytes) {
    constexpr std::size_t kChunk = 16 * 1024;
    volatile char chunk[kChunk];
    std::memset(const_cast<char*>(chunk), 1, kChunk);
    int sum = chunk[0] + chunk[kChunk - 1];
    if (bytes > kChunk) sum += UseStack(bytes - kChunk);
    return sum;
}

void __cdecl ProbeThread(void* argument) {
    auto* probe = static_cast<ThreadProbe*>(argument);
    probe->threadId = GetCurrentThreadId();
    probe->processId = GetCurrentProcessId();
    probe->checksum = UseStack(probe->stackToUse);
    SetEvent(probe->done);
}

struct StackCase {
    unsigned requested;
    std::size_t used;
};

class BeginThreadTest : public ::testing::TestWithParam<StackCase> {};

TEST_P(BeginThreadTest, RunsWithTheArgumentAndEnoughStack) {
    ThreadProbe probe;
    probe.done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    probe.stackToUse = GetParam().used;
    uintptr_t started = _beginthread(ProbeThread, GetParam().requested, &probe);
    ASSERT_NE(static_cast<uintptr_t>(-1), started);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(probe.done, kLongWait));
    EXPECT_NE(0u, probe.threadId);
    EXPECT_NE(GetCurrentThreadId(), probe.threadId);
    EXPECT_NE(0u, probe.processId);
    EXPECT_EQ(GetCurrentProcessId(), probe.processId) << "one process, however many threads";
    EXPECT_EQ(2 * static_cast<int>((probe.stackToUse + 16 * 1024 - 1) / (16 * 1024)), probe.checksum);
    CloseHandle(probe.done);
}

INSTANTIATE_TEST_SUITE_P(StackSizes, BeginThreadTest,
                         ::testing::Values(StackCase{1024, 256 * 1024},               // the copy worker's request
                                           StackCase{0, 256 * 1024},                  // the default
                                           StackCase{16 * 1024 * 1024, 12 * 1024 * 1024}));  // above the default

#ifndef _WIN32
TEST(BeginThreadFailureTest, NoFunctionGivesMinusOneAndEinval) {
    errno = 0;
    EXPECT_EQ(static_cast<uintptr_t>(-1), _beginthread(nullptr, 0, nullptr));
    EXPECT_EQ(EINVAL, errno);
}
#endif

}  // namespace
