// The results and error numbers of the file calls, as a table of
// {call, result, error}, each case on a fresh tree.
#include <functional>
#include <string>

#include <ostream>

#include <gtest/gtest.h>

#include "file_layout.h"
#include "wine_check.h"

namespace vbtest {
namespace {

constexpr DWORD kErrorUnchecked = 0xFFFFFFFF;  // Win32 leaves the error alone
constexpr DWORD kErrorDirectory = 267;         // ERROR_DIRECTORY

constexpr DWORD kRead = GENERIC_READ;
constexpr DWORD kWrite = GENERIC_WRITE;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE;

struct FileCallCase {
    const char* what;
    std::function<bool(const FileLayout&)> call;
    bool succeeds;
    DWORD error;
    bool writesReadOnlyFile = false;  // opens a read-only file for writing
};

void PrintTo(const FileCallCase& c, std::ostream* out) { *out << c.what; }


std::function<bool(const FileLayout&)> Open(const char* name, DWORD access, DWORD disposition) {
    return [=](const FileLayout& tree) { return OpenAndClose(tree.Path(name), access, kShareAll, disposition); };
}

std::function<bool(const FileLayout&)> OnName(BOOL(WINAPI* call)(LPCSTR), const char* name) {
    return [=](const FileLayout& tree) { return call(tree.Path(name).c_str()) != FALSE; };
}

BOOL WINAPI CreateDirectoryNamed(LPCSTR name) { return CreateDirectoryA(name, nullptr); }
BOOL WINAPI AttributesReadable(LPCSTR name) { return GetFileAttributesA(name) != INVALID_FILE_ATTRIBUTES; }

// A handle opened one way, used the other.
bool ReadThroughWriteHandle(const FileLayout& tree) {
    HANDLE file = CreateFileA(tree.Path("file.txt").c_str(), kWrite, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    char buffer[4];
    DWORD read = 0;
    BOOL ok = ReadFile(file, buffer, sizeof buffer, &read, nullptr);
    DWORD error = GetLastError();
    CloseHandle(file);
    SetLastError(error);
    return ok != FALSE;
}

bool WriteThroughReadHandle(const FileLayout& tree) {
    HANDLE file = CreateFileA(tree.Path("file.txt").c_str(), kRead, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    DWORD written = 0;
    BOOL ok = WriteFile(file, "x", 1, &written, nullptr);
    DWORD error = GetLastError();
    CloseHandle(file);
    SetLastError(error);
    return ok != FALSE;
}

HANDLE ClosedHandle(const FileLayout& tree) {
    HANDLE file = CreateFileA(tree.Path("file.txt").c_str(), kRead, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    CloseHandle(file);
    return file;
}

const FileCallCase kCases[] = {
    {"OpenMissingFile", Open("missing.txt", kRead, OPEN_EXISTING), false, ERROR_FILE_NOT_FOUND},
    {"OpenInMissingFolder", Open("nodir/x.txt", kRead, OPEN_EXISTING), false, ERROR_PATH_NOT_FOUND},
    {"OpenBelowAFile", Open("file.txt/x.txt", kRead, OPEN_EXISTING), false, ERROR_PATH_NOT_FOUND},
    {"OpenExisting", Open("file.txt", kRead, OPEN_EXISTING), true, NO_ERROR},
    {"OpenWithBackslashes", Open("dir\\inner.txt", kRead, OPEN_EXISTING), true, NO_ERROR},
    {"CreateNewOverExisting", Open("file.txt", kWrite, CREATE_NEW), false, ERROR_FILE_EXISTS},
    {"CreateNew", Open("new.txt", kWrite, CREATE_NEW), true, NO_ERROR},
    {"CreateAlwaysOverExisting", Open("file.txt", kWrite, CREATE_ALWAYS), true, ERROR_ALREADY_EXISTS},
    {"CreateAlwaysNew", Open("new.txt", kWrite, CREATE_ALWAYS), true, NO_ERROR},
    {"CreateAlwaysInMissingFolder", Open("nodir/x.txt", kWrite, CREATE_ALWAYS), false, ERROR_PATH_NOT_FOUND},
    {"CreateNewInMissingFolder", Open("nodir/x.txt", kWrite, CREATE_NEW), false, ERROR_PATH_NOT_FOUND},
    {"OpenAlwaysExisting", Open("file.txt", kRead, OPEN_ALWAYS), true, ERROR_ALREADY_EXISTS},
    {"OpenAlwaysNew", Open("new.txt", kRead | kWrite, OPEN_ALWAYS), true, NO_ERROR},
    {"TruncateMissing", Open("missing.txt", kWrite, TRUNCATE_EXISTING), false, ERROR_FILE_NOT_FOUND},
    {"TruncateExisting", Open("file.txt", kWrite, TRUNCATE_EXISTING), true, NO_ERROR},
    {"OpenFolderAsFile", Open("dir", kRead, OPEN_EXISTING), false, ERROR_ACCESS_DENIED},
    {"CreateAlwaysOverFolder", Open("dir", kWrite, CREATE_ALWAYS), false, ERROR_ACCESS_DENIED},
    {"WriteOpenReadOnlyFile", Open("readonly.txt", kWrite, OPEN_EXISTING), false, ERROR_ACCESS_DENIED, true},
    {"CreateAlwaysOverReadOnlyFile", Open("readonly.txt", kWrite, CREATE_ALWAYS), false, ERROR_ACCESS_DENIED, true},
    {"ReadOpenReadOnlyFile", Open("readonly.txt", kRead, OPEN_EXISTING), true, NO_ERROR},
    {"DeleteMissing", OnName(DeleteFileA, "missing.txt"), false, ERROR_FILE_NOT_FOUND},
    {"DeleteInMissingFolder", OnName(DeleteFileA, "nodir/x.txt"), false, ERROR_PATH_NOT_FOUND},
    {"DeleteFolder", OnName(DeleteFileA, "dir"), false, ERROR_ACCESS_DENIED},
    {"DeleteReadOnlyFile", OnName(DeleteFileA, "readonly.txt"), false, ERROR_ACCESS_DENIED},
    {"DeleteFile", OnName(DeleteFileA, "file.txt"), true, kErrorUnchecked},
    {"CreateExistingFolder", OnName(CreateDirectoryNamed, "dir"), false, ERROR_ALREADY_EXISTS},
    {"CreateFolderOverFile", OnName(CreateDirectoryNamed, "file.txt"), false, ERROR_ALREADY_EXISTS},
    {"CreateFolderInMissingFolder", OnName(CreateDirectoryNamed, "nodir/sub"), false, ERROR_PATH_NOT_FOUND},
    {"CreateFolder", OnName(CreateDirectoryNamed, "newdir"), true, kErrorUnchecked},
    {"RemoveFullFolder", OnName(RemoveDirectoryA, "dir"), false, ERROR_DIR_NOT_EMPTY},
    {"RemoveMissingFolder", OnName(RemoveDirectoryA, "missing"), false, ERROR_FILE_NOT_FOUND},
    {"RemoveFolderInMissingFolder", OnName(RemoveDirectoryA, "nodir/sub"), false, ERROR_PATH_NOT_FOUND},
    {"RemoveFileAsFolder", OnName(RemoveDirectoryA, "file.txt"), false, kErrorDirectory},
    {"RemoveEmptyFolder", OnName(RemoveDirectoryA, "emptydir"), true, kErrorUnchecked},
    {"AttributesOfMissing", OnName(AttributesReadable, "missing.txt"), false, ERROR_FILE_NOT_FOUND},
    {"AttributesInMissingFolder", OnName(AttributesReadable, "nodir/x.txt"), false, ERROR_PATH_NOT_FOUND},
    {"SetAttributesOfMissing",
     [](const FileLayout& tree) { return SetFileAttributesA(tree.Path("missing.txt").c_str(), 0) != FALSE; }, false,
     ERROR_FILE_NOT_FOUND},
    {"ReadThroughWriteHandle", ReadThroughWriteHandle, false, ERROR_ACCESS_DENIED},
    {"WriteThroughReadHandle", WriteThroughReadHandle, false, ERROR_ACCESS_DENIED},
    {"CloseClosedHandle", [](const FileLayout& tree) { return CloseHandle(ClosedHandle(tree)) != FALSE; }, false,
     ERROR_INVALID_HANDLE},
    {"ReadClosedHandle",
     [](const FileLayout& tree) {
         char buffer[4];
         DWORD read = 0;
         return ReadFile(ClosedHandle(tree), buffer, 4, &read, nullptr) != FALSE;
     },
     false, ERROR_INVALID_HANDLE},
    {"SizeOfClosedHandle",
     [](const FileLayout& tree) {
         DWORD high = 0;
         return GetFileSize(ClosedHandle(tree), &high) != INVALID_FILE_SIZE;
     },
     false, ERROR_INVALID_HANDLE},
    {"TimesOfClosedHandle",
     [](const FileLayout& tree) {
         FILETIME written{};
         return GetFileTime(ClosedHandle(tree), nullptr, nullptr, &written) != FALSE;
     },
     false, ERROR_INVALID_HANDLE},
};

class FileCallTest : public ::testing::TestWithParam<FileCallCase> {};

TEST_P(FileCallTest, GivesWin32ResultAndError) {
    const FileCallCase& c = GetParam();
#ifdef _WIN32
    if (c.writesReadOnlyFile && UnderWineAsRoot()) {
        GTEST_SKIP() << "Wine run by root opens a read-only file for writing: it leaves the check to the Unix "
                        "permissions, which root passes";
    }
#endif
    FileLayout tree;
    SetLastError(0xBADBAD);
    bool succeeded = c.call(tree);
    DWORD error = GetLastError();
    EXPECT_EQ(c.succeeds, succeeded);
    if (c.error != kErrorUnchecked) {
        EXPECT_EQ(c.error, error);
    }
}

INSTANTIATE_TEST_SUITE_P(Calls, FileCallTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<FileCallCase>& info) { return info.param.what; });

}  // namespace
}  // namespace vbtest
