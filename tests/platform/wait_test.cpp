// Events and WaitForSingleObject. Threads synchronise through the events
// themselves; time is only checked against generous bounds.
#include <atomic>
#include <thread>

#include <gtest/gtest.h>

#include "vbwin32.h"

#ifndef _WIN32
#include "vbplatform_testing.h"
#endif

namespace {

constexpr DWORD kLongWait = 10000;  // never reached unless something is broken

class Event {
public:
    Event(bool manualReset, bool initialState)
        : handle_(CreateEventA(nullptr, manualReset ? TRUE : FALSE, initialState ? TRUE : FALSE, nullptr)) {}
    ~Event() {
        if (handle_ != nullptr) CloseHandle(handle_);
    }
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

DWORD ElapsedSince(DWORD start) { return GetTickCount() - start; }

TEST(EventTest, HandlesAreNeitherNullNorInvalidAndDiffer) {
    Event a(false, false), b(true, false);
    for (HANDLE handle : {a.get(), b.get()}) {
        EXPECT_NE(nullptr, handle);
        EXPECT_NE(INVALID_HANDLE_VALUE, handle);
    }
    EXPECT_NE(a.get(), b.get());
}

TEST(EventTest, ManualResetStaysSignaledUntilReset) {
    Event event(true, true);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(event.get(), 0));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(event.get(), 0));
    ASSERT_TRUE(ResetEvent(event.get()));
    EXPECT_EQ(DWORD(WAIT_TIMEOUT), WaitForSingleObject(event.get(), 0));
    ASSERT_TRUE(SetEvent(event.get()));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(event.get(), 0));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(event.get(), 0));
}

TEST(EventTest, AutoResetReleasesOneWaitAndResets) {
    Event event(false, true);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(event.get(), 0));
    EXPECT_EQ(DWORD(WAIT_TIMEOUT), WaitForSingleObject(event.get(), 0));
    ASSERT_TRUE(SetEvent(event.get()));
    ASSERT_TRUE(SetEvent(event.get()));  // signals do not add up
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(event.get(), 0));
    EXPECT_EQ(DWORD(WAIT_TIMEOUT), WaitForSingleObject(event.get(), 0));
}

TEST(EventTest, TimedWaitOnAnUnsignaledEventTimesOutAfterAboutItsTime) {
    Event event(false, false);
    DWORD start = GetTickCount();
    EXPECT_EQ(DWORD(WAIT_TIMEOUT), WaitForSingleObject(event.get(), 100));
    DWORD elapsed = ElapsedSince(start);
    EXPECT_GE(elapsed, 80u);
    EXPECT_LT(elapsed, 5000u);
}

TEST(EventTest, SetFromAnotherThreadWakesAnInfiniteWait) {
    Event event(false, false);
    std::atomic<DWORD> result{WAIT_FAILED};
    std::thread waiter([&] { result = WaitForSingleObject(event.get(), INFINITE); });
    ASSERT_TRUE(SetEvent(event.get()));
    waiter.join();
    EXPECT_EQ(WAIT_OBJECT_0, result.load());
}

TEST(EventTest, AutoResetSetReleasesExactlyOneOfTwoWaiters) {
    Event gate(false, false);
    Event woke(false, false);
    std::atomic<int> released{0};
    auto waiter = [&] {
        if (WaitForSingleObject(gate.get(), kLongWait) == WAIT_OBJECT_0) ++released;
        SetEvent(woke.get());
    };
    std::thread first(waiter), second(waiter);

    ASSERT_TRUE(SetEvent(gate.get()));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(woke.get(), kLongWait));
    // The other waiter must still be waiting: a second release would show here.
    EXPECT_EQ(DWORD(WAIT_TIMEOUT), WaitForSingleObject(woke.get(), 300));
    EXPECT_EQ(1, released.load());
    EXPECT_EQ(DWORD(WAIT_TIMEOUT), WaitForSingleObject(gate.get(), 0)) << "the signal was consumed";

    ASSERT_TRUE(SetEvent(gate.get()));
    first.join();
    second.join();
    EXPECT_EQ(2, released.load());
}

TEST(EventTest, ManualResetSetReleasesEveryWaiter) {
    Event gate(true, false);
    std::atomic<int> released{0};
    auto waiter = [&] {
        if (WaitForSingleObject(gate.get(), kLongWait) == WAIT_OBJECT_0) ++released;
    };
    std::thread first(waiter), second(waiter), third(waiter);
    ASSERT_TRUE(SetEvent(gate.get()));
    first.join();
    second.join();
    third.join();
    EXPECT_EQ(3, released.load());
}

TEST(EventTest, ClosedOrForeignHandlesFailWithInvalidHandle) {
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    ASSERT_NE(nullptr, event);
    ASSERT_TRUE(CloseHandle(event));

    SetLastError(0);
    EXPECT_EQ(WAIT_FAILED, WaitForSingleObject(event, 0));
    EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
    SetLastError(0);
    EXPECT_FALSE(SetEvent(event));
    EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
    SetLastError(0);
    EXPECT_FALSE(ResetEvent(event));
    EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
    SetLastError(0);
    EXPECT_FALSE(CloseHandle(event));
    EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
}

TEST(TimeTest, TickCountAdvancesWithSleep) {
    DWORD start = GetTickCount();
    Sleep(50);
    DWORD elapsed = ElapsedSince(start);
    EXPECT_GE(elapsed, 40u);
    EXPECT_LT(elapsed, 5000u);
}

// The main thread reads its error while the other thread is still alive:
// joining a thread is itself a system call that may set the error.
TEST(TimeTest, LastErrorIsPerThread) {
    std::atomic<int> step{0};
    std::atomic<DWORD> seenInThread{0xFFFFFFFF};
    std::thread other([&] {
        while (step.load() != 1) {
        }
        seenInThread = GetLastError();
        SetLastError(42);
        step = 2;
        while (step.load() != 3) {
        }
    });
    SetLastError(1234);
    step = 1;
    while (step.load() != 2) {
    }
    DWORD seenHere = GetLastError();
    step = 3;
    other.join();
    EXPECT_EQ(0u, seenInThread.load());
    EXPECT_EQ(1234u, seenHere);
}

TEST(TimeTest, MemoryStatusReportsPhysicalMemory) {
    MEMORYSTATUS status{};
    GlobalMemoryStatus(&status);
    EXPECT_EQ(sizeof(MEMORYSTATUS), status.dwLength);
    EXPECT_GT(status.dwTotalPhys, SIZE_T(16) * 1024 * 1024);
    EXPECT_LE(status.dwAvailPhys, status.dwTotalPhys);
    EXPECT_LE(status.dwMemoryLoad, 100u);
}

#ifndef _WIN32
class WaitScaleTest : public ::testing::Test {
protected:
    void TearDown() override { vbplatform::SetWaitScale(100); }
};

TEST_F(WaitScaleTest, ShortensFiniteTimeouts) {
    EXPECT_EQ(100u, vbplatform::WaitScale());
    vbplatform::SetWaitScale(1);
    EXPECT_EQ(1u, vbplatform::WaitScale());
    Event event(false, false);
    DWORD start = GetTickCount();
    for (int i = 0; i < 10; ++i) EXPECT_EQ(DWORD(WAIT_TIMEOUT), WaitForSingleObject(event.get(), 1000));
    EXPECT_LT(ElapsedSince(start), 2000u) << "ten one-second waits at 1% take about 100 ms";
}

TEST_F(WaitScaleTest, LengthensFiniteTimeouts) {
    vbplatform::SetWaitScale(300);
    Event event(false, false);
    DWORD start = GetTickCount();
    EXPECT_EQ(DWORD(WAIT_TIMEOUT), WaitForSingleObject(event.get(), 50));
    EXPECT_GE(ElapsedSince(start), 130u);
}

TEST_F(WaitScaleTest, LeavesSignalsInfiniteWaitsAndSleepAlone) {
    vbplatform::SetWaitScale(1);
    Event event(false, false);
    std::atomic<DWORD> result{WAIT_FAILED};
    std::thread waiter([&] { result = WaitForSingleObject(event.get(), INFINITE); });
    ASSERT_TRUE(SetEvent(event.get()));
    waiter.join();
    EXPECT_EQ(WAIT_OBJECT_0, result.load());

    ASSERT_TRUE(SetEvent(event.get()));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(event.get(), 1)) << "a tiny time-out stays a wait, not 0";

    DWORD start = GetTickCount();
    Sleep(50);
    EXPECT_GE(ElapsedSince(start), 40u);
}
#endif

}  // namespace
