// Events and WaitForSingleObject, with the test-only scale for time-outs.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

#include "console_input.h"
#include "kernel_objects.h"
#include "vbplatform_testing.h"

namespace vbplatform::detail {
namespace {

std::atomic<unsigned> waitScalePercent{100};

class EventObject : public KernelObject {
public:
    EventObject(bool manualReset, bool signaled)
        : KernelObject(ObjectKind::Event), manualReset_(manualReset), signaled_(signaled) {}

    void Set() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            signaled_ = true;
        }
        // Every waiter looks; with auto-reset only the first one to take the
        // lock consumes the signal, the others go back to waiting.
        changed_.notify_all();
    }

    void Reset() {
        std::lock_guard<std::mutex> lock(mutex_);
        signaled_ = false;
    }

    DWORD Wait(DWORD milliseconds) {
        std::unique_lock<std::mutex> lock(mutex_);
        auto signaled = [this] { return signaled_; };
        if (milliseconds == INFINITE) {
            changed_.wait(lock, signaled);
        } else if (!changed_.wait_for(lock, std::chrono::milliseconds(milliseconds), signaled)) {
            return WAIT_TIMEOUT;
        }
        if (!manualReset_) signaled_ = false;
        return WAIT_OBJECT_0;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    const bool manualReset_;
    bool signaled_;
};

std::shared_ptr<EventObject> FindEvent(HANDLE handle) {
    return FindObjectOf<EventObject>(handle, ObjectKind::Event);
}

// A finite time-out scaled up and rounded up; one that was not zero stays
// not zero and finite.
DWORD ScaledTimeout(DWORD milliseconds) {
    if (milliseconds == 0 || milliseconds == INFINITE) return milliseconds;
    std::uint64_t percent = waitScalePercent.load();
    std::uint64_t scaled = (std::uint64_t{milliseconds} * percent + 99) / 100;
    if (scaled == 0) return 1;
    if (scaled >= INFINITE) return INFINITE - 1;
    return static_cast<DWORD>(scaled);
}

}  // namespace
}  // namespace vbplatform::detail

using namespace vbplatform::detail;

extern "C" HANDLE CreateEventA(LPSECURITY_ATTRIBUTES /*security*/, BOOL manualReset,
                               BOOL initialState, LPCSTR name) {
    if (name != nullptr && *name != '\0') {
        // Named events would be shared between processes; nothing here uses them.
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    SetLastError(NO_ERROR);
    return RegisterObject(std::make_shared<EventObject>(manualReset != FALSE, initialState != FALSE));
}

extern "C" BOOL SetEvent(HANDLE event) {
    std::shared_ptr<EventObject> found = FindEvent(event);
    if (!found) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    found->Set();
    return TRUE;
}

extern "C" BOOL ResetEvent(HANDLE event) {
    std::shared_ptr<EventObject> found = FindEvent(event);
    if (!found) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    found->Reset();
    return TRUE;
}

extern "C" DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds) {
    std::shared_ptr<KernelObject> found = FindObject(object);
    DWORD timeout = ScaledTimeout(milliseconds);
    if (found) {
        switch (found->Kind()) {
        case ObjectKind::Event:
            return std::static_pointer_cast<EventObject>(found)->Wait(timeout);
        case ObjectKind::Console:
            return WaitForConsoleInput(timeout) ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
        case ObjectKind::File:
            return WAIT_OBJECT_0;  // no I/O is ever pending on a file
        case ObjectKind::RegistryKey:
            break;
        }
    }
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
}

namespace vbplatform {

void SetWaitScale(unsigned percent) { detail::waitScalePercent.store(percent); }

unsigned WaitScale() { return detail::waitScalePercent.load(); }

}  // namespace vbplatform
