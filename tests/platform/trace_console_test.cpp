// OutputDebugString and console input behind CONIN$. The lines and the keys
// go through the emulated host's test support: natively the subset's own
// sink and queue, on Windows the system's debug strings and a console.
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "temp_folder.h"
#include "test_support.h"
#include "vbwin32.h"
#include "wine_check.h"

namespace vbtest {
namespace {

class TraceTest : public ::testing::Test {
protected:
    void SetUp() override { vbhost::ClearTrace(); }
    void TearDown() override { vbhost::ClearTrace(); }
};

TEST_F(TraceTest, EntriesComeInCallOrderAndTakingThemClears) {
    OutputDebugStringA("Closed CE handle\n");
    const WCHAR wide[] = {u'\\', u'a', u'.', u't', u'x', u't', 0};
    OutputDebugStringW(wide);
    OutputDebugStringA("");
    std::vector<std::string> expected = {"Closed CE handle\n", "\\a.txt", ""};
    EXPECT_EQ(expected, vbhost::TakeTrace());
    EXPECT_TRUE(vbhost::TakeTrace().empty());
}

TEST_F(TraceTest, WideEntriesAreUtf8) {
#ifdef _WIN32
    if (UnderWine()) {
        GTEST_SKIP() << "Wine's OutputDebugStringW hands the debugger the text in the ANSI code page, which "
                        "has no Cyrillic";
    }
#endif
    const WCHAR wide[] = {u'\\', 0x0424, u'a', 0};  // "\Фa"
    OutputDebugStringW(wide);
    EXPECT_EQ(std::vector<std::string>{"\\\xD0\xA4" "a"}, vbhost::TakeTrace());
}

TEST_F(TraceTest, TraceFileGetsEveryEntryAppended) {
#ifdef _WIN32
    GTEST_SKIP() << "VANTELBROOK_TRACE is the POSIX subset's: Windows hands the lines to a debugger";
#else
    TempFolder folder;
    const std::string path = folder.Join("trace.log");
    WriteFileText(path, "earlier\n");
    setenv("VANTELBROOK_TRACE", path.c_str(), 1);
    OutputDebugStringA("one\n");
    OutputDebugStringA("two");
    unsetenv("VANTELBROOK_TRACE");
    EXPECT_EQ("earlier\none\ntwo", ReadFileText(path));
    EXPECT_EQ(2u, vbhost::TakeTrace().size()) << "the sink still gets them";
#endif
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
    std::vector<std::string> entries = vbhost::TakeTrace();
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
        ASSERT_TRUE(vbhost::EnsureConsole());
        vbhost::ClearConsoleInput();
        input_ = CreateFileA("CONIN$", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, input_);
    }
    void TearDown() override {
        CloseHandle(input_);
        vbhost::ClearConsoleInput();
    }
    HANDLE input_ = INVALID_HANDLE_VALUE;
};

TEST_F(ConsoleTest, PeekLooksWithoutTakingAndReadTakes) {
    INPUT_RECORD record{};
    DWORD count = 99;
    ASSERT_TRUE(PeekConsoleInputA(input_, &record, 1, &count));
    EXPECT_EQ(0u, count) << "an empty queue does not block a peek";

    ASSERT_TRUE(vbhost::PushConsoleKey(VK_ESCAPE, true));
    ASSERT_TRUE(vbhost::PushConsoleKey(VK_ESCAPE, false));
    ASSERT_TRUE(PeekConsoleInputA(input_, &record, 1, &count));
    EXPECT_EQ(1u, count);
    EXPECT_EQ(2u, vbhost::PendingConsoleInput());

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
    EXPECT_EQ(0u, vbhost::PendingConsoleInput());
}

TEST_F(ConsoleTest, ReadWaitsForInputFromAnotherThread) {
    INPUT_RECORD record{};
    DWORD count = 0;
    BOOL ok = FALSE;
    std::thread reader([&] { ok = ReadConsoleInputA(input_, &record, 1, &count); });
    INPUT_RECORD mouse{};
    mouse.EventType = MOUSE_EVENT;
    mouse.Event.MouseEvent.dwMousePosition = {3, 4};
    ASSERT_TRUE(vbhost::PushConsoleInput(mouse));
    reader.join();
    EXPECT_TRUE(ok);
    EXPECT_EQ(1u, count);
    EXPECT_EQ(WORD(MOUSE_EVENT), record.EventType);
    EXPECT_EQ(4, record.Event.MouseEvent.dwMousePosition.Y);
}

TEST_F(ConsoleTest, ConsoleHandleIsSignaledWhileInputIsPending) {
    EXPECT_EQ(DWORD(WAIT_TIMEOUT), WaitForSingleObject(input_, 0));
    ASSERT_TRUE(vbhost::PushConsoleKey('A', true));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(input_, 0));
    INPUT_RECORD record{};
    DWORD count = 0;
    ASSERT_TRUE(ReadConsoleInputA(input_, &record, 1, &count));
    EXPECT_EQ(WORD('A'), record.Event.KeyEvent.wVirtualKeyCode);
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
