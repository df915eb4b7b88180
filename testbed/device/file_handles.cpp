// Device file handles: opening with dispositions and share modes, reading,
// writing (with the short-write and capacity faults), size, times, closing.
#include <algorithm>
#include <system_error>

#include "device_state.h"
#include "device_storage.h"

using namespace vbdevice;

namespace {

constexpr DWORD kAccessMask = GENERIC_READ | GENERIC_WRITE;
constexpr DWORD kCreatableAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                       FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
constexpr DWORD kUnwritable = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_INROM;
// A device file holds at most 4 GiB - 1 bytes.
constexpr std::uint64_t kMaxFileSize = 0xFFFFFFFFull;

OpenedFile* FindFile(State& state, HANDLE handle) {
    auto it = state.files.find(reinterpret_cast<std::uintptr_t>(handle));
    return it == state.files.end() ? nullptr : it->second.get();
}

// Win32's rule: the new handle must allow what every open one does, and
// every open one must allow what the new one does. A new handle without
// data access conflicts with nothing either.
bool SharingAllows(const State& state, const std::string& key, DWORD access, DWORD share) {
    if (!(access & kAccessMask)) return true;
    for (const auto& item : state.files) {
        const OpenedFile& open = *item.second;
        // A handle for times and size only holds no share on the data.
        if (open.key != key || !(open.access & kAccessMask)) continue;
        if ((access & GENERIC_READ) && !(open.share & FILE_SHARE_READ)) return false;
        if ((access & GENERIC_WRITE) && !(open.share & FILE_SHARE_WRITE)) return false;
        if ((open.access & GENERIC_READ) && !(share & FILE_SHARE_READ)) return false;
        if ((open.access & GENERIC_WRITE) && !(share & FILE_SHARE_WRITE)) return false;
    }
    return true;
}

StoredEntry RecordOfOpenFile(State& state, const OpenedFile& file) {
    if (const StoredEntry* stored = state.store.Find(file.key)) return *stored;
    ResolvedEntry entry;
    entry.key = file.key;
    entry.diskPath = file.diskPath;
    entry.exists = StatDiskEntry(file.diskPath, &entry.disk);
    return RecordOf(state, entry);
}

std::uint64_t CurrentSize(const OpenedFile& file) {
    std::error_code ec;
    std::uint64_t size = std::filesystem::file_size(file.diskPath, ec);
    return ec ? 0 : size;
}

bool CreateEmptyFile(const std::filesystem::path& path) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    return static_cast<bool>(out);
}

bool Truncate(const std::filesystem::path& path) {
    std::error_code ec;
    std::filesystem::resize_file(path, 0, ec);
    return !ec;
}

bool OpenStream(OpenedFile& file) {
    std::ios::openmode mode = std::ios::binary;
    if (file.access & GENERIC_READ) mode |= std::ios::in;
    if (file.access & GENERIC_WRITE) mode |= std::ios::in | std::ios::out;  // out alone truncates
    if (!(file.access & kAccessMask)) return true;  // a handle for times and size only
    file.stream.open(file.diskPath, mode);
    return file.stream.is_open();
}

// How many of the bytes asked for a write at the handle's position may be
// written: the file size limit and the device's capacity. Sets *full when
// they cut the write short.
DWORD WritableBytes(State& state, const OpenedFile& file, DWORD asked, bool* full) {
    std::uint64_t end = file.position + asked;
    std::uint64_t allowedEnd = std::min<std::uint64_t>(end, kMaxFileSize);
    if (state.capacity != kUnlimitedCapacity) {
        std::uint64_t used = UsedBytesLocked(state);
        std::uint64_t size = CurrentSize(file);
        std::uint64_t room = state.capacity > used ? state.capacity - used : 0;
        // Only what goes past the current end uses room.
        allowedEnd = std::min(allowedEnd, std::max(size, file.position) + room);
    }
    *full = allowedEnd < end;
    return allowedEnd > file.position ? static_cast<DWORD>(allowedEnd - file.position) : 0;
}

void NoteWrite(State& state, OpenedFile& file) {
    if (file.timesSetByCaller) return;
    StoredEntry record = RecordOfOpenFile(state, file);
    record.lastWrite = record.lastAccess = FileTimeNow();
    record.attributes |= FILE_ATTRIBUTE_ARCHIVE;
    state.store.PutInMemory(file.key, record);
    file.timesChanged = true;
}

enum class Existing { Keep, Truncate, Replace };

// Opens an existing file for the disposition: permissions, sharing, and
// truncation with the attributes Win32 gives a replaced file.
DWORD OpenExisting(State& state, const ResolvedEntry& entry, DWORD access, DWORD share,
                   Existing treatment, DWORD createAttributes) {
    StoredEntry record = RecordOf(state, entry);
    bool writes = (access & GENERIC_WRITE) || treatment != Existing::Keep;
    if (writes && (record.attributes & kUnwritable)) return ERROR_ACCESS_DENIED;
    DWORD effectiveAccess = access | (treatment != Existing::Keep ? GENERIC_WRITE : 0);
    if (!SharingAllows(state, entry.key, effectiveAccess, share)) return ERROR_SHARING_VIOLATION;
    if (treatment == Existing::Keep) return 0;
    if (!Truncate(entry.diskPath)) return ERROR_ACCESS_DENIED;
    if (treatment == Existing::Replace) {
        record.attributes = createAttributes | FILE_ATTRIBUTE_ARCHIVE;
    }
    record.lastWrite = record.lastAccess = FileTimeNow();
    state.store.Put(entry.key, record);
    return 0;
}

DWORD CreateNew(State& state, const ResolvedEntry& entry, DWORD createAttributes) {
    if (!CreateEmptyFile(entry.diskPath)) return ERROR_ACCESS_DENIED;
    StoredEntry record;
    record.attributes = createAttributes | FILE_ATTRIBUTE_ARCHIVE;
    record.creation = record.lastAccess = record.lastWrite = FileTimeNow();
    state.store.Put(entry.key, record);
    return 0;
}

DWORD CheckTarget(const DevicePath& path, const ResolvedEntry& entry, DWORD disposition) {
    if (entry.isRoot) return ERROR_ACCESS_DENIED;
    if (entry.exists && entry.disk.isDirectory) {
        return disposition == CREATE_NEW ? ERROR_FILE_EXISTS : ERROR_ACCESS_DENIED;
    }
    if (path.trailingSeparator) return ERROR_INVALID_NAME;
    return 0;
}

}  // namespace

extern "C" {

RAPI_API HANDLE WINAPI CeCreateFile(LPCWSTR fileName, DWORD desiredAccess, DWORD shareMode,
                                    LPSECURITY_ATTRIBUTES, DWORD creationDisposition,
                                    DWORD flagsAndAttributes, HANDLE) {
    DeviceCall call(Operation::CeCreateFile);
    if (!call.Admitted()) return INVALID_HANDLE_VALUE;
    State& state = call.state();
    if (creationDisposition < CREATE_NEW || creationDisposition > TRUNCATE_EXISTING) {
        call.Fail(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    DWORD access = desiredAccess & kAccessMask;
    if (creationDisposition == TRUNCATE_EXISTING && !(access & GENERIC_WRITE)) {
        call.Fail(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    DevicePath path;
    ResolvedEntry entry;
    DWORD error = ResolvePath(state, fileName, &entry, &path);
    if (!error) error = CheckTarget(path, entry, creationDisposition);
    if (error) {
        call.Fail(error);
        return INVALID_HANDLE_VALUE;
    }

    DWORD createAttributes = flagsAndAttributes & kCreatableAttributes;
    bool existed = entry.exists;
    switch (creationDisposition) {
        case CREATE_NEW:
            error = existed ? ERROR_FILE_EXISTS : CreateNew(state, entry, createAttributes);
            break;
        case CREATE_ALWAYS:
            error = existed ? OpenExisting(state, entry, access, shareMode, Existing::Replace,
                                           createAttributes)
                            : CreateNew(state, entry, createAttributes);
            break;
        case OPEN_EXISTING:
            error = existed ? OpenExisting(state, entry, access, shareMode, Existing::Keep, 0)
                            : MissingEntryError();
            break;
        case OPEN_ALWAYS:
            error = existed ? OpenExisting(state, entry, access, shareMode, Existing::Keep, 0)
                            : CreateNew(state, entry, createAttributes);
            break;
        case TRUNCATE_EXISTING:
            error = existed ? OpenExisting(state, entry, access, shareMode, Existing::Truncate, 0)
                            : MissingEntryError();
            break;
    }
    if (error) {
        call.Fail(error);
        return INVALID_HANDLE_VALUE;
    }

    auto file = std::make_unique<OpenedFile>();
    file->key = entry.key;
    file->diskPath = entry.diskPath;
    file->access = access;
    file->share = shareMode;
    if (!OpenStream(*file)) {
        call.Fail(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    std::uintptr_t handle = state.nextHandle;
    state.nextHandle += 4;
    state.files.emplace(handle, std::move(file));
    bool reopened = existed && (creationDisposition == CREATE_ALWAYS ||
                                creationDisposition == OPEN_ALWAYS);
    call.Succeed(reopened ? ERROR_ALREADY_EXISTS : 0);
    return reinterpret_cast<HANDLE>(handle);
}

RAPI_API BOOL WINAPI CeReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read,
                                LPOVERLAPPED overlapped) {
    if (read) *read = 0;
    DeviceCall call(Operation::CeReadFile);
    if (!call.Admitted()) return FALSE;
    State& state = call.state();
    if (read == nullptr || overlapped != nullptr || (buffer == nullptr && toRead != 0)) {
        return call.Fail(ERROR_INVALID_PARAMETER);
    }
    if (state.gateCountdown != 0 && --state.gateCountdown == 0) {
        state.gateHolding = true;
        state.gateChanged.notify_all();
        state.gateChanged.wait(call.lock(), [&] { return !state.gateHolding; });
        if (state.link == LinkState::Dropped) return call.FailLink();
        if (state.link != LinkState::Up) return call.Fail(ERROR_NOT_CONNECTED);
    }
    OpenedFile* open = FindFile(state, file);
    if (open == nullptr) return call.Fail(ERROR_INVALID_HANDLE);
    if (!(open->access & GENERIC_READ)) return call.Fail(ERROR_ACCESS_DENIED);

    DWORD wanted = std::min(toRead, state.readLimit);
    std::fstream& stream = open->stream;
    stream.clear();
    stream.seekg(static_cast<std::streamoff>(open->position));
    stream.read(static_cast<char*>(buffer), static_cast<std::streamsize>(wanted));
    auto got = static_cast<DWORD>(stream.gcount());
    stream.clear();
    open->position += got;
    *read = got;
    call.Transferred(got);
    call.Succeed();
    return TRUE;
}

RAPI_API BOOL WINAPI CeWriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written,
                                 LPOVERLAPPED overlapped) {
    if (written) *written = 0;
    DeviceCall call(Operation::CeWriteFile);
    if (!call.Admitted()) return FALSE;
    State& state = call.state();
    if (written == nullptr || overlapped != nullptr || (buffer == nullptr && toWrite != 0)) {
        return call.Fail(ERROR_INVALID_PARAMETER);
    }
    OpenedFile* open = FindFile(state, file);
    if (open == nullptr) return call.Fail(ERROR_INVALID_HANDLE);
    if (!(open->access & GENERIC_WRITE)) return call.Fail(ERROR_ACCESS_DENIED);
    if (toWrite == 0) {
        call.Succeed();
        return TRUE;
    }
    if (state.writeLimit == 0) return call.Fail(ERROR_DISK_FULL);

    bool full = false;
    DWORD count = WritableBytes(state, *open, std::min(toWrite, state.writeLimit), &full);
    if (count > 0) {
        std::fstream& stream = open->stream;
        stream.clear();
        stream.seekp(static_cast<std::streamoff>(open->position));
        stream.write(static_cast<const char*>(buffer), static_cast<std::streamsize>(count));
        stream.flush();  // other handles of the file read through their own buffers
        if (!stream) {
            stream.clear();
            return call.Fail(ERROR_DISK_FULL);
        }
        open->position += count;
        *written = count;
        call.Transferred(count);
        NoteWrite(state, *open);
    }
    if (full) return call.Fail(ERROR_DISK_FULL);
    call.Succeed();
    return TRUE;
}

RAPI_API DWORD WINAPI CeGetFileSize(HANDLE file, LPDWORD sizeHigh) {
    DeviceCall call(Operation::CeGetFileSize);
    if (!call.Admitted()) return INVALID_FILE_SIZE;
    OpenedFile* open = FindFile(call.state(), file);
    if (open == nullptr) {
        call.Fail(ERROR_INVALID_HANDLE);
        return INVALID_FILE_SIZE;
    }
    std::uint64_t size = CurrentSize(*open);
    if (sizeHigh) *sizeHigh = static_cast<DWORD>(size >> 32);
    call.Succeed();
    return static_cast<DWORD>(size);
}

RAPI_API BOOL WINAPI CeGetFileTime(HANDLE file, LPFILETIME creation, LPFILETIME lastAccess,
                                   LPFILETIME lastWrite) {
    DeviceCall call(Operation::CeGetFileTime);
    if (!call.Admitted()) return FALSE;
    OpenedFile* open = FindFile(call.state(), file);
    if (open == nullptr) return call.Fail(ERROR_INVALID_HANDLE);
    StoredEntry record = RecordOfOpenFile(call.state(), *open);
    if (creation) *creation = record.creation;
    if (lastAccess) *lastAccess = record.lastAccess;
    if (lastWrite) *lastWrite = record.lastWrite;
    call.Succeed();
    return TRUE;
}

RAPI_API BOOL WINAPI CeSetFileTime(HANDLE file, const FILETIME* creation,
                                   const FILETIME* lastAccess, const FILETIME* lastWrite) {
    DeviceCall call(Operation::CeSetFileTime);
    if (!call.Admitted()) return FALSE;
    State& state = call.state();
    OpenedFile* open = FindFile(state, file);
    if (open == nullptr) return call.Fail(ERROR_INVALID_HANDLE);
    if (!(open->access & GENERIC_WRITE)) return call.Fail(ERROR_ACCESS_DENIED);
    StoredEntry record = RecordOfOpenFile(state, *open);
    if (creation) record.creation = *creation;
    if (lastAccess) record.lastAccess = *lastAccess;
    if (lastWrite) record.lastWrite = *lastWrite;
    state.store.Put(open->key, record);
    open->timesSetByCaller = true;
    open->timesChanged = false;
    call.Succeed();
    return TRUE;
}

RAPI_API BOOL WINAPI CeCloseHandle(HANDLE object) {
    DeviceCall call(Operation::CeCloseHandle);
    if (!call.Admitted()) return FALSE;
    State& state = call.state();
    auto value = reinterpret_cast<std::uintptr_t>(object);
    auto it = state.files.find(value);
    if (it != state.files.end()) {
        if (it->second->timesChanged) state.store.Persist(it->second->key);
        state.files.erase(it);
    } else if (state.processHandles.erase(value) == 0) {
        return call.Fail(ERROR_INVALID_HANDLE);
    }
    call.Succeed();
    return TRUE;
}

}  // extern "C"
