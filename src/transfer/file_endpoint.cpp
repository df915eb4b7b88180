#include "transfer/file_endpoint.h"

#include <stdlib.h>
#include <string.h>

#include "plugin/host_services.h"
#include "rapi.h"

// What a name constructor leaves when it cannot build the name: an empty
// text, so that every operation by name fails instead of reading garbage.
static char EmptyLocalName[1];
static WCHAR EmptyDeviceName[1];

FileEndpoint::FileEndpoint(void* name, int ownsName, HANDLE handle)
    : OwnsName(ownsName), Name(name), Handle(handle) {}

void FileEndpoint::Close() {}

FileEndpoint::~FileEndpoint() { FileEndpoint::Close(); }

bool FileEndpoint::SizeFits32Bits() { return true; }

int FileEndpoint::RemoveEndpointItem(int allowDir, int skip) {
    if (skip == 1) return 0;
    if (IsDir() && allowDir == 1) return RemoveDir();
    return Delete();
}

// baseDir, a backslash unless it already ends in one, then name: in a new
// block the caller frees; null when there is no memory.
static char* JoinToBaseDir(const char* name, const char* baseDir) {
    if (!baseDir) baseDir = "";
    size_t size = strlen(baseDir) + strlen(name) + 2;
    char* joined = static_cast<char*>(malloc(size));
    if (!joined) return nullptr;
    strcpy(joined, baseDir);
    FsfAddEndSlash(joined);
    strcat(joined, name);
    return joined;
}

// ---- DeviceFile --------------------------------------------------------------

// A failed RAPI call leaves its number in CeGetLastError (or CeRapiGetError);
// whatever the library left in the thread's own error is not the device's,
// and would be shown in its place.
static BOOL DeviceResult(BOOL result) {
    if (!result) SetLastError(0);
    return result;
}

DeviceFile::DeviceFile(HANDLE handle, const WCHAR* name)
    : FileEndpoint(const_cast<WCHAR*>(name), 0, handle) {}

static WCHAR* DevicePathInDir(const char* name, const char* baseDir) {
    char* joined = JoinToBaseDir(name, baseDir);
    if (!joined) return nullptr;
    WCHAR* wide = static_cast<WCHAR*>(calloc(EndpointPathSize, sizeof(WCHAR)));
    // A path that does not fit or convert stays empty (calloc zeroed it).
    if (wide && MultiByteToWideChar(CP_OEMCP, 0, joined, -1, wide, EndpointPathSize) == 0)
        wide[0] = 0;
    free(joined);
    return wide;
}

DeviceFile::DeviceFile(const char* name, int mode, const char* baseDir)
    : FileEndpoint(const_cast<char*>(name), 0, nullptr) {
    if (mode != NameInDir) return;
    WCHAR* path = DevicePathInDir(name, baseDir);
    Name = path ? path : EmptyDeviceName;
    OwnsName = path ? 1 : 0;
}

BOOL DeviceFile::Delete() {
    Close();
    OutputDebugStringW(Path());
    return DeviceResult(CeDeleteFile(Path()));
}

BOOL DeviceFile::RemoveDir() { return DeviceResult(CeRemoveDirectory(Path())); }

int DeviceFile::IsDir() { return (CeGetFileAttributes(Path()) & FILE_ATTRIBUTE_DIRECTORY) ? 1 : 0; }

BOOL DeviceFile::SetTimes(const FILETIME* creation, const FILETIME* lastAccess,
                          const FILETIME* lastWrite) {
    return DeviceResult(CeSetFileTime(Handle, creation, lastAccess, lastWrite));
}

BOOL DeviceFile::GetTimes(FILETIME* creation, FILETIME* lastAccess, FILETIME* lastWrite) {
    return DeviceResult(CeGetFileTime(Handle, creation, lastAccess, lastWrite));
}

void DeviceFile::Close() {
    if (!Handle) return;
    OutputDebugStringA("Closed CE handle\n");
    CeCloseHandle(Handle);
    Handle = nullptr;
}

BOOL DeviceFile::Write(const void* buffer, DWORD count, DWORD* written) {
    return DeviceResult(CeWriteFile(Handle, buffer, count, written, nullptr));
}

BOOL DeviceFile::Read(void* buffer, DWORD count, DWORD* read) {
    return DeviceResult(CeReadFile(Handle, buffer, count, read, nullptr));
}

DWORD DeviceFile::Size() { return CeGetFileSize(Handle, nullptr); }

DeviceFile::~DeviceFile() {
    DeviceFile::Close();
    if (OwnsName) free(Name);
}

// ---- LocalFile ---------------------------------------------------------------

LocalFile::LocalFile(HANDLE handle, const char* name)
    : FileEndpoint(const_cast<char*>(name), 0, handle) {}

// The full path of a name in a new string of exactly its length. When the
// system cannot form it (or it is longer than the path buffer), the name is
// kept as given, which the file calls then resolve the same way.
static char* FullLocalPath(const char* name) {
    char full[EndpointPathSize];
    DWORD length = GetFullPathNameA(name, sizeof full, full, nullptr);
    const char* chosen = (length > 0 && length < sizeof full) ? full : name;
    size_t size = strlen(chosen) + 1;
    char* copy = static_cast<char*>(malloc(size));
    if (copy) memcpy(copy, chosen, size);
    return copy;
}

LocalFile::LocalFile(const char* name, int mode, const char* baseDir)
    : FileEndpoint(const_cast<char*>(name), 0, nullptr) {
    if (mode != NameFull && mode != NameInDir) return;
    char* path = nullptr;
    if (mode == NameFull) {
        path = FullLocalPath(name);
    } else if (char* joined = JoinToBaseDir(name, baseDir)) {
        path = FullLocalPath(joined);
        free(joined);
    }
    Name = path ? path : EmptyLocalName;
    OwnsName = path ? 1 : 0;
}

BOOL LocalFile::Delete() {
    Close();
    return DeleteFileA(Path());
}

BOOL LocalFile::RemoveDir() { return RemoveDirectoryA(Path()); }

int LocalFile::IsDir() { return (GetFileAttributesA(Path()) & FILE_ATTRIBUTE_DIRECTORY) ? 1 : 0; }

BOOL LocalFile::SetTimes(const FILETIME* creation, const FILETIME* lastAccess,
                         const FILETIME* lastWrite) {
    return SetFileTime(Handle, creation, lastAccess, lastWrite);
}

BOOL LocalFile::GetTimes(FILETIME* creation, FILETIME* lastAccess, FILETIME* lastWrite) {
    return GetFileTime(Handle, creation, lastAccess, lastWrite);
}

void LocalFile::Close() {
    if (!Handle) return;
    CloseHandle(Handle);
    Handle = nullptr;
}

BOOL LocalFile::Write(const void* buffer, DWORD count, DWORD* written) {
    return WriteFile(Handle, buffer, count, written, nullptr);
}

BOOL LocalFile::Read(void* buffer, DWORD count, DWORD* read) {
    return ReadFile(Handle, buffer, count, read, nullptr);
}

DWORD LocalFile::Size() { return GetFileSize(Handle, nullptr); }

bool LocalFile::SizeFits32Bits() {
    DWORD high = 0;
    GetFileSize(Handle, &high);
    return high == 0;
}

LocalFile::~LocalFile() {
    if (OwnsName) free(Name);
    LocalFile::Close();
}
