// The control interface of device_control.h.
#include <chrono>
#include <cstdlib>

#include "device_control.h"
#include "device_state.h"
#include "device_storage.h"

namespace vbdevice {

namespace {

std::unique_lock<std::mutex> Locked(State& state) { return std::unique_lock<std::mutex>(state.mutex); }

void ClearFaultsLocked(State& state) {
    for (auto& fault : state.faults) fault.reset();
    state.dropCountdown = 0;
    state.readLimit = kNoLimit;
    state.writeLimit = kNoLimit;
    state.capacity = kUnlimitedCapacity;
}

void OpenGateLocked(State& state) {
    state.gateCountdown = 0;
    state.gateHolding = false;
    state.gateChanged.notify_all();
}

// Resolves an existing entry other than the root for the entry setters.
bool ResolveExisting(State& state, const WCHAR* devicePath, ResolvedEntry* entry) {
    return ResolvePath(state, devicePath, entry) == 0 && entry->exists && !entry->isRoot;
}

}  // namespace

void SetStorageFolder(const std::filesystem::path& folder) {
    State& state = TheState();
    auto lock = Locked(state);
    OpenStorageLocked(state, folder);
}

std::filesystem::path StorageFolder() {
    State& state = TheState();
    auto lock = Locked(state);
    return state.storage;
}

std::filesystem::path DiskPathOf(const WCHAR* devicePath) {
    State& state = TheState();
    auto lock = Locked(state);
    ResolvedEntry entry;
    if (ResolvePath(state, devicePath, &entry) != 0) return {};
    return entry.diskPath;
}

void Reset() {
    State& state = TheState();
    auto lock = Locked(state);
    CancelStartLocked(state, lock);
    state.initialized = false;
    state.link = LinkState::Down;
    if (state.event != nullptr) CloseHandle(state.event);
    state.event = nullptr;
    state.connectionModel = ConnectionModel{};
    state.linkModel = LinkModel{};
    CloseAllHandlesLocked(state);
    for (const auto& buffer : state.buffers) std::free(const_cast<void*>(buffer.first));
    state.buffers.clear();
    std::free(state.spareBuffer);
    state.spareBuffer = nullptr;
    state.spareBufferSize = 0;
    state.calls.fill(0);
    ClearFaultsLocked(state);
    OpenGateLocked(state);
    state.launched.clear();
}

void ConfigureFromEnvironment() {
    State& state = TheState();
    auto lock = Locked(state);
    ConfigureFromEnvironmentLocked(state);
}

void SetConnectionModel(const ConnectionModel& model) {
    State& state = TheState();
    auto lock = Locked(state);
    state.connectionModel = model;
}

bool IsLinkUp() {
    State& state = TheState();
    auto lock = Locked(state);
    return state.link == LinkState::Up;
}

void DropLink() {
    State& state = TheState();
    auto lock = Locked(state);
    if (!state.initialized) return;
    CancelStartLocked(state, lock);
    state.link = LinkState::Dropped;
}

void SetLinkModel(const LinkModel& model) {
    State& state = TheState();
    auto lock = Locked(state);
    state.linkModel = model;
}

std::size_t OpenHandleCount() {
    State& state = TheState();
    auto lock = Locked(state);
    return state.files.size();
}

std::size_t OutstandingBufferCount() {
    State& state = TheState();
    auto lock = Locked(state);
    return state.buffers.size();
}

std::uint64_t CallCount(Operation operation) {
    State& state = TheState();
    auto lock = Locked(state);
    return state.calls[OperationIndex(operation)];
}

void ResetCallCounts() {
    State& state = TheState();
    auto lock = Locked(state);
    state.calls.fill(0);
}

void FailCall(Operation operation, unsigned nth, DWORD deviceError) {
    State& state = TheState();
    auto lock = Locked(state);
    auto& fault = state.faults[OperationIndex(operation)];
    if (nth == 0) {
        fault.reset();
    } else {
        fault = PendingFault{nth, deviceError};
    }
}

void DropLinkAtCall(unsigned nth) {
    State& state = TheState();
    auto lock = Locked(state);
    state.dropCountdown = nth;
}

void SetReadLimit(DWORD maxBytes) {
    State& state = TheState();
    auto lock = Locked(state);
    state.readLimit = maxBytes;
}

void SetWriteLimit(DWORD maxBytes) {
    State& state = TheState();
    auto lock = Locked(state);
    state.writeLimit = maxBytes;
}

void SetCapacity(std::uint64_t bytes) {
    State& state = TheState();
    auto lock = Locked(state);
    state.capacity = bytes;
}

std::uint64_t UsedBytes() {
    State& state = TheState();
    auto lock = Locked(state);
    return UsedBytesLocked(state);
}

void ClearFaults() {
    State& state = TheState();
    auto lock = Locked(state);
    ClearFaultsLocked(state);
}

void ArmReadGate(unsigned nth) {
    State& state = TheState();
    auto lock = Locked(state);
    state.gateCountdown = nth;
}

bool WaitForHeldRead(unsigned timeoutMs) {
    State& state = TheState();
    auto lock = Locked(state);
    return state.gateChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                      [&] { return state.gateHolding; });
}

void ReleaseReadGate() {
    State& state = TheState();
    auto lock = Locked(state);
    OpenGateLocked(state);
}

bool ReadIsHeld() {
    State& state = TheState();
    auto lock = Locked(state);
    return state.gateHolding;
}

std::vector<DeviceString> LaunchedPrograms() {
    State& state = TheState();
    auto lock = Locked(state);
    return state.launched;
}

void ClearLaunchedPrograms() {
    State& state = TheState();
    auto lock = Locked(state);
    state.launched.clear();
}

bool SetEntryAttributes(const WCHAR* devicePath, DWORD attributes) {
    State& state = TheState();
    auto lock = Locked(state);
    ResolvedEntry entry;
    if (!ResolveExisting(state, devicePath, &entry)) return false;
    StoredEntry record = RecordOf(state, entry);
    record.attributes = attributes & ~FILE_ATTRIBUTE_DIRECTORY;
    state.store.Put(entry.key, record);
    return true;
}

bool SetEntryTimes(const WCHAR* devicePath, const FILETIME& creation, const FILETIME& lastAccess,
                   const FILETIME& lastWrite) {
    State& state = TheState();
    auto lock = Locked(state);
    ResolvedEntry entry;
    if (!ResolveExisting(state, devicePath, &entry)) return false;
    StoredEntry record = RecordOf(state, entry);
    record.creation = creation;
    record.lastAccess = lastAccess;
    record.lastWrite = lastWrite;
    state.store.Put(entry.key, record);
    return true;
}

bool GetEntryInfo(const WCHAR* devicePath, EntryInfo* info) {
    State& state = TheState();
    auto lock = Locked(state);
    ResolvedEntry entry;
    if (ResolvePath(state, devicePath, &entry) != 0 || !entry.exists) return false;
    *info = DescribeEntry(state, entry);
    return true;
}

FILETIME MakeFileTime(std::uint64_t ticks) {
    FILETIME time;
    time.dwLowDateTime = static_cast<DWORD>(ticks);
    time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return time;
}

std::uint64_t FileTimeTicks(const FILETIME& time) {
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

}  // namespace vbdevice
