// Device paths resolved to entries of the storage folder, and what the
// device reports about an entry: the disk's kind, size and times overlaid by
// the attributes and times the metadata store keeps.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "device_path.h"
#include "device_state.h"
#include "disk_access.h"

namespace vbdevice {

struct ResolvedEntry {
    std::filesystem::path diskPath;
    std::string key;                  // metadata key; "" for the root
    std::filesystem::path parentDiskPath;
    std::string parentKey;
    DeviceString name;                // final name as on the disk, or as asked when missing
    bool isRoot = false;
    bool exists = false;
    DiskEntry disk;                   // valid when exists
};

// Walks the path below the storage folder without regard to case. Returns 0
// when every directory above the final entry exists (the entry itself may be
// missing), else the device error: the path's own error,
// ERROR_PATH_NOT_FOUND for a missing or non-directory ancestor,
// ERROR_ACCESS_DENIED for the metadata store's names, ERROR_INVALID_NAME
// when a trailing backslash follows a file.
DWORD ResolvePath(State& state, const DevicePath& path, ResolvedEntry* entry);
DWORD ResolvePath(State& state, const WCHAR* text, ResolvedEntry* entry,
                  DevicePath* parsed = nullptr);

// The same error for a missing final entry, as the device gives it.
inline DWORD MissingEntryError() { return ERROR_FILE_NOT_FOUND; }

std::string ChildKey(const std::string& parentKey, const std::string& utf8Name);
bool IsSameOrBelow(const std::string& key, const std::string& ancestor);

// The attribute word the device reports: DIRECTORY from the disk, NORMAL for
// a file that has no other attribute.
DWORD ReportedAttributes(DWORD stored, bool isDirectory);
// Attributes a newly seen entry has: DIRECTORY, or ARCHIVE for a file.
DWORD DefaultAttributes(bool isDirectory);

// The record of an existing entry: stored, or made from the disk.
StoredEntry RecordOf(State& state, const ResolvedEntry& entry);
EntryInfo DescribeEntry(State& state, const ResolvedEntry& entry);

// Sum of the sizes of all files in the storage.
std::uint64_t UsedBytesLocked(State& state);

// Whether a device handle is open on the key or anything below it.
bool HasOpenHandleAtOrBelow(const State& state, const std::string& key);

}  // namespace vbdevice
