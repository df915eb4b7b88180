// Device paths as the device's file system takes them: one root "\", no
// drive letters, no relative paths, at most MAX_PATH characters, names free
// of the characters the device refuses.
#pragma once

#include <vector>

#include "device_control.h"

namespace vbdevice {

struct DevicePath {
    std::vector<DeviceString> components;  // as the caller spelled them; empty: the root
    bool trailingSeparator = false;        // "\dir\": the caller meant a directory
};

enum class Wildcards { Refused, AllowedInLastComponent };

// Splits and checks a path. Returns 0, or the device error:
// null -> ERROR_INVALID_PARAMETER; longer than MAX_PATH -> ERROR_FILENAME_EXCED_RANGE;
// empty -> ERROR_PATH_NOT_FOUND; not starting with '\', an empty component
// ("\\", "a\\b"), "." or "..", a refused character or a lone surrogate ->
// ERROR_INVALID_NAME.
DWORD ParseDevicePath(const WCHAR* text, DevicePath* path, Wildcards wildcards = Wildcards::Refused);

// The device path joined again, "\a\b", for messages and records.
DeviceString JoinDevicePath(const DevicePath& path);

}  // namespace vbdevice
