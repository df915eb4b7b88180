#include "device_storage.h"

#include "device_text.h"

namespace vbdevice {

namespace {

void EnsureStorageOpen(State& state) {
    if (!state.storageOpen) {
        std::error_code ec;
        OpenStorageLocked(state, std::filesystem::temp_directory_path(ec) / "vantelbrook-device");
    }
}

}  // namespace

std::string ChildKey(const std::string& parentKey, const std::string& utf8Name) {
    return parentKey.empty() ? utf8Name : parentKey + '/' + utf8Name;
}

bool IsSameOrBelow(const std::string& key, const std::string& ancestor) {
    if (ancestor.empty()) return true;
    return key.compare(0, ancestor.size(), ancestor) == 0 &&
           (key.size() == ancestor.size() || key[ancestor.size()] == '/');
}

DWORD ResolvePath(State& state, const DevicePath& path, ResolvedEntry* entry) {
    EnsureStorageOpen(state);
    *entry = ResolvedEntry{};
    entry->diskPath = state.storage;
    if (path.components.empty()) {
        entry->isRoot = true;
        entry->exists = StatDiskEntry(state.storage, &entry->disk) && entry->disk.isDirectory;
        return entry->exists ? 0 : ERROR_PATH_NOT_FOUND;
    }
    std::filesystem::path directory = state.storage;
    std::string directoryKey;
    for (std::size_t i = 0; i < path.components.size(); ++i) {
        const DeviceString& asked = path.components[i];
        if (i == 0 && MetadataStore::IsReservedName(ToUtf8(asked))) return ERROR_ACCESS_DENIED;
        DeviceString actual;
        bool present = FindNameOnDisk(directory, asked, &actual);
        bool last = i + 1 == path.components.size();
        if (!last) {
            DiskEntry ancestor;
            if (!present || !StatDiskEntry(directory / DiskName(actual), &ancestor) ||
                !ancestor.isDirectory) {
                return ERROR_PATH_NOT_FOUND;
            }
            directory /= DiskName(actual);
            directoryKey = ChildKey(directoryKey, ToUtf8(actual));
            continue;
        }
        entry->parentDiskPath = directory;
        entry->parentKey = directoryKey;
        entry->name = present ? actual : asked;
        entry->diskPath = directory / DiskName(entry->name);
        entry->key = ChildKey(directoryKey, ToUtf8(entry->name));
        entry->exists = present && StatDiskEntry(entry->diskPath, &entry->disk);
    }
    if (path.trailingSeparator && entry->exists && !entry->disk.isDirectory) return ERROR_INVALID_NAME;
    return 0;
}

DWORD ResolvePath(State& state, const WCHAR* text, ResolvedEntry* entry, DevicePath* parsed) {
    DevicePath path;
    if (DWORD error = ParseDevicePath(text, &path)) return error;
    if (parsed) *parsed = path;
    return ResolvePath(state, path, entry);
}

DWORD ReportedAttributes(DWORD stored, bool isDirectory) {
    DWORD attributes = stored & ~(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_NORMAL);
    if (isDirectory) return attributes | FILE_ATTRIBUTE_DIRECTORY;
    return attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
}

DWORD DefaultAttributes(bool isDirectory) {
    return isDirectory ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
}

StoredEntry RecordOf(State& state, const ResolvedEntry& entry) {
    if (!entry.isRoot) {
        if (const StoredEntry* stored = state.store.Find(entry.key)) return *stored;
    }
    StoredEntry record;
    record.attributes = DefaultAttributes(entry.disk.isDirectory);
    record.creation = entry.disk.creation;
    record.lastAccess = entry.disk.lastAccess;
    record.lastWrite = entry.disk.lastWrite;
    return record;
}

EntryInfo DescribeEntry(State& state, const ResolvedEntry& entry) {
    StoredEntry record = RecordOf(state, entry);
    EntryInfo info;
    info.attributes = ReportedAttributes(record.attributes, entry.disk.isDirectory);
    info.creation = record.creation;
    info.lastAccess = record.lastAccess;
    info.lastWrite = record.lastWrite;
    info.size = entry.disk.size;
    return info;
}

namespace {

std::uint64_t SumFileSizes(const std::filesystem::path& directory, bool isRoot) {
    std::uint64_t total = 0;
    ReadDiskDirectory(directory, [&](const DeviceString& name, const std::string& utf8Name,
                                     const DiskEntry& entry) {
        if (isRoot && MetadataStore::IsReservedName(utf8Name)) return;
        total += entry.isDirectory ? SumFileSizes(directory / DiskName(name), false) : entry.size;
    });
    return total;
}

}  // namespace

std::uint64_t UsedBytesLocked(State& state) {
    EnsureStorageOpen(state);
    return SumFileSizes(state.storage, true);
}

bool HasOpenHandleAtOrBelow(const State& state, const std::string& key) {
    for (const auto& item : state.files) {
        if (IsSameOrBelow(item.second->key, key)) return true;
    }
    return false;
}

}  // namespace vbdevice
