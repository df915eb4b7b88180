// Starting a program on the device: the program must exist; the device only
// records that it was started.
#include "device_state.h"
#include "device_storage.h"

using namespace vbdevice;

namespace {

// A name without an extension means the ".exe" of that name.
DeviceString WithProgramExtension(const WCHAR* name) {
    DeviceString path(name);
    std::size_t lastSeparator = path.rfind('\\');
    std::size_t nameStart = lastSeparator == DeviceString::npos ? 0 : lastSeparator + 1;
    if (path.find('.', nameStart) == DeviceString::npos) {
        path += VB_WTEXT(".exe");
    }
    return path;
}

// Fake, distinct, nonzero handles and ids for the started program.
void FillProcessInformation(State& state, LPPROCESS_INFORMATION information) {
    std::uintptr_t process = state.nextHandle;
    std::uintptr_t thread = state.nextHandle + 4;
    state.nextHandle += 8;
    state.processHandles.insert(process);
    state.processHandles.insert(thread);
    if (information == nullptr) return;
    information->hProcess = reinterpret_cast<HANDLE>(process);
    information->hThread = reinterpret_cast<HANDLE>(thread);
    information->dwProcessId = static_cast<DWORD>(process * 16 + 1);
    information->dwThreadId = static_cast<DWORD>(thread * 16 + 1);
}

}  // namespace

extern "C" {

RAPI_API BOOL WINAPI CeCreateProcess(LPCWSTR applicationName, LPCWSTR,
                                     LPSECURITY_ATTRIBUTES processAttributes,
                                     LPSECURITY_ATTRIBUTES threadAttributes,
                                     BOOL inheritHandles, DWORD, LPVOID environment,
                                     LPWSTR currentDirectory, LPSTARTUPINFOW startupInfo,
                                     LPPROCESS_INFORMATION processInformation) {
    DeviceCall call(Operation::CeCreateProcess);
    if (!call.Admitted()) return FALSE;
    State& state = call.state();
    // The device supports none of these.
    if (applicationName == nullptr || processAttributes != nullptr || threadAttributes != nullptr ||
        inheritHandles || environment != nullptr || currentDirectory != nullptr ||
        startupInfo != nullptr) {
        return call.Fail(ERROR_INVALID_PARAMETER);
    }
    DeviceString program = WithProgramExtension(applicationName);
    DevicePath path;
    ResolvedEntry entry;
    DWORD error = ResolvePath(state, program.c_str(), &entry, &path);
    if (error == ERROR_PATH_NOT_FOUND || (!error && (!entry.exists || entry.disk.isDirectory))) {
        error = ERROR_FILE_NOT_FOUND;
    }
    if (error) return call.Fail(error);
    FillProcessInformation(state, processInformation);
    state.launched.push_back(program);
    call.Succeed();
    return TRUE;
}

}  // extern "C"
