// Starting and ending the link, and the per-thread error state.
#include <chrono>

#include "device_state.h"

using namespace vbdevice;

namespace {

// The record's own size, other sizes are refused: 12 bytes on the 32-bit
// build, larger where pointers are.
constexpr DWORD kRapiInitSize = sizeof(RAPIINIT);

// A delayed start: waits (cancellably) on the state's condition variable,
// then brings the link up and signals the start's event, unless a
// CeRapiUninit or a Reset came first.
void StartLater(State& state, unsigned generation, unsigned delayMs, HANDLE event) {
    std::unique_lock<std::mutex> lock(state.mutex);
    bool cancelled = state.startCancelled.wait_for(lock, std::chrono::milliseconds(delayMs), [&] {
        return state.startGeneration != generation;
    });
    if (cancelled) return;
    state.link = LinkState::Up;
    SetEvent(event);
}

}  // namespace

extern "C" {

RAPI_API HRESULT WINAPI CeRapiInitEx(RAPIINIT* init) {
    State& state = TheState();
    std::unique_lock<std::mutex> lock(state.mutex);
    CountLocalCall(state, Operation::CeRapiInitEx);
    if (init == nullptr || init->cbSize != kRapiInitSize) return E_INVALIDARG;
    if (state.initialized) return CERAPI_E_ALREADYINITIALIZED;
    ConnectionModel model = state.connectionModel;
    if (model.mode == ConnectMode::FailStart) return E_FAIL;

    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (event == nullptr) return E_FAIL;
    CancelStartLocked(state, lock);
    // The previous start's event: whoever waited on it has given up by now,
    // since the module ends every attempt before starting the next.
    if (state.event != nullptr) CloseHandle(state.event);
    state.event = event;
    state.initialized = true;
    CloseAllHandlesLocked(state);
    init->heRapiInit = event;

    // hrRapiInit is written here and never later: an abandoned caller's
    // record may be gone by the time a delayed start completes.
    switch (model.mode) {
        case ConnectMode::Immediate:
            state.link = LinkState::Up;
            init->hrRapiInit = S_OK;
            SetEvent(event);
            break;
        case ConnectMode::FailSignal:
            state.link = LinkState::StartFailed;
            init->hrRapiInit = E_FAIL;
            SetEvent(event);
            break;
        case ConnectMode::Delayed:
            state.link = LinkState::Starting;
            init->hrRapiInit = S_OK;
            state.starter = std::thread(StartLater, std::ref(state), state.startGeneration,
                                        model.delayMs, event);
            break;
        case ConnectMode::NeverSignal:
        case ConnectMode::FailStart:
            state.link = LinkState::Starting;
            break;
    }
    return S_OK;
}

RAPI_API HRESULT WINAPI CeRapiUninit(void) {
    State& state = TheState();
    std::unique_lock<std::mutex> lock(state.mutex);
    CountLocalCall(state, Operation::CeRapiUninit);
    if (!state.initialized) return E_FAIL;
    CancelStartLocked(state, lock);
    state.initialized = false;
    state.link = LinkState::Down;
    CloseAllHandlesLocked(state);
    return S_OK;
}

RAPI_API HRESULT WINAPI CeRapiGetError(void) {
    State& state = TheState();
    {
        std::lock_guard<std::mutex> guard(state.mutex);
        CountLocalCall(state, Operation::CeRapiGetError);
    }
    return ThreadLinkError();
}

RAPI_API DWORD WINAPI CeGetLastError(void) {
    State& state = TheState();
    {
        std::lock_guard<std::mutex> guard(state.mutex);
        CountLocalCall(state, Operation::CeGetLastError);
    }
    return ThreadDeviceError();
}

}  // extern "C"
