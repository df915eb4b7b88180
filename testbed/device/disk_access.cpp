#include "disk_access.h"

#include <chrono>
#include <cstdio>
#include <memory>

#include "device_text.h"

#ifndef _WIN32
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vbdevice {

namespace {

constexpr std::uint64_t kTicksFrom1601To1970 = 116444736000000000ull;

}  // namespace

FILETIME FileTimeNow() {
    auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
    auto ticks = std::chrono::duration_cast<std::chrono::nanoseconds>(sinceEpoch).count() / 100;
    return MakeFileTime(kTicksFrom1601To1970 + static_cast<std::uint64_t>(ticks));
}

#ifndef _WIN32

namespace {

FILETIME FromTimespec(const struct timespec& t) {
    auto ticks = static_cast<std::int64_t>(t.tv_sec) * 10000000 + t.tv_nsec / 100;
    return MakeFileTime(kTicksFrom1601To1970 + static_cast<std::uint64_t>(ticks));
}

void FillFromStat(const struct stat& st, DiskEntry* entry) {
    entry->isDirectory = S_ISDIR(st.st_mode);
    entry->size = entry->isDirectory ? 0 : static_cast<std::uint64_t>(st.st_size);
    entry->lastWrite = FromTimespec(st.st_mtim);
    entry->lastAccess = FromTimespec(st.st_atim);
    FILETIME changed = FromTimespec(st.st_ctim);
    entry->creation = FileTimeTicks(changed) < FileTimeTicks(entry->lastWrite) ? changed
                                                                                 : entry->lastWrite;
    entry->identity = static_cast<std::uint32_t>(st.st_ino);
}

bool IsDotOrDotDot(const char* name) {
    return name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0));
}

struct DirCloser {
    void operator()(DIR* d) const { closedir(d); }
};

}  // namespace

bool StatDiskEntry(const std::filesystem::path& path, DiskEntry* entry) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return false;
    FillFromStat(st, entry);
    return true;
}

bool ReadDiskDirectory(const std::filesystem::path& directory, const DiskVisitor& visit) {
    std::unique_ptr<DIR, DirCloser> dir(opendir(directory.c_str()));
    if (!dir) return false;
    int fd = dirfd(dir.get());
    std::string utf8;
    DeviceString name;
    while (struct dirent* item = readdir(dir.get())) {
        if (IsDotOrDotDot(item->d_name)) continue;
        struct stat st;
        if (fstatat(fd, item->d_name, &st, 0) != 0) continue;
        DiskEntry entry;
        FillFromStat(st, &entry);
        utf8.assign(item->d_name);
        FromUtf8(utf8.data(), utf8.size(), &name);
        visit(name, utf8, entry);
    }
    return true;
}

bool ReadDiskNames(const std::filesystem::path& directory, const DiskNameVisitor& visit) {
    std::unique_ptr<DIR, DirCloser> dir(opendir(directory.c_str()));
    if (!dir) return false;
    DeviceString name;
    while (struct dirent* item = readdir(dir.get())) {
        if (IsDotOrDotDot(item->d_name)) continue;
        FromUtf8(item->d_name, std::char_traits<char>::length(item->d_name), &name);
        if (!visit(name)) break;
    }
    return true;
}

// Whether a name of the disk may equal the wanted one without regard to
// case. The device's case pairs have UTF-8 forms of the same length, so the
// length sorts out most names at no cost; ASCII is compared in place, and
// only names with other characters are converted.
bool MayMatch(const char* candidate, std::size_t length, const std::string& wanted,
              const DeviceString& wantedName, DeviceString* scratch) {
    if (length != wanted.size()) return false;
    for (std::size_t i = 0; i < length; ++i) {
        auto a = static_cast<unsigned char>(candidate[i]);
        auto b = static_cast<unsigned char>(wanted[i]);
        if (a >= 0x80 || b >= 0x80) {
            FromUtf8(candidate, length, scratch);
            return EqualNoCase(*scratch, wantedName);
        }
        if (a != b && FoldCase(a) != FoldCase(b)) return false;
    }
    return true;
}

bool FindNameOnDisk(const std::filesystem::path& directory, const DeviceString& name,
                    DeviceString* actual) {
    const std::string wanted = ToUtf8(name);
    struct stat st;
    if (stat((directory / wanted).c_str(), &st) == 0) {
        *actual = name;
        return true;
    }
    std::unique_ptr<DIR, DirCloser> dir(opendir(directory.c_str()));
    if (!dir) return false;
    bool found = false;
    DeviceString candidate;
    while (struct dirent* item = readdir(dir.get())) {
        std::size_t length = std::char_traits<char>::length(item->d_name);
        if (!MayMatch(item->d_name, length, wanted, name, &candidate)) continue;
        FromUtf8(item->d_name, length, &candidate);
        if (!found || CompareNames(candidate, *actual) < 0) {
            *actual = candidate;
            found = true;
        }
    }
    return found;
}

bool CopyFileOnDisk(const std::filesystem::path& from, const std::filesystem::path& to) {
    std::error_code ec;
    std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, ec);
    return !ec;
}

bool RenameOnDisk(const std::filesystem::path& from, const std::filesystem::path& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

std::filesystem::path DiskName(const DeviceString& name) { return std::filesystem::path(ToUtf8(name)); }

DeviceString DeviceName(const std::filesystem::path& diskName) { return FromUtf8(diskName.native()); }

#else  // _WIN32

namespace {

void FillFromFindData(const WIN32_FIND_DATAW& data, DiskEntry* entry) {
    entry->isDirectory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    entry->size = entry->isDirectory
                      ? 0
                      : (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    entry->creation = data.ftCreationTime;
    entry->lastAccess = data.ftLastAccessTime;
    entry->lastWrite = data.ftLastWriteTime;
    std::uint32_t hash = 2166136261u;
    for (const wchar_t* p = data.cFileName; *p; ++p) hash = (hash ^ static_cast<std::uint32_t>(*p)) * 16777619u;
    entry->identity = hash;
}

bool IsDotOrDotDot(const wchar_t* name) {
    return name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0));
}

// Visits FindFirstFileW/FindNextFileW results of "directory\*".
template <typename Visit>
bool FindAll(const std::filesystem::path& directory, Visit visit) {
    std::wstring pattern = (directory / L"*").native();
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
        return GetLastError() == ERROR_FILE_NOT_FOUND;  // an empty drive root
    }
    do {
        if (IsDotOrDotDot(data.cFileName)) continue;
        if (!visit(data)) break;
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return true;
}

}  // namespace

bool StatDiskEntry(const std::filesystem::path& path, DiskEntry* entry) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return false;
    WIN32_FIND_DATAW find{};
    find.dwFileAttributes = data.dwFileAttributes;
    find.ftCreationTime = data.ftCreationTime;
    find.ftLastAccessTime = data.ftLastAccessTime;
    find.ftLastWriteTime = data.ftLastWriteTime;
    find.nFileSizeHigh = data.nFileSizeHigh;
    find.nFileSizeLow = data.nFileSizeLow;
    std::wstring name = path.filename().native();
    name.copy(find.cFileName, MAX_PATH - 1);
    FillFromFindData(find, entry);
    return true;
}

bool ReadDiskDirectory(const std::filesystem::path& directory, const DiskVisitor& visit) {
    DeviceString name;
    std::string utf8;
    return FindAll(directory, [&](const WIN32_FIND_DATAW& data) {
        DiskEntry entry;
        FillFromFindData(data, &entry);
        name.assign(data.cFileName);
        ToUtf8(name.data(), name.size(), &utf8);
        visit(name, utf8, entry);
        return true;
    });
}

bool ReadDiskNames(const std::filesystem::path& directory, const DiskNameVisitor& visit) {
    return FindAll(directory, [&](const WIN32_FIND_DATAW& data) { return visit(DeviceString(data.cFileName)); });
}

bool FindNameOnDisk(const std::filesystem::path& directory, const DeviceString& name,
                    DeviceString* actual) {
    // The disk is itself case-insensitive here; ask it for the stored spelling.
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((directory / DiskName(name)).c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return false;
    FindClose(find);
    *actual = data.cFileName;
    return true;
}

// The system's own calls: the C++ library takes two names of one file for
// the same file without asking the disk, and refuses to copy over it.
bool CopyFileOnDisk(const std::filesystem::path& from, const std::filesystem::path& to) {
    return CopyFileW(from.c_str(), to.c_str(), FALSE) != FALSE;
}

// A change of case only goes through a temporary name: not every file
// system takes the new spelling of a name that already matches.
bool RenameOnDisk(const std::filesystem::path& from, const std::filesystem::path& to) {
    bool caseOnly = from.parent_path() == to.parent_path() && from.filename() != to.filename() &&
                    CompareStringOrdinal(from.filename().c_str(), -1, to.filename().c_str(), -1, TRUE) == CSTR_EQUAL;
    if (!caseOnly) return MoveFileExW(from.c_str(), to.c_str(), 0) != FALSE;
    std::filesystem::path temporary = from;
    temporary += L".vbrename";
    if (!MoveFileExW(from.c_str(), temporary.c_str(), 0)) return false;
    if (MoveFileExW(temporary.c_str(), to.c_str(), 0)) return true;
    MoveFileExW(temporary.c_str(), from.c_str(), 0);
    return false;
}

std::filesystem::path DiskName(const DeviceString& name) { return std::filesystem::path(name); }

DeviceString DeviceName(const std::filesystem::path& diskName) { return diskName.native(); }

#endif

}  // namespace vbdevice
