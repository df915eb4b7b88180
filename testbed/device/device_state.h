// The device's state, shared by every operation and the control interface,
// and the frame each link operation runs in.
//
// One mutex guards all of it. Operations do their disk work with it held;
// they let it go while a read waits at the gate (a condition variable wait)
// and before the link model sleeps, so a held or slow call on one thread
// never blocks the other thread's calls.
#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "device_control.h"
#include "metadata_store.h"

namespace vbdevice {

enum class LinkState { Down, Starting, Up, StartFailed, Dropped };

// One open device file handle.
struct OpenedFile {
    std::string key;  // metadata key of the file
    std::filesystem::path diskPath;
    DWORD access = 0;
    DWORD share = 0;
    std::fstream stream;  // not open for a handle with neither read nor write access
    std::uint64_t position = 0;
    bool timesSetByCaller = false;  // writes no longer move the times
    bool timesChanged = false;      // in memory, not yet in the journal
};

struct PendingFault {
    unsigned countdown = 0;
    DWORD error = 0;
};

struct State {
    std::mutex mutex;

    std::filesystem::path storage;
    bool storageOpen = false;
    MetadataStore store;

    // Connection.
    ConnectionModel connectionModel;
    bool initialized = false;
    LinkState link = LinkState::Down;
    HANDLE event = nullptr;          // of the last start; closed at the next start or Reset
    unsigned startGeneration = 0;    // a delayed start acts only while it is current
    std::thread starter;
    std::condition_variable startCancelled;

    LinkModel linkModel;

    // Handles and buffers.
    std::map<std::uintptr_t, std::unique_ptr<OpenedFile>> files;
    std::set<std::uintptr_t> processHandles;
    std::uintptr_t nextHandle = 0x1000;
    std::map<const void*, std::size_t> buffers;  // CeFindAllFiles arrays out, by size in bytes
    // The last large array released, kept for the next listing: a fresh one
    // of tens of megabytes costs more in page faults than the disk read.
    void* spareBuffer = nullptr;
    std::size_t spareBufferSize = 0;

    std::array<std::uint64_t, kOperationCount> calls{};

    // Faults.
    std::array<std::optional<PendingFault>, kOperationCount> faults;
    unsigned dropCountdown = 0;  // 0: no drop armed
    DWORD readLimit = kNoLimit;
    DWORD writeLimit = kNoLimit;
    std::uint64_t capacity = kUnlimitedCapacity;

    // The read gate.
    unsigned gateCountdown = 0;  // 0: disarmed
    bool gateHolding = false;
    std::condition_variable gateChanged;

    std::vector<DeviceString> launched;
};

// The one state of the library; the first use configures it from the
// environment. Never destroyed: a delayed start's thread may outlive main.
State& TheState();

// Applies the environment; the caller holds the mutex.
void ConfigureFromEnvironmentLocked(State& state);
void OpenStorageLocked(State& state, const std::filesystem::path& folder);

// Stops a pending delayed start and waits for its thread; lock is held on
// entry and on return (released while joining).
void CancelStartLocked(State& state, std::unique_lock<std::mutex>& lock);
// Forgets every open handle, as a new session of the link does.
void CloseAllHandlesLocked(State& state);

// Error state of the calling thread.
void SetDeviceError(DWORD error);  // CeGetLastError = error, CeRapiGetError = 0
void SetLinkError(HRESULT error);  // CeRapiGetError = error, CeGetLastError = 0
DWORD ThreadDeviceError();
HRESULT ThreadLinkError();

// The frame of one link operation. The constructor takes the lock, counts
// the call and decides whether it reaches the device (link up, no fault on
// it); when it does not, the thread's error is already set. The destructor
// lets the lock go and then plays the link model.
class DeviceCall {
public:
    explicit DeviceCall(Operation operation);
    ~DeviceCall();
    DeviceCall(const DeviceCall&) = delete;
    DeviceCall& operator=(const DeviceCall&) = delete;

    bool Admitted() const { return admitted_; }
    State& state() { return state_; }
    std::unique_lock<std::mutex>& lock() { return lock_; }

    // Record the outcome for the calling thread; Fail returns FALSE.
    BOOL Fail(DWORD deviceError);
    BOOL FailLink();  // the link dropped while the call waited
    void Succeed(DWORD lastError = 0);
    void Transferred(std::uint64_t bytes) { transferred_ += bytes; }

private:
    State& state_;
    std::unique_lock<std::mutex> lock_;
    bool admitted_ = false;
    std::uint64_t transferred_ = 0;
};

// Counts a call of an operation that does not go over the link.
void CountLocalCall(State& state, Operation operation);

inline std::size_t OperationIndex(Operation operation) { return static_cast<std::size_t>(operation); }

}  // namespace vbdevice
