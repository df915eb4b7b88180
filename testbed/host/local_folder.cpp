#include "local_folder.h"

#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include "vbplatform_testing.h"
#endif

namespace vbhost {

#ifdef _WIN32
static const char Separator = '\\';
#else
static const char Separator = '/';
#endif

std::string JoinLocalPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    char last = folder.back();
    if (last == '/' || last == '\\') return folder + name;
    return folder + Separator + name;
}

std::string AbsoluteLocalPath(const std::string& path) {
    char buffer[4096];
    DWORD length = GetFullPathNameA(path.c_str(), sizeof buffer, buffer, nullptr);
    if (length == 0 || length >= sizeof buffer) return path;
    return std::string(buffer, length);
}

std::string ParentLocalPath(const std::string& path) {
    std::string trimmed = path;
    while (trimmed.size() > 1 && (trimmed.back() == '/' || trimmed.back() == '\\')) trimmed.pop_back();
    size_t cut = trimmed.find_last_of("/\\");
    if (cut == std::string::npos) return std::string();
    if (cut == 0) return trimmed.substr(0, 1);
    if (cut == 2 && trimmed[1] == ':') return trimmed.substr(0, 3);
    return trimmed.substr(0, cut);
}

std::string LocalPathName(const std::string& path) {
    std::string trimmed = path;
    while (trimmed.size() > 1 && (trimmed.back() == '/' || trimmed.back() == '\\')) trimmed.pop_back();
    size_t cut = trimmed.find_last_of("/\\");
    return cut == std::string::npos ? trimmed : trimmed.substr(cut + 1);
}

static void SetName(FAR_FIND_DATA& data, const std::string& name) {
    std::strncpy(data.cFileName, name.c_str(), sizeof data.cFileName - 1);
    data.cFileName[sizeof data.cFileName - 1] = 0;
}

#ifdef _WIN32

// The C++ library's remove_all stops at MAX_PATH here; the system's own
// calls take longer paths in their "\\?\" form.
static std::wstring ExtendedPath(const std::filesystem::path& path) {
    std::wstring full = std::filesystem::absolute(path).native();
    if (full.compare(0, 4, L"\\\\?\\") == 0) return full;
    if (full.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

static bool RemoveExtendedTree(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }
    if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return DeleteFileW(path.c_str()) != FALSE;
    bool removed = true;
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {  // a link's target is not ours to empty
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                std::wstring name = found.cFileName;
                if (name == L"." || name == L"..") continue;
                removed = RemoveExtendedTree(path + L"\\" + name) && removed;
            } while (FindNextFileW(search, &found));
            FindClose(search);
        }
    }
    return RemoveDirectoryW(path.c_str()) != FALSE && removed;
}

bool RemoveLocalTree(const std::filesystem::path& path) {
    if (path.empty()) return false;
    return RemoveExtendedTree(ExtendedPath(path));
}

bool ListLocalFolder(const std::string& folder, std::vector<FAR_FIND_DATA>& entries) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(JoinLocalPath(folder, "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    do {
        if (!std::strcmp(found.cFileName, ".") || !std::strcmp(found.cFileName, "..")) continue;
        FAR_FIND_DATA data;
        std::memset(&data, 0, sizeof data);
        data.dwFileAttributes = found.dwFileAttributes;
        data.ftCreationTime = found.ftCreationTime;
        data.ftLastAccessTime = found.ftLastAccessTime;
        data.ftLastWriteTime = found.ftLastWriteTime;
        data.nFileSizeHigh = found.nFileSizeHigh;
        data.nFileSizeLow = found.nFileSizeLow;
        SetName(data, found.cFileName);
        entries.push_back(data);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return true;
}

#else

bool RemoveLocalTree(const std::filesystem::path& path) {
    if (path.empty()) return false;
    std::error_code error;
    // Read-only folders keep what they hold from being removed.
    if (std::filesystem::is_directory(std::filesystem::symlink_status(path, error)))
        std::filesystem::permissions(path, std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                                     error);
    for (auto it = std::filesystem::recursive_directory_iterator(path, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        if (it->is_directory(error) && !it->is_symlink(error))
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, error);
    }
    error.clear();
    std::filesystem::remove_all(path, error);
    return !error && !std::filesystem::exists(std::filesystem::symlink_status(path, error));
}

static FILETIME ToFileTime(const struct timespec& time) {
    unsigned long long ticks = (static_cast<unsigned long long>(time.tv_sec) + 11644473600ull) * 10000000ull +
                               static_cast<unsigned long long>(time.tv_nsec) / 100;
    FILETIME result;
    result.dwLowDateTime = static_cast<DWORD>(ticks);
    result.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return result;
}

bool ListLocalFolder(const std::string& folder, std::vector<FAR_FIND_DATA>& entries) {
    std::string path = vbplatform::OemToUtf8(folder);
    for (char& c : path)
        if (c == '\\') c = '/';
    DIR* dir = opendir(path.c_str());
    if (!dir) return false;
    while (dirent* entry = readdir(dir)) {
        if (!std::strcmp(entry->d_name, ".") || !std::strcmp(entry->d_name, "..")) continue;
        struct stat info;
        if (stat((path + "/" + entry->d_name).c_str(), &info) != 0) continue;
        FAR_FIND_DATA data;
        std::memset(&data, 0, sizeof data);
        bool directory = S_ISDIR(info.st_mode);
        data.dwFileAttributes = directory ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
        if (!(info.st_mode & S_IWUSR)) data.dwFileAttributes |= FILE_ATTRIBUTE_READONLY;
        data.ftCreationTime = ToFileTime(info.st_ctim);
        data.ftLastAccessTime = ToFileTime(info.st_atim);
        data.ftLastWriteTime = ToFileTime(info.st_mtim);
        if (!directory) {
            unsigned long long size = static_cast<unsigned long long>(info.st_size);
            data.nFileSizeHigh = static_cast<DWORD>(size >> 32);
            data.nFileSizeLow = static_cast<DWORD>(size);
        }
        SetName(data, vbplatform::Utf8ToOem(entry->d_name));
        entries.push_back(data);
    }
    closedir(dir);
    return true;
}

#endif

}  // namespace vbhost
