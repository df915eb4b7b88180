// Directory listings in one request: CeFindAllFiles and the release of its
// arrays.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "device_state.h"
#include "device_storage.h"
#include "device_text.h"

using namespace vbdevice;

namespace {

struct Listed {
    DeviceString name;
    DiskEntry disk;
    DWORD attributes = 0;
    StoredEntry record;
};

constexpr DWORD kHiddenOrSystem = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

// The filter flags: FAF_ATTRIB_NO_HIDDEN leaves out hidden entries,
// FAF_FOLDERS_ONLY files, FAF_NO_HIDDEN_SYS_ROMMODULES ROM modules that are
// hidden or system, FAF_ATTRIB_CHILDREN everything but directories that hold
// entries.
bool PassesFilters(DWORD flags, const Listed& item, const std::filesystem::path& directory) {
    DWORD a = item.attributes;
    bool isDirectory = (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if ((flags & FAF_ATTRIB_NO_HIDDEN) && (a & FILE_ATTRIBUTE_HIDDEN)) return false;
    if ((flags & FAF_FOLDERS_ONLY) && !isDirectory) return false;
    if ((flags & FAF_NO_HIDDEN_SYS_ROMMODULES) && (a & FILE_ATTRIBUTE_ROMMODULE) &&
        (a & kHiddenOrSystem)) {
        return false;
    }
    if (flags & FAF_ATTRIB_CHILDREN) {
        if (!isDirectory) return false;
        bool hasChildren = false;
        ReadDiskNames(directory / DiskName(item.name), [&](const DeviceString&) {
            hasChildren = true;
            return false;
        });
        if (!hasChildren) return false;
    }
    return true;
}

void Fill(DWORD flags, const Listed& item, CE_FIND_DATA* out) {
    if (flags & FAF_ATTRIBUTES) out->dwFileAttributes = item.attributes;
    if (flags & FAF_CREATION_TIME) out->ftCreationTime = item.record.creation;
    if (flags & FAF_LASTACCESS_TIME) out->ftLastAccessTime = item.record.lastAccess;
    if (flags & FAF_LASTWRITE_TIME) out->ftLastWriteTime = item.record.lastWrite;
    if (flags & FAF_SIZE_HIGH) out->nFileSizeHigh = static_cast<DWORD>(item.disk.size >> 32);
    if (flags & FAF_SIZE_LOW) out->nFileSizeLow = static_cast<DWORD>(item.disk.size);
    if (flags & FAF_OID) out->dwOID = item.disk.identity != 0 ? item.disk.identity : 1;
    if (flags & FAF_NAME) {
        std::size_t n = std::min<std::size_t>(item.name.size(), MAX_PATH - 1);
        std::memcpy(out->cFileName, item.name.data(), n * sizeof(WCHAR));
        out->cFileName[n] = 0;
    }
}

// Splits "dir\pattern" into the directory and the pattern; the pattern is
// empty for "\" and "dir\" and then matches nothing.
void SplitPattern(const DevicePath& path, DevicePath* directory, DeviceString* pattern) {
    *directory = path;
    pattern->clear();
    if (!path.trailingSeparator && !path.components.empty()) {
        *pattern = directory->components.back();
        directory->components.pop_back();
    }
    directory->trailingSeparator = false;
}

std::vector<Listed> ListDirectory(State& state, const ResolvedEntry& directory,
                                  const DeviceString& pattern, DWORD flags) {
    std::vector<Listed> items;
    if (pattern.empty()) return items;
    // Only the records of this directory's children are looked at, in memory.
    std::map<std::string, const StoredEntry*> stored = state.store.ChildrenOf(directory.key);
    ReadDiskDirectory(directory.diskPath, [&](const DeviceString& name, const std::string& utf8Name,
                                              const DiskEntry& disk) {
        if (directory.isRoot && MetadataStore::IsReservedName(utf8Name)) return;
        if (!MatchesPattern(pattern, name)) return;
        Listed item;
        item.name = name;
        item.disk = disk;
        auto found = stored.empty() ? stored.end() : stored.find(utf8Name);
        if (found != stored.end()) {
            item.record = *found->second;
        } else {
            item.record = StoredEntry{DefaultAttributes(disk.isDirectory), disk.creation,
                                      disk.lastAccess, disk.lastWrite};
        }
        item.attributes = ReportedAttributes(item.record.attributes, disk.isDirectory);
        if (!PassesFilters(flags, item, directory.diskPath)) return;
        items.push_back(std::move(item));
    });
    std::sort(items.begin(), items.end(),
              [](const Listed& a, const Listed& b) { return CompareNames(a.name, b.name) < 0; });
    return items;
}

}  // namespace

extern "C" {

RAPI_API BOOL WINAPI CeFindAllFiles(LPCWSTR path, DWORD flags, LPDWORD foundCount,
                                    LPCE_FIND_DATA* findDataArray) {
    if (foundCount) *foundCount = 0;
    if (findDataArray) *findDataArray = nullptr;
    DeviceCall call(Operation::CeFindAllFiles);
    if (!call.Admitted()) return FALSE;
    State& state = call.state();
    if (foundCount == nullptr || findDataArray == nullptr) return call.Fail(ERROR_INVALID_PARAMETER);

    DevicePath parsed, directoryPath;
    DeviceString pattern;
    DWORD error = ParseDevicePath(path, &parsed, Wildcards::AllowedInLastComponent);
    if (error) return call.Fail(error);
    SplitPattern(parsed, &directoryPath, &pattern);
    ResolvedEntry directory;
    error = ResolvePath(state, directoryPath, &directory);
    if (!error && (!directory.exists || !directory.disk.isDirectory)) error = ERROR_PATH_NOT_FOUND;
    if (error) return call.Fail(error);

    std::vector<Listed> items = ListDirectory(state, directory, pattern, flags);
    if (!items.empty()) {
        auto* array = static_cast<CE_FIND_DATA*>(std::calloc(items.size(), sizeof(CE_FIND_DATA)));
        if (array == nullptr) return call.Fail(ERROR_NOT_ENOUGH_MEMORY);
        for (std::size_t i = 0; i < items.size(); ++i) Fill(flags, items[i], &array[i]);
        state.buffers.insert(array);
        *findDataArray = array;
        *foundCount = static_cast<DWORD>(items.size());
    }
    call.Succeed();
    return TRUE;
}

RAPI_API HRESULT WINAPI CeRapiFreeBuffer(LPVOID buffer) {
    State& state = TheState();
    std::lock_guard<std::mutex> guard(state.mutex);
    CountLocalCall(state, Operation::CeRapiFreeBuffer);
    if (buffer == nullptr) return S_OK;
    // Only arrays of CeFindAllFiles that are still out; a second release is refused.
    if (state.buffers.erase(buffer) == 0) return E_INVALIDARG;
    std::free(buffer);
    return S_OK;
}

}  // extern "C"
