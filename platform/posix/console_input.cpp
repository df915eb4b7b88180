#include "console_input.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

#include "kernel_objects.h"
#include "vbplatform_testing.h"

namespace vbplatform::detail {
namespace {

struct ConsoleQueue {
    std::mutex mutex;
    std::condition_variable arrived;
    std::deque<INPUT_RECORD> events;
};

ConsoleQueue& Queue() {
    static ConsoleQueue* queue = new ConsoleQueue;
    return *queue;
}

class ConsoleObject : public KernelObject {
public:
    ConsoleObject() : KernelObject(ObjectKind::Console) {}
};

// The character a key gives without modifiers, as the console reports it.
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

bool IsConsoleHandle(HANDLE handle) {
    return FindObjectOf<ConsoleObject>(handle, ObjectKind::Console) != nullptr;
}

BOOL CopyEvents(HANDLE input, PINPUT_RECORD buffer, DWORD length, LPDWORD eventsRead, bool remove,
                bool block) {
    if (!IsConsoleHandle(input)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (buffer == nullptr || eventsRead == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    ConsoleQueue& queue = Queue();
    std::unique_lock<std::mutex> lock(queue.mutex);
    if (block && length > 0) queue.arrived.wait(lock, [&] { return !queue.events.empty(); });
    DWORD count = 0;
    for (; count < length && count < queue.events.size(); ++count) buffer[count] = queue.events[count];
    if (remove) queue.events.erase(queue.events.begin(), queue.events.begin() + count);
    *eventsRead = count;
    return TRUE;
}

}  // namespace

HANDLE OpenConsoleInput() { return RegisterObject(std::make_shared<ConsoleObject>()); }

bool WaitForConsoleInput(DWORD milliseconds) {
    ConsoleQueue& queue = Queue();
    std::unique_lock<std::mutex> lock(queue.mutex);
    auto pending = [&] { return !queue.events.empty(); };
    if (milliseconds == INFINITE) {
        queue.arrived.wait(lock, pending);
        return true;
    }
    return queue.arrived.wait_for(lock, std::chrono::milliseconds(milliseconds), pending);
}

}  // namespace vbplatform::detail

extern "C" BOOL PeekConsoleInputA(HANDLE input, PINPUT_RECORD buffer, DWORD length,
                                  LPDWORD eventsRead) {
    return vbplatform::detail::CopyEvents(input, buffer, length, eventsRead, false, false);
}

extern "C" BOOL ReadConsoleInputA(HANDLE input, PINPUT_RECORD buffer, DWORD length,
                                  LPDWORD eventsRead) {
    return vbplatform::detail::CopyEvents(input, buffer, length, eventsRead, true, true);
}

namespace vbplatform {

void PushConsoleInput(const INPUT_RECORD& record) {
    detail::ConsoleQueue& queue = detail::Queue();
    {
        std::lock_guard<std::mutex> lock(queue.mutex);
        queue.events.push_back(record);
    }
    queue.arrived.notify_all();
}

void PushKey(WORD virtualKey, bool keyDown) {
    INPUT_RECORD record{};
    record.EventType = KEY_EVENT;
    record.Event.KeyEvent.bKeyDown = keyDown ? TRUE : FALSE;
    record.Event.KeyEvent.wRepeatCount = 1;
    record.Event.KeyEvent.wVirtualKeyCode = virtualKey;
    record.Event.KeyEvent.uChar.UnicodeChar = 0;
    record.Event.KeyEvent.uChar.AsciiChar = detail::CharacterOfKey(virtualKey);
    PushConsoleInput(record);
}

void ClearConsoleInput() {
    detail::ConsoleQueue& queue = detail::Queue();
    std::lock_guard<std::mutex> lock(queue.mutex);
    queue.events.clear();
}

std::size_t PendingConsoleInput() {
    detail::ConsoleQueue& queue = detail::Queue();
    std::lock_guard<std::mutex> lock(queue.mutex);
    return queue.events.size();
}

}  // namespace vbplatform
