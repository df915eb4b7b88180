// Operations on entries by name: delete, directories, attributes, copy and
// move within the device.
#include <system_error>

#include "device_state.h"
#include "device_storage.h"
#include "device_text.h"

using namespace vbdevice;

namespace {

// Win32's error for a directory operation on a file.
constexpr DWORD kErrorDirectory = 267;

constexpr DWORD kUnchangeable = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_INROM;
// A copy lives in RAM: the ROM attributes stay with the original.
constexpr DWORD kRomOnly = FILE_ATTRIBUTE_INROM | FILE_ATTRIBUTE_ROMMODULE | FILE_ATTRIBUTE_ROMSTATICREF;

bool SharingAllowsRead(const State& state, const std::string& key) {
    for (const auto& item : state.files) {
        if (item.second->key == key && !(item.second->share & FILE_SHARE_READ)) return false;
    }
    return true;
}

bool IsOpen(const State& state, const std::string& key) {
    for (const auto& item : state.files) {
        if (item.second->key == key) return true;
    }
    return false;
}

bool DirectoryIsEmpty(const std::filesystem::path& directory) {
    bool empty = true;
    ReadDiskNames(directory, [&](const DeviceString&) {
        empty = false;
        return false;
    });
    return empty;
}

DWORD CheckDeletableFile(State& state, const ResolvedEntry& entry) {
    if (entry.isRoot || (entry.exists && entry.disk.isDirectory)) return ERROR_ACCESS_DENIED;
    if (!entry.exists) return MissingEntryError();
    if (RecordOf(state, entry).attributes & kUnchangeable) return ERROR_ACCESS_DENIED;
    if (IsOpen(state, entry.key)) return ERROR_SHARING_VIOLATION;
    return 0;
}

DWORD CheckRemovableDirectory(State& state, const ResolvedEntry& entry) {
    if (entry.isRoot) return ERROR_ACCESS_DENIED;
    if (!entry.exists) return MissingEntryError();
    if (!entry.disk.isDirectory) return kErrorDirectory;
    // Read-only and in-ROM folders, and storage cards, stay.
    if (RecordOf(state, entry).attributes & (kUnchangeable | FILE_ATTRIBUTE_TEMPORARY)) {
        return ERROR_ACCESS_DENIED;
    }
    if (!DirectoryIsEmpty(entry.diskPath)) return ERROR_DIR_NOT_EMPTY;
    return 0;
}

DWORD CheckCopySource(State& state, const DevicePath& path, const ResolvedEntry& source) {
    if (path.trailingSeparator) return ERROR_INVALID_NAME;
    if (source.isRoot || (source.exists && source.disk.isDirectory)) return ERROR_ACCESS_DENIED;
    if (!source.exists) return MissingEntryError();
    if (!SharingAllowsRead(state, source.key)) return ERROR_SHARING_VIOLATION;
    return 0;
}

DWORD CheckCopyTarget(State& state, const DevicePath& path, const ResolvedEntry& source,
                      const ResolvedEntry& target, BOOL failIfExists) {
    if (target.isRoot || (target.exists && target.disk.isDirectory)) return ERROR_ACCESS_DENIED;
    if (path.trailingSeparator) return ERROR_INVALID_NAME;
    if (!target.exists) return 0;
    if (failIfExists) return ERROR_FILE_EXISTS;
    if (target.key == source.key || IsOpen(state, target.key)) return ERROR_SHARING_VIOLATION;
    if (RecordOf(state, target).attributes & kUnchangeable) return ERROR_ACCESS_DENIED;
    return 0;
}

DWORD CheckRoomForCopy(State& state, const ResolvedEntry& source, const ResolvedEntry& target) {
    if (state.capacity == kUnlimitedCapacity) return 0;
    std::uint64_t freed = target.exists ? target.disk.size : 0;
    std::uint64_t used = UsedBytesLocked(state) - freed;
    return used + source.disk.size > state.capacity ? ERROR_DISK_FULL : 0;
}

DWORD CopyEntry(State& state, const ResolvedEntry& source, const ResolvedEntry& target) {
    if (!CopyFileOnDisk(source.diskPath, target.diskPath)) return ERROR_ACCESS_DENIED;
    StoredEntry record = RecordOf(state, source);
    record.attributes &= ~kRomOnly;
    state.store.Put(target.key, record);
    return 0;
}

// Where a move puts the entry: the resolved target, or for a change of case
// only, the source's directory with the new spelling.
DWORD CheckMove(State& state, const DevicePath& targetPath, const ResolvedEntry& source,
                const ResolvedEntry& target) {
    if (source.isRoot) return ERROR_ACCESS_DENIED;
    if (!source.exists) return MissingEntryError();
    if (target.isRoot) return ERROR_ALREADY_EXISTS;
    if (targetPath.trailingSeparator && !source.disk.isDirectory) return ERROR_INVALID_NAME;
    bool caseChangeOnly = target.exists && target.key == source.key &&
                          targetPath.components.back() != source.name;
    if (target.exists && !caseChangeOnly) return ERROR_ALREADY_EXISTS;
    if (IsSameOrBelow(target.parentKey, source.key)) return ERROR_ACCESS_DENIED;
    if (RecordOf(state, source).attributes & FILE_ATTRIBUTE_INROM) return ERROR_ACCESS_DENIED;
    if (HasOpenHandleAtOrBelow(state, source.key)) return ERROR_SHARING_VIOLATION;
    return 0;
}

}  // namespace

extern "C" {

RAPI_API BOOL WINAPI CeDeleteFile(LPCWSTR fileName) {
    DeviceCall call(Operation::CeDeleteFile);
    if (!call.Admitted()) return FALSE;
    State& state = call.state();
    ResolvedEntry entry;
    DWORD error = ResolvePath(state, fileName, &entry);
    if (!error) error = CheckDeletableFile(state, entry);
    if (error) return call.Fail(error);
    std::error_code ec;
    if (!std::filesystem::remove(entry.diskPath, ec)) return call.Fail(ERROR_ACCESS_DENIED);
    state.store.Erase(entry.key);
    call.Succeed();
    return TRUE;
}

RAPI_API BOOL WINAPI CeRemoveDirectory(LPCWSTR pathName) {
    DeviceCall call(Operation::CeRemoveDirectory);
    if (!call.Admitted()) return FALSE;
    State& state = call.state();
    ResolvedEntry entry;
    DWORD error = ResolvePath(state, pathName, &entry);
    if (!error) error = CheckRemovableDirectory(state, entry);
    if (error) return call.Fail(error);
    std::error_code ec;
    if (!std::filesystem::remove(entry.diskPath, ec)) return call.Fail(ERROR_ACCESS_DENIED);
    state.store.Erase(entry.key);
    call.Succeed();
    return TRUE;
}

RAPI_API DWORD WINAPI CeGetFileAttributes(LPCWSTR fileName) {
    DeviceCall call(Operation::CeGetFileAttributes);
    if (!call.Admitted()) return INVALID_FILE_ATTRIBUTES;
    State& state = call.state();
    ResolvedEntry entry;
    DWORD error = ResolvePath(state, fileName, &entry);
    if (!error && !entry.exists) error = MissingEntryError();
    if (error) {
        call.Fail(error);
        return INVALID_FILE_ATTRIBUTES;
    }
    call.Succeed();
    return DescribeEntry(state, entry).attributes;
}

RAPI_API BOOL WINAPI CeCreateDirectory(LPCWSTR pathName, LPSECURITY_ATTRIBUTES) {
    DeviceCall call(Operation::CeCreateDirectory);
    if (!call.Admitted()) return FALSE;
    State& state = call.state();
    ResolvedEntry entry;
    DWORD error = ResolvePath(state, pathName, &entry);
    if (!error && (entry.isRoot || entry.exists)) error = ERROR_ALREADY_EXISTS;
    if (error) return call.Fail(error);
    std::error_code ec;
    if (!std::filesystem::create_directory(entry.diskPath, ec)) return call.Fail(ERROR_ACCESS_DENIED);
    StoredEntry record;
    record.attributes = FILE_ATTRIBUTE_DIRECTORY;
    record.creation = record.lastAccess = record.lastWrite = FileTimeNow();
    state.store.Put(entry.key, record);
    call.Succeed();
    return TRUE;
}

RAPI_API BOOL WINAPI CeCopyFile(LPCWSTR existingFileName, LPCWSTR newFileName, BOOL failIfExists) {
    DeviceCall call(Operation::CeCopyFile);
    if (!call.Admitted()) return FALSE;
    State& state = call.state();
    DevicePath sourcePath, targetPath;
    ResolvedEntry source, target;
    DWORD error = ResolvePath(state, existingFileName, &source, &sourcePath);
    if (!error) error = CheckCopySource(state, sourcePath, source);
    if (!error) error = ResolvePath(state, newFileName, &target, &targetPath);
    if (!error) error = CheckCopyTarget(state, targetPath, source, target, failIfExists);
    if (!error) error = CheckRoomForCopy(state, source, target);
    if (!error) error = CopyEntry(state, source, target);
    if (error) return call.Fail(error);
    call.Succeed();
    return TRUE;
}

RAPI_API BOOL WINAPI CeMoveFile(LPCWSTR existingFileName, LPCWSTR newFileName) {
    DeviceCall call(Operation::CeMoveFile);
    if (!call.Admitted()) return FALSE;
    State& state = call.state();
    DevicePath sourcePath, targetPath;
    ResolvedEntry source, target;
    DWORD error = ResolvePath(state, existingFileName, &source, &sourcePath);
    if (!error) error = ResolvePath(state, newFileName, &target, &targetPath);
    if (!error) error = CheckMove(state, targetPath, source, target);
    if (error) return call.Fail(error);

    // The new name as the caller spelled it (also for a change of case only).
    const DeviceString& newName = targetPath.components.back();
    std::filesystem::path newDiskPath = target.parentDiskPath / DiskName(newName);
    std::string newKey = ChildKey(target.parentKey, ToUtf8(newName));
    if (!RenameOnDisk(source.diskPath, newDiskPath)) return call.Fail(ERROR_ACCESS_DENIED);
    state.store.Rename(source.key, newKey);
    call.Succeed();
    return TRUE;
}

}  // extern "C"
