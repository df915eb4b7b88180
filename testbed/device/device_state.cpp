#include "device_state.h"

#include <chrono>
#include <system_error>

namespace vbdevice {

namespace {

thread_local DWORD tDeviceError = 0;
thread_local HRESULT tLinkError = 0;

void PlayLinkModel(const LinkModel& model, std::uint64_t bytes) {
    std::chrono::microseconds delay = std::chrono::milliseconds(model.latencyMs);
    if (model.bytesPerSecond != 0 && bytes != 0) {
        delay += std::chrono::microseconds(bytes * 1000000 / model.bytesPerSecond);
    }
    if (delay.count() > 0) std::this_thread::sleep_for(delay);
}

}  // namespace

State& TheState() {
    static State* const state = [] {
        auto* created = new State;
        std::lock_guard<std::mutex> guard(created->mutex);
        ConfigureFromEnvironmentLocked(*created);
        return created;
    }();
    return *state;
}

void OpenStorageLocked(State& state, const std::filesystem::path& folder) {
    CloseAllHandlesLocked(state);
    state.store.Close();
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(folder, ec);
    if (ec) absolute = folder;
    std::filesystem::create_directories(absolute, ec);
    state.storage = absolute;
    state.store.Open(absolute);
    state.storageOpen = true;
}

void CancelStartLocked(State& state, std::unique_lock<std::mutex>& lock) {
    ++state.startGeneration;
    state.startCancelled.notify_all();
    if (state.starter.joinable()) {
        std::thread starter = std::move(state.starter);
        lock.unlock();
        starter.join();
        lock.lock();
    }
}

void CloseAllHandlesLocked(State& state) {
    for (auto& item : state.files) {
        if (item.second->timesChanged) state.store.Persist(item.second->key);
    }
    state.files.clear();
    state.processHandles.clear();
}

void SetDeviceError(DWORD error) {
    tDeviceError = error;
    tLinkError = 0;
}

void SetLinkError(HRESULT error) {
    tLinkError = error;
    tDeviceError = 0;
}

DWORD ThreadDeviceError() { return tDeviceError; }
HRESULT ThreadLinkError() { return tLinkError; }

void CountLocalCall(State& state, Operation operation) { ++state.calls[OperationIndex(operation)]; }

DeviceCall::DeviceCall(Operation operation) : state_(TheState()), lock_(state_.mutex) {
    std::size_t index = OperationIndex(operation);
    ++state_.calls[index];
    if (state_.link == LinkState::Dropped) {
        SetLinkError(E_FAIL);
        return;
    }
    if (state_.link != LinkState::Up) {
        SetDeviceError(ERROR_NOT_CONNECTED);
        return;
    }
    if (state_.dropCountdown != 0 && --state_.dropCountdown == 0) {
        state_.link = LinkState::Dropped;
        SetLinkError(E_FAIL);
        return;
    }
    std::optional<PendingFault>& fault = state_.faults[index];
    if (fault && --fault->countdown == 0) {
        SetDeviceError(fault->error);
        fault.reset();
        return;
    }
    admitted_ = true;
}

DeviceCall::~DeviceCall() {
    LinkModel model = state_.linkModel;
    bool reachedDevice = admitted_;
    if (lock_.owns_lock()) lock_.unlock();
    if (reachedDevice) PlayLinkModel(model, transferred_);
}

BOOL DeviceCall::Fail(DWORD deviceError) {
    SetDeviceError(deviceError);
    return FALSE;
}

BOOL DeviceCall::FailLink() {
    SetLinkError(E_FAIL);
    return FALSE;
}

void DeviceCall::Succeed(DWORD lastError) { SetDeviceError(lastError); }

}  // namespace vbdevice
