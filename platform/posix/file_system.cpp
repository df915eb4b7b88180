// Names rather than handles: delete, folders, attributes, full paths and
// the current directory.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "last_error.h"
#include "local_paths.h"
#include "open_files.h"

namespace vbplatform::detail {
namespace {

bool StatName(LPCSTR name, std::string* path, struct stat* status) {
    if (!ToLocalPath(name, path)) return false;
    if (stat(path->c_str(), status) != 0) {
        SetPathError(errno, *path);
        return false;
    }
    return true;
}

DWORD AttributesOf(const struct stat& status) {
    DWORD attributes = S_ISDIR(status.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    if (IsReadOnlyMode(status.st_mode)) attributes |= FILE_ATTRIBUTE_READONLY;
    return attributes;
}

// Win32's answer for a text that does not fit: the size needed with the
// terminator, nothing written. Otherwise the length without it.
DWORD CopyOut(const std::string& text, DWORD bufferLength, LPSTR buffer) {
    if (buffer == nullptr || text.size() + 1 > bufferLength) return static_cast<DWORD>(text.size() + 1);
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return static_cast<DWORD>(text.size());
}

// An absolute path with `.` and `..` resolved by the text alone and every
// separator a single `/`. A trailing separator is kept.
std::string FullPathOf(const std::string& name) {
    std::string path = name;
    for (char& c : path) {
        if (c == '\\') c = '/';
    }
    if (path[0] != '/') path = CurrentDirectoryOem() + "/" + path;
    bool trailingSeparator = path.back() == '/';
    std::vector<std::string> parts;
    std::string::size_type start = 0;
    while (start <= path.size()) {
        std::string::size_type end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        std::string part = path.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string full;
    for (const std::string& part : parts) full += "/" + part;
    if (full.empty() || trailingSeparator) full += "/";
    return full;
}

}  // namespace
}  // namespace vbplatform::detail

using namespace vbplatform::detail;

extern "C" BOOL DeleteFileA(LPCSTR name) {
    std::string path;
    if (!ToLocalPath(name, &path)) return FALSE;
    struct stat status {};
    if (lstat(path.c_str(), &status) != 0) {
        SetPathError(errno, path);
        return FALSE;
    }
    if (S_ISDIR(status.st_mode) || (!S_ISLNK(status.st_mode) && IsReadOnlyMode(status.st_mode))) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    FileId id{status.st_dev, status.st_ino};
    std::lock_guard<std::mutex> lock(OpenFilesMutex());
    if (!DeleteAllowed(id)) {
        SetLastError(ERROR_SHARING_VIOLATION);
        return FALSE;
    }
    if (unlink(path.c_str()) != 0) {
        SetPathError(errno, path);
        return FALSE;
    }
    ForgetCreationTime(id);
    return TRUE;
}

extern "C" BOOL CreateDirectoryA(LPCSTR name, LPSECURITY_ATTRIBUTES /*security*/) {
    std::string path;
    if (!ToLocalPath(name, &path)) return FALSE;
    if (mkdir(path.c_str(), 0777) != 0) {
        int error = errno;
        // A missing folder on the way is always "path not found" here.
        SetLastError(error == ENOENT || error == ENOTDIR ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(error));
        return FALSE;
    }
    return TRUE;
}

extern "C" BOOL RemoveDirectoryA(LPCSTR name) {
    std::string path;
    struct stat status {};
    if (!ToLocalPath(name, &path)) return FALSE;
    if (lstat(path.c_str(), &status) != 0) {
        SetPathError(errno, path);
        return FALSE;
    }
    if (!S_ISDIR(status.st_mode)) {
        SetLastError(kErrorDirectoryName);
        return FALSE;
    }
    if (rmdir(path.c_str()) != 0) {
        int error = errno;
        SetLastError(error == EEXIST ? ERROR_DIR_NOT_EMPTY : ErrorFromErrno(error));
        return FALSE;
    }
    return TRUE;
}

extern "C" DWORD GetFileAttributesA(LPCSTR name) {
    std::string path;
    struct stat status {};
    if (!StatName(name, &path, &status)) return INVALID_FILE_ATTRIBUTES;
    return AttributesOf(status);
}

extern "C" BOOL SetFileAttributesA(LPCSTR name, DWORD attributes) {
    std::string path;
    struct stat status {};
    if (!StatName(name, &path, &status)) return FALSE;
    // Only the read-only attribute has a POSIX counterpart: the write bits.
    mode_t mode = status.st_mode & 07777;
    mode = (attributes & FILE_ATTRIBUTE_READONLY) ? (mode & ~mode_t(0222)) : (mode | S_IWUSR);
    if (chmod(path.c_str(), mode) != 0) {
        SetPathError(errno, path);
        return FALSE;
    }
    return TRUE;
}

extern "C" DWORD GetFullPathNameA(LPCSTR name, DWORD bufferLength, LPSTR buffer, LPSTR* filePart) {
    if (name == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (*name == '\0') {
        SetLastError(ERROR_INVALID_NAME);
        return 0;
    }
    std::string full = FullPathOf(name);
    DWORD result = CopyOut(full, bufferLength, buffer);
    if (filePart != nullptr && result == full.size()) {
        *filePart = full.back() == '/' ? nullptr : buffer + full.rfind('/') + 1;
    }
    return result;
}

extern "C" DWORD GetCurrentDirectoryA(DWORD bufferLength, LPSTR buffer) {
    std::string current = CurrentDirectoryOem();
    if (current.empty()) {
        SetErrorFromErrno(errno);
        return 0;
    }
    return CopyOut(current, bufferLength, buffer);
}

extern "C" BOOL SetCurrentDirectoryA(LPCSTR name) {
    std::string path;
    struct stat status {};
    if (!StatName(name, &path, &status)) return FALSE;
    if (!S_ISDIR(status.st_mode)) {
        SetLastError(kErrorDirectoryName);
        return FALSE;
    }
    if (chdir(path.c_str()) != 0) {
        SetPathError(errno, path);
        return FALSE;
    }
    return TRUE;
}

// Narrow file-API text is always OEM here.
extern "C" void SetFileApisToOEM(void) {}
