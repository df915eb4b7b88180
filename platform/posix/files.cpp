// File handles: CreateFileA, ReadFile, WriteFile, GetFileSize and the file
// times.
//
// Creation time: Linux keeps no settable creation time, so a creation time
// set through SetFileTime, or the moment this process created the file, is
// kept per file (device and inode) for the life of the process. Otherwise
// the file system's birth time is reported where it keeps one, else the
// earlier of the last write and the last status change.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <memory>
#include <mutex>
#include <string>

#include "console_input.h"
#include "kernel_objects.h"
#include "last_error.h"
#include "local_paths.h"
#include "open_files.h"

namespace vbplatform::detail {
namespace {

// 100-ns units between 1601-01-01 and 1970-01-01.
constexpr std::int64_t kUnixEpochInFileTime = 116444736000000000LL;
constexpr std::int64_t kUnitsPerSecond = 10000000LL;

class FileObject : public KernelObject {
public:
    FileObject(int fd, FileId id, DWORD access, std::uint64_t ticket)
        : KernelObject(ObjectKind::File), fd_(fd), id_(id), access_(access), ticket_(ticket) {}
    ~FileObject() override {
        close(fd_);
        RemoveOpener(id_, ticket_);
    }

    int Fd() const { return fd_; }
    FileId Id() const { return id_; }
    bool CanRead() const { return (access_ & GENERIC_READ) != 0; }
    bool CanWrite() const { return (access_ & GENERIC_WRITE) != 0; }

private:
    int fd_;
    FileId id_;
    DWORD access_;
    std::uint64_t ticket_;
};

std::shared_ptr<FileObject> FindFile(HANDLE handle) {
    std::shared_ptr<FileObject> file = FindObjectOf<FileObject>(handle, ObjectKind::File);
    if (!file) SetLastError(ERROR_INVALID_HANDLE);
    return file;
}

FILETIME FileTimeFromUnix(std::int64_t seconds, long nanoseconds) {
    std::int64_t units = seconds * kUnitsPerSecond + nanoseconds / 100 + kUnixEpochInFileTime;
    auto value = static_cast<std::uint64_t>(units);
    return FILETIME{static_cast<DWORD>(value), static_cast<DWORD>(value >> 32)};
}

FILETIME FileTimeFromTimespec(const timespec& time) { return FileTimeFromUnix(time.tv_sec, time.tv_nsec); }

timespec TimespecFromFileTime(const FILETIME& time) {
    std::int64_t units = static_cast<std::int64_t>((std::uint64_t{time.dwHighDateTime} << 32) |
                                                   time.dwLowDateTime) -
                         kUnixEpochInFileTime;
    std::int64_t seconds = units / kUnitsPerSecond;
    std::int64_t rest = units % kUnitsPerSecond;
    if (rest < 0) {  // floor, for times before 1970
        rest += kUnitsPerSecond;
        --seconds;
    }
    return timespec{static_cast<time_t>(seconds), static_cast<long>(rest * 100)};
}

std::uint64_t AsNumber(const FILETIME& time) {
    return (std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
}

// Zero, and all bits set, ask SetFileTime to leave a time as it is.
bool LeavesTimeAlone(const FILETIME* time) {
    return time == nullptr || AsNumber(*time) == 0 || AsNumber(*time) == ~std::uint64_t{0};
}

FILETIME CreationTimeOf(int fd, FileId id, const struct stat& status) {
    FILETIME kept{};
    if (KeptCreationTime(id, &kept)) return kept;
    struct statx extended {};
    if (statx(fd, "", AT_EMPTY_PATH, STATX_BTIME, &extended) == 0 &&
        (extended.stx_mask & STATX_BTIME) != 0) {
        return FileTimeFromUnix(extended.stx_btime.tv_sec, static_cast<long>(extended.stx_btime.tv_nsec));
    }
    FILETIME written = FileTimeFromTimespec(status.st_mtim);
    FILETIME changed = FileTimeFromTimespec(status.st_ctim);
    return AsNumber(written) < AsNumber(changed) ? written : changed;
}

bool IsConsoleName(LPCSTR name) { return strcasecmp(name, "CONIN$") == 0; }

bool Truncates(DWORD disposition) { return disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING; }

int OpenMode(DWORD access, DWORD disposition) {
    bool read = (access & GENERIC_READ) != 0;
    bool write = (access & GENERIC_WRITE) != 0 || Truncates(disposition);
    return (read && write ? O_RDWR : write ? O_WRONLY : O_RDONLY) | O_CLOEXEC;
}

// Opens or creates the file as the disposition says; *created tells which.
// On failure the last error is set and -1 returned.
int OpenForDisposition(const std::string& path, DWORD access, DWORD disposition, DWORD flags,
                       bool* created) {
    int mode = OpenMode(access, disposition);
    mode_t permissions = (flags & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
    *created = false;
    if (disposition == CREATE_NEW || disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS) {
        int fd = open(path.c_str(), mode | O_CREAT | O_EXCL, permissions);
        if (fd >= 0) {
            *created = true;
            return fd;
        }
        if (errno != EEXIST || disposition == CREATE_NEW) {
            if (errno == EEXIST) {
                SetLastError(ERROR_FILE_EXISTS);
            } else if (errno == ENOENT || errno == ENOTDIR) {
                SetLastError(ERROR_PATH_NOT_FOUND);  // only the folder can be missing here
            } else {
                SetPathError(errno, path);
            }
            return -1;
        }
    }
    int fd = open(path.c_str(), mode);
    if (fd < 0) SetPathError(errno, path);
    return fd;
}

// The checks Windows makes on an existing file before it hands out a handle.
bool ExistingFileUsable(const struct stat& status, DWORD access, DWORD disposition) {
    if (S_ISDIR(status.st_mode)) return false;
    bool writes = (access & GENERIC_WRITE) != 0 || Truncates(disposition);
    return !(writes && IsReadOnlyMode(status.st_mode));
}

}  // namespace
}  // namespace vbplatform::detail

using namespace vbplatform::detail;

extern "C" HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD share,
                              LPSECURITY_ATTRIBUTES /*security*/, DWORD disposition, DWORD flags,
                              HANDLE /*templateFile*/) {
    if (name != nullptr && IsConsoleName(name)) {
        SetLastError(NO_ERROR);
        return OpenConsoleInput();
    }
    if (disposition < CREATE_NEW || disposition > TRUNCATE_EXISTING ||
        (disposition == TRUNCATE_EXISTING && !(access & GENERIC_WRITE))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    std::string path;
    if (!ToLocalPath(name, &path)) return INVALID_HANDLE_VALUE;

    // The lock spans the open and the share check, so two threads cannot both
    // pass the check against each other.
    std::unique_lock<std::mutex> lock(OpenFilesMutex());
    bool created = false;
    int fd = OpenForDisposition(path, access, disposition, flags, &created);
    if (fd < 0) return INVALID_HANDLE_VALUE;
    struct stat status {};
    if (fstat(fd, &status) != 0) {
        SetErrorFromErrno(errno);
        close(fd);
        return INVALID_HANDLE_VALUE;
    }
    FileId id{status.st_dev, status.st_ino};
    std::uint64_t ticket = 0;
    if (!created && !ExistingFileUsable(status, access, disposition)) {
        close(fd);
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    if (!TryAddOpener(id, access, share, &ticket)) {
        close(fd);
        SetLastError(ERROR_SHARING_VIOLATION);
        return INVALID_HANDLE_VALUE;
    }
    auto file = std::make_shared<FileObject>(fd, id, access, ticket);
    lock.unlock();

    if (!created && Truncates(disposition) && ftruncate(fd, 0) != 0) {
        SetErrorFromErrno(errno);
        return INVALID_HANDLE_VALUE;  // the object closes the descriptor
    }
    // The kernel's own stamp of the new file, so creation never trails the
    // first write; it also replaces what was kept for a former inode.
    if (created) KeepCreationTime(id, FileTimeFromTimespec(status.st_mtim));
    HANDLE handle = RegisterObject(std::move(file));
    bool existed = !created && (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS);
    SetLastError(existed ? ERROR_ALREADY_EXISTS : NO_ERROR);
    return handle;
}

extern "C" BOOL ReadFile(HANDLE handle, LPVOID buffer, DWORD toRead, LPDWORD read,
                         LPOVERLAPPED /*overlapped*/) {
    if (read != nullptr) *read = 0;
    std::shared_ptr<FileObject> file = FindFile(handle);
    if (!file) return FALSE;
    if (!file->CanRead()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (buffer == nullptr && toRead > 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    DWORD done = 0;
    while (done < toRead) {
        ssize_t got = ::read(file->Fd(), static_cast<char*>(buffer) + done, toRead - done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            if (read != nullptr) *read = done;
            SetErrorFromErrno(errno);
            return FALSE;
        }
        if (got == 0) break;  // end of file: success with what there was
        done += static_cast<DWORD>(got);
    }
    if (read != nullptr) *read = done;
    return TRUE;
}

extern "C" BOOL WriteFile(HANDLE handle, LPCVOID buffer, DWORD toWrite, LPDWORD written,
                          LPOVERLAPPED /*overlapped*/) {
    if (written != nullptr) *written = 0;
    std::shared_ptr<FileObject> file = FindFile(handle);
    if (!file) return FALSE;
    if (!file->CanWrite()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (buffer == nullptr && toWrite > 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    DWORD done = 0;
    while (done < toWrite) {
        ssize_t put = ::write(file->Fd(), static_cast<const char*>(buffer) + done, toWrite - done);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) {
            if (written != nullptr) *written = done;
            SetErrorFromErrno(put < 0 ? errno : ENOSPC);
            return FALSE;
        }
        done += static_cast<DWORD>(put);
    }
    if (written != nullptr) *written = done;
    return TRUE;
}

extern "C" DWORD GetFileSize(HANDLE handle, LPDWORD sizeHigh) {
    std::shared_ptr<FileObject> file = FindFile(handle);
    struct stat status {};
    if (file && fstat(file->Fd(), &status) != 0) {
        SetErrorFromErrno(errno);
        file.reset();
    }
    if (!file) return INVALID_FILE_SIZE;
    auto size = static_cast<std::uint64_t>(status.st_size);
    if (sizeHigh != nullptr) *sizeHigh = static_cast<DWORD>(size >> 32);
    auto low = static_cast<DWORD>(size);
    // Lets the caller tell this size from a failure.
    if (low == INVALID_FILE_SIZE) SetLastError(NO_ERROR);
    return low;
}

extern "C" BOOL GetFileTime(HANDLE handle, LPFILETIME creation, LPFILETIME lastAccess,
                            LPFILETIME lastWrite) {
    std::shared_ptr<FileObject> file = FindFile(handle);
    if (!file) return FALSE;
    struct stat status {};
    if (fstat(file->Fd(), &status) != 0) {
        SetErrorFromErrno(errno);
        return FALSE;
    }
    if (creation != nullptr) *creation = CreationTimeOf(file->Fd(), file->Id(), status);
    if (lastAccess != nullptr) *lastAccess = FileTimeFromTimespec(status.st_atim);
    if (lastWrite != nullptr) *lastWrite = FileTimeFromTimespec(status.st_mtim);
    return TRUE;
}

extern "C" BOOL SetFileTime(HANDLE handle, const FILETIME* creation, const FILETIME* lastAccess,
                            const FILETIME* lastWrite) {
    std::shared_ptr<FileObject> file = FindFile(handle);
    if (!file) return FALSE;
    if (!file->CanWrite()) {  // a read handle lacks the right to write attributes
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    timespec times[2];
    times[0] = LeavesTimeAlone(lastAccess) ? timespec{0, UTIME_OMIT} : TimespecFromFileTime(*lastAccess);
    times[1] = LeavesTimeAlone(lastWrite) ? timespec{0, UTIME_OMIT} : TimespecFromFileTime(*lastWrite);
    if (futimens(file->Fd(), times) != 0) {
        SetErrorFromErrno(errno);
        return FALSE;
    }
    if (!LeavesTimeAlone(creation)) KeepCreationTime(file->Id(), *creation);
    return TRUE;
}
