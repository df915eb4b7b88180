// The trace sink behind OutputDebugString and the console input queue
// behind CONIN$. POSIX only: both are read through the testbed's controls.
#ifndef _WIN32

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "temp_folder.h"
#include "vbplatform_testing.h"
#include "vbwin32.h"

namespace vbtest {
namespace {

class TraceTest : public ::testing::Test {
protected:
    void SetUp() override { vbplatform::ClearTrace(); }
    void TearDown() override {
        unsetenv("VANTELBROOK_TRACE");
        vbplatform::ClearTrace();
    }
};

TEST_F(TraceTest, EntriesComeInCallOrderAndTakingThemClears) {
    OutputDebugStringA("Closed CE handle\n");
    const WCHAR wide[] = {u'\\', 0x0424, u'a', u'.', u't', u'x', u't', 0};  // "\Фa.txt"
    OutputDebugStringW(wide);
    OutputDebugStringA("");
    std::vector<std::string> expected = {"Closed CE handle\n", "\\\xD0\xA4" "a.txt", ""};
    EXPECT_EQ(expected, vbplatform::TakeTrace());
    EXPECT_TRUE(vbplatform::TakeTrace().empty());
}

TEST_F(TraceTest, TraceFileGetsEveryEntryAppended) {
    TempFolder folder;
    const std::string path = folder.Join("trace.log");
    WriteFileText(path, "earlier\n");
    setenv("VANTELBROOK_TRACE", path.c_str(), 1);
    OutputDebugStringA("one\n");
    OutputDebugStringA("two");
    EXPECT_EQ("earlier\none\ntwo", ReadFileText(path));
    EXPECT_EQ(2u, vbplatform::TakeTrace().size()) << "the sink still gets them";
}

TEST_F(TraceTest, ConcurrentWritersLoseNothingAndKeepTheirOwnOrder) {
    constexpr int kThreads = 4;
    constexpr int kEach = 250;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < kEach; ++i) OutputDebugStringA((std::to_string(t) + ":" + std::to_string(i)).c_str());
        });
    }
    for (std::thread& thread : threads) thread.join();
    std::vector<std::string> entries = vbplatform::TakeTrace();
    ASSERT_EQ(std::size_t(kThreads * kEach), entries.size());
    std::vector<int> next(kThreads, 0);
    for (const std::string& entry : entries) {
        int thread = std::stoi(entry.substr(0, entry.find(':')));
        EXPECT_EQ(next[thread]++, std::stoi(entry.substr(entry.find(':') + 1))) << entry;
    }
}

class ConsoleTest : public ::testing::Test {
protected:
    void SetUp() override {
        vbplatform::ClearConsoleInput();
        input_ = CreateFileA("CONIN$", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, input_);
    }
    void TearDown() override {
        CloseHandle(input_);
        vbplatform::ClearConsoleInput();
    }
    HANDLE input_ = INVALID_HANDLE_VALUE;
};

TEST_F(ConsoleTest, PeekLooksWithoutTakingAndReadTakes) {
    INPUT_RECORD record{};
    DWORD count = 99;
    ASSERT_TRUE(PeekConsoleInputA(input_, &record, 1, &count));
    EXPECT_EQ(0u, count) << "an empty queue does not block a peek";

    vbplatform::PushKey(VK_ESCAPE, true);
    vbplatform::PushKey(VK_ESCAPE, false);
    ASSERT_TRUE(PeekConsoleInputA(input_, &record, 1, &count));
    EXPECT_EQ(1u, count);
    EXPECT_EQ(2u, vbplatform::PendingConsoleInput());

    ASSERT_TRUE(ReadConsoleInputA(input_, &record, 1, &count));
    EXPECT_EQ(1u, count);
    EXPECT_EQ(WORD(KEY_EVENT), record.EventType);
    EXPECT_TRUE(record.Event.KeyEvent.bKeyDown);
    EXPECT_EQ(WORD(VK_ESCAPE), record.Event.KeyEvent.wVirtualKeyCode);
    EXPECT_EQ(27, record.Event.KeyEvent.uChar.AsciiChar);

    INPUT_RECORD two[2]{};
    ASSERT_TRUE(ReadConsoleInputA(input_, two, 2, &count));
    EXPECT_EQ(1u, count) << "reads what there is";
    EXPECT_FALSE(two[0].Event.KeyEvent.bKeyDown);
    EXPECT_EQ(0u, vbplatform::PendingConsoleInput());
}

TEST_F(ConsoleTest, ReadWaitsForInputFromAnotherThread) {
    INPUT_RECORD record{};
    DWORD count = 0;
    BOOL ok = FALSE;
    std::thread reader([&] { ok = ReadConsoleInputA(input_, &record, 1, &count); });
    INPUT_RECORD mouse{};
    mouse.EventType = MOUSE_EVENT;
    mouse.Event.MouseEvent.dwMousePosition = {3, 4};
    vbplatform::PushConsoleInput(mouse);
    reader.join();
    EXPECT_TRUE(ok);
    EXPECT_EQ(1u, count);
    EXPECT_EQ(WORD(MOUSE_EVENT), record.EventType);
    EXPECT_EQ(4, record.Event.MouseEvent.dwMousePosition.Y);
}

TEST_F(ConsoleTest, ConsoleHandleIsSignaledWhileInputIsPending) {
    EXPECT_EQ(DWORD(WAIT_TIMEOUT), WaitForSingleObject(input_, 0));
    vbplatform::PushKey('A', true);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(input_, 0));
    INPUT_RECORD record{};
    DWORD count = 0;
    ASSERT_TRUE(ReadConsoleInputA(input_, &record, 1, &count));
    EXPECT_EQ('a', record.Event.KeyEvent.uChar.AsciiChar);
}

TEST_F(ConsoleTest, OtherHandlesAreNotConsoles) {
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    INPUT_RECORD record{};
    DWORD count = 0;
    SetLastError(0);
    EXPECT_FALSE(PeekConsoleInputA(event, &record, 1, &count));
    EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
    CloseHandle(event);
    HANDLE closed = CreateFileA("conin$", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_TRUE(CloseHandle(closed));
    SetLastError(0);
    EXPECT_FALSE(ReadConsoleInputA(closed, &record, 1, &count));
    EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
}

}  // namespace
}  // namespace vbtest

#endif  // _WIN32
