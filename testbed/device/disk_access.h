// The local disk below the device's storage: what the device needs to know
// of an entry (kind, size, times) and a one-pass directory read, done with
// the system's own calls so that a listing of many entries costs no more
// than a plain directory read.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>

#include "device_control.h"

namespace vbdevice {

struct DiskEntry {
    bool isDirectory = false;
    std::uint64_t size = 0;
    FILETIME creation{};  // POSIX has no birth time: the earlier of status change and write
    FILETIME lastAccess{};
    FILETIME lastWrite{};
    std::uint32_t identity = 0;  // stands in for the device's object id
};

// The entry at the path (symbolic links followed); false when there is none.
bool StatDiskEntry(const std::filesystem::path& path, DiskEntry* entry);

// Calls the visitor for every entry of the directory but "." and "..", with
// its name in UTF-16 and its UTF-8 form as on the disk (on Windows: converted).
// Entries that vanish during the read or cannot be examined are left out.
// The visitor's arguments live only for its call. False when the directory
// cannot be read.
using DiskVisitor = std::function<void(const DeviceString& name, const std::string& utf8Name,
                                       const DiskEntry& entry)>;
bool ReadDiskDirectory(const std::filesystem::path& directory, const DiskVisitor& visit);

// Names only, for case-insensitive look-ups.
using DiskNameVisitor = std::function<bool(const DeviceString& name)>;  // false stops
bool ReadDiskNames(const std::filesystem::path& directory, const DiskNameVisitor& visit);

// Finds the entry of a directory whose name equals the given one without
// regard to case and gives its name as spelled on the disk. An exact match
// wins; among several that differ only in case, the first by CompareNames.
bool FindNameOnDisk(const std::filesystem::path& directory, const DeviceString& name,
                    DeviceString* actual);

// Copies a file over the target, which may exist; false on failure.
bool CopyFileOnDisk(const std::filesystem::path& from, const std::filesystem::path& to);
// Renames a file or directory to a target that does not exist, or that is
// the same entry spelled in another case (the disk then takes the new
// spelling); false on failure.
bool RenameOnDisk(const std::filesystem::path& from, const std::filesystem::path& to);

// A name of the device as a path component on the disk, and back.
std::filesystem::path DiskName(const DeviceString& name);
DeviceString DeviceName(const std::filesystem::path& diskName);

FILETIME FileTimeNow();

}  // namespace vbdevice
