#include "test_support.h"

#ifndef _WIN32

#include "vbplatform_testing.h"

namespace vbhost {

std::vector<std::string> TakeTrace() { return vbplatform::TakeTrace(); }
void ClearTrace() { vbplatform::ClearTrace(); }

bool EnsureConsole() { return true; }

bool PushConsoleInput(const INPUT_RECORD& record) {
    vbplatform::PushConsoleInput(record);
    return true;
}

bool PushConsoleKey(WORD virtualKey, bool keyDown) {
    vbplatform::PushKey(virtualKey, keyDown);
    return true;
}
void ClearConsoleInput() { vbplatform::ClearConsoleInput(); }
std::size_t PendingConsoleInput() { return vbplatform::PendingConsoleInput(); }

}  // namespace vbhost

#else  // _WIN32

#include <cstdio>
#include <cstring>
#include <mutex>

namespace vbhost {
namespace {

// ---- Trace -------------------------------------------------------------------
// OutputDebugString raises these so that a debugger can show the text; a
// vectored handler sees them first, takes the text and ends the exception.
constexpr DWORD kPrintException = 0x40010006;      // DBG_PRINTEXCEPTION_C
constexpr DWORD kPrintWideException = 0x4001000A;  // DBG_PRINTEXCEPTION_WIDE_C

struct CapturedTrace {
    std::mutex mutex;
    std::vector<std::string> lines;
};

CapturedTrace& Captured() {
    static CapturedTrace* trace = new CapturedTrace;  // usable from any thread at any time
    return *trace;
}

void Append(std::string line) {
    CapturedTrace& trace = Captured();
    std::lock_guard<std::mutex> lock(trace.mutex);
    trace.lines.push_back(std::move(line));
}

std::string Utf8Of(const wchar_t* text, size_t length) {
    int size = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    std::string utf8(size > 0 ? size : 0, '\0');
    if (size > 0) WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), &utf8[0], size, nullptr, nullptr);
    return utf8;
}

// The parameters are the text's length with its terminator, then the text.
LONG CALLBACK CaptureDebugString(EXCEPTION_POINTERS* exception) {
    const EXCEPTION_RECORD& record = *exception->ExceptionRecord;
    if (record.NumberParameters < 2 || record.ExceptionInformation[1] == 0) return EXCEPTION_CONTINUE_SEARCH;
    size_t limit = static_cast<size_t>(record.ExceptionInformation[0]);
    if (record.ExceptionCode == kPrintException) {
        const char* text = reinterpret_cast<const char*>(record.ExceptionInformation[1]);
        Append(std::string(text, strnlen(text, limit)));
        return EXCEPTION_CONTINUE_EXECUTION;
    }
    if (record.ExceptionCode == kPrintWideException) {
        const wchar_t* text = reinterpret_cast<const wchar_t*>(record.ExceptionInformation[1]);
        Append(Utf8Of(text, wcsnlen(text, limit)));
        return EXCEPTION_CONTINUE_EXECUTION;
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

void StartCapture() {
    static std::once_flag installed;
    std::call_once(installed, [] { AddVectoredExceptionHandler(1, CaptureDebugString); });
}

// ---- Console -------------------------------------------------------------------
// A process started by a test program with no console (as under ctest) has
// no CONIN$, and AllocConsole needs a window. A child started with
// CREATE_NO_WINDOW gets a console without one; the test program joins it.
// The child is the test program itself: it signals that its console is up,
// waits until it was joined, and ends before main.
constexpr char kHolderVariable[] = "VANTELBROOK_CONSOLE_HOLDER";
constexpr DWORD kHolderWait = 30000;

HANDLE HandleOf(unsigned long long value) { return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(value)); }

struct ConsoleHolderRole {
    ConsoleHolderRole() {
        char value[64];
        DWORD length = GetEnvironmentVariableA(kHolderVariable, value, sizeof value);
        if (length == 0 || length >= sizeof value) return;
        unsigned long long ready = 0, joined = 0;
        if (std::sscanf(value, "%llu %llu", &ready, &joined) != 2) ExitProcess(1);
        SetEvent(HandleOf(ready));
        WaitForSingleObject(HandleOf(joined), kHolderWait);
        ExitProcess(0);
    }
} holderRole;

bool JoinWindowlessConsole() {
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
    HANDLE ready = CreateEventA(&inherited, TRUE, FALSE, nullptr);
    HANDLE joined = CreateEventA(&inherited, TRUE, FALSE, nullptr);
    char value[64];
    std::snprintf(value, sizeof value, "%llu %llu", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(ready)),
                  static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(joined)));
    char self[MAX_PATH];
    DWORD selfLength = GetModuleFileNameA(nullptr, self, sizeof self);
    STARTUPINFOA startup;
    std::memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child;
    std::memset(&child, 0, sizeof child);
    SetEnvironmentVariableA(kHolderVariable, value);
    BOOL started = selfLength > 0 && selfLength < sizeof self &&
                   CreateProcessA(self, nullptr, nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                                  &startup, &child);
    SetEnvironmentVariableA(kHolderVariable, nullptr);
    bool attached = false;
    if (started) {
        HANDLE waits[2] = {ready, child.hProcess};
        if (WaitForMultipleObjects(2, waits, FALSE, kHolderWait) == WAIT_OBJECT_0) {
            FreeConsole();
            attached = AttachConsole(child.dwProcessId) != FALSE;
        }
        SetEvent(joined);
        WaitForSingleObject(child.hProcess, kHolderWait);
        CloseHandle(child.hThread);
        CloseHandle(child.hProcess);
    }
    CloseHandle(ready);
    CloseHandle(joined);
    return attached;
}

HANDLE OpenConsoleInput() {
    return CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_EXISTING, 0, nullptr);
}

std::mutex consoleLock;
HANDLE consoleInput = INVALID_HANDLE_VALUE;
bool consoleTried = false;

// The console's input, joining a console first when there is none.
HANDLE ConsoleInput() {
    std::lock_guard<std::mutex> lock(consoleLock);
    if (!consoleTried) {
        consoleTried = true;
        consoleInput = OpenConsoleInput();
        if (consoleInput == INVALID_HANDLE_VALUE && JoinWindowlessConsole()) consoleInput = OpenConsoleInput();
    }
    return consoleInput;
}

// The input the process already has, without making one.
HANDLE ExistingConsoleInput() {
    std::lock_guard<std::mutex> lock(consoleLock);
    return consoleInput;
}

// The character a key gives without modifiers, as a console reports it.
char CharacterOfKey(WORD virtualKey) {
    if (virtualKey >= 'A' && virtualKey <= 'Z') return static_cast<char>(virtualKey - 'A' + 'a');
    if (virtualKey >= '0' && virtualKey <= '9') return static_cast<char>(virtualKey);
    switch (virtualKey) {
    case VK_BACK: return '\b';
    case VK_TAB: return '\t';
    case VK_RETURN: return '\r';
    case VK_ESCAPE: return 27;
    case VK_SPACE: return ' ';
    default: return 0;
    }
}

}  // namespace

std::vector<std::string> TakeTrace() {
    StartCapture();
    CapturedTrace& trace = Captured();
    std::lock_guard<std::mutex> lock(trace.mutex);
    std::vector<std::string> taken;
    taken.swap(trace.lines);
    return taken;
}

void ClearTrace() { TakeTrace(); }

bool EnsureConsole() { return ConsoleInput() != INVALID_HANDLE_VALUE; }

bool PushConsoleInput(const INPUT_RECORD& record) {
    HANDLE input = ConsoleInput();
    DWORD written = 0;
    return input != INVALID_HANDLE_VALUE && WriteConsoleInputA(input, &record, 1, &written) && written == 1;
}

bool PushConsoleKey(WORD virtualKey, bool keyDown) {
    INPUT_RECORD record;
    std::memset(&record, 0, sizeof record);
    record.EventType = KEY_EVENT;
    record.Event.KeyEvent.bKeyDown = keyDown ? TRUE : FALSE;
    record.Event.KeyEvent.wRepeatCount = 1;
    record.Event.KeyEvent.wVirtualKeyCode = virtualKey;
    record.Event.KeyEvent.uChar.AsciiChar = CharacterOfKey(virtualKey);
    return PushConsoleInput(record);
}

void ClearConsoleInput() {
    HANDLE input = ExistingConsoleInput();
    if (input != INVALID_HANDLE_VALUE) FlushConsoleInputBuffer(input);
}

std::size_t PendingConsoleInput() {
    HANDLE input = ExistingConsoleInput();
    DWORD count = 0;
    if (input == INVALID_HANDLE_VALUE || !GetNumberOfConsoleInputEvents(input, &count)) return 0;
    return count;
}

}  // namespace vbhost

#endif  // _WIN32
