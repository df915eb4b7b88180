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

// One listed entry; its name lives in the listing's shared name buffer, so
// that a listing of many entries costs few allocations.
struct Listed {
    std::size_t nameOffset = 0;
    std::size_t nameLength = 0;
    std::uint64_t size = 0;
    std::uint32_t identity = 0;
    DWORD attributes = 0;
    StoredEntry record;
};

struct Listing {
    DeviceString names;
    std::vector<Listed> items;
};

constexpr DWORD kHiddenOrSystem = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

// The filter flags: FAF_ATTRIB_NO_HIDDEN leaves out hidden entries,
// FAF_FOLDERS_ONLY files, FAF_NO_HIDDEN_SYS_ROMMODULES ROM modules that are
// hidden or system, FAF_ATTRIB_CHILDREN everything but directories that hold
// entries.
bool PassesFilters(DWORD flags, DWORD a, const std::filesystem::path& directory, const DeviceString& name) {
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
        ReadDiskNames(directory / DiskName(name), [&](const DeviceString&) {
            hasChildren = true;
            return false;
        });
        if (!hasChildren) return false;
    }
    return true;
}

void Fill(DWORD flags, const Listing& listing, const Listed& item, CE_FIND_DATA* out) {
    if (flags & FAF_ATTRIBUTES) out->dwFileAttributes = item.attributes;
    if (flags & FAF_CREATION_TIME) out->ftCreationTime = item.record.creation;
    if (flags & FAF_LASTACCESS_TIME) out->ftLastAccessTime = item.record.lastAccess;
    if (flags & FAF_LASTWRITE_TIME) out->ftLastWriteTime = item.record.lastWrite;
    if (flags & FAF_SIZE_HIGH) out->nFileSizeHigh = static_cast<DWORD>(item.size >> 32);
    if (flags & FAF_SIZE_LOW) out->nFileSizeLow = static_cast<DWORD>(item.size);
    if (flags & FAF_OID) out->dwOID = item.identity != 0 ? item.identity : 1;
    if (flags & FAF_NAME) {
        std::size_t n = std::min<std::size_t>(item.nameLength, MAX_PATH - 1);
        std::memcpy(out->cFileName, listing.names.data() + item.nameOffset, n * sizeof(WCHAR));
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

// FoldCase with the common case inline: sorting compares names often.
inline WCHAR Fold(WCHAR unit) {
    if (unit < 0x80) return (unit >= 'a' && unit <= 'z') ? static_cast<WCHAR>(unit - 0x20) : unit;
    return FoldCase(unit);
}

// The order of CompareNames, on names in the shared buffer.
bool ComesBefore(const Listing& listing, const Listed& a, const Listed& b) {
    const WCHAR* x = listing.names.data() + a.nameOffset;
    const WCHAR* y = listing.names.data() + b.nameOffset;
    std::size_t n = std::min(a.nameLength, b.nameLength);
    for (std::size_t i = 0; i < n; ++i) {
        WCHAR fx = Fold(x[i]);
        WCHAR fy = Fold(y[i]);
        if (fx != fy) return fx < fy;
    }
    if (a.nameLength != b.nameLength) return a.nameLength < b.nameLength;
    for (std::size_t i = 0; i < n; ++i) {
        if (x[i] != y[i]) return x[i] < y[i];
    }
    return false;
}

Listing ListDirectory(State& state, const ResolvedEntry& directory, const DeviceString& pattern,
                      DWORD flags) {
    Listing listing;
    if (pattern.empty()) return listing;
    // Only the records of this directory's children are looked at, in memory.
    std::map<std::string, const StoredEntry*> stored = state.store.ChildrenOf(directory.key);
    ReadDiskDirectory(directory.diskPath, [&](const DeviceString& name, const std::string& utf8Name,
                                              const DiskEntry& disk) {
        if (directory.isRoot && MetadataStore::IsReservedName(utf8Name)) return;
        if (!MatchesPattern(pattern, name)) return;
        Listed item;
        auto found = stored.empty() ? stored.end() : stored.find(utf8Name);
        if (found != stored.end()) {
            item.record = *found->second;
        } else {
            item.record = StoredEntry{DefaultAttributes(disk.isDirectory), disk.creation,
                                      disk.lastAccess, disk.lastWrite};
        }
        item.attributes = ReportedAttributes(item.record.attributes, disk.isDirectory);
        if (!PassesFilters(flags, item.attributes, directory.diskPath, name)) return;
        item.size = disk.size;
        item.identity = disk.identity;
        item.nameOffset = listing.names.size();
        item.nameLength = name.size();
        listing.names += name;
        listing.items.push_back(item);
    });
    std::sort(listing.items.begin(), listing.items.end(),
              [&](const Listed& a, const Listed& b) { return ComesBefore(listing, a, b); });
    return listing;
}

constexpr std::size_t kSpareWorthKeeping = 1u << 20;

// A zeroed array for the listing, registered as outstanding.
CE_FIND_DATA* AllocateArray(State& state, std::size_t count) {
    std::size_t bytes = count * sizeof(CE_FIND_DATA);
    void* array;
    if (state.spareBuffer != nullptr && state.spareBufferSize >= bytes) {
        array = state.spareBuffer;
        bytes = state.spareBufferSize;
        state.spareBuffer = nullptr;
        state.spareBufferSize = 0;
        std::memset(array, 0, bytes);
    } else {
        array = std::calloc(count, sizeof(CE_FIND_DATA));
        if (array == nullptr) return nullptr;
    }
    state.buffers.emplace(array, bytes);
    return static_cast<CE_FIND_DATA*>(array);
}

void KeepOrFree(State& state, void* buffer, std::size_t bytes) {
    if (bytes < kSpareWorthKeeping || bytes <= state.spareBufferSize) {
        std::free(buffer);
        return;
    }
    std::free(state.spareBuffer);
    state.spareBuffer = buffer;
    state.spareBufferSize = bytes;
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

    Listing listing = ListDirectory(state, directory, pattern, flags);
    const std::vector<Listed>& items = listing.items;
    if (!items.empty()) {
        auto* array = AllocateArray(state, items.size());
        if (array == nullptr) return call.Fail(ERROR_NOT_ENOUGH_MEMORY);
        for (std::size_t i = 0; i < items.size(); ++i) Fill(flags, listing, items[i], &array[i]);
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
    auto it = state.buffers.find(buffer);
    if (it == state.buffers.end()) return E_INVALIDARG;
    std::size_t size = it->second;
    state.buffers.erase(it);
    KeepOrFree(state, buffer, size);
    return S_OK;
}

}  // extern "C"
