#include "device_path.h"

#include "device_text.h"

namespace vbdevice {

namespace {

bool IsRefusedCharacter(WCHAR c, bool wildcardsAllowed) {
    if (c < 32) return true;
    switch (c) {
        case '*':
        case '?':
            return !wildcardsAllowed;
        case '\\':
        case '/':
        case '<':
        case '>':
        case ':':
        case '"':
        case '|':
            return true;
        default:
            return false;
    }
}

bool IsDotName(const DeviceString& name) {
    return (name.size() == 1 && name[0] == '.') ||
           (name.size() == 2 && name[0] == '.' && name[1] == '.');
}

DWORD CheckComponent(const DeviceString& name, bool wildcardsAllowed) {
    if (name.empty() || IsDotName(name) || !IsWellFormedUtf16(name)) return ERROR_INVALID_NAME;
    for (WCHAR c : name) {
        if (IsRefusedCharacter(c, wildcardsAllowed)) return ERROR_INVALID_NAME;
    }
    return 0;
}

}  // namespace

DWORD ParseDevicePath(const WCHAR* text, DevicePath* path, Wildcards wildcards) {
    *path = DevicePath{};
    if (text == nullptr) return ERROR_INVALID_PARAMETER;
    std::size_t length = BoundedLength(text, MAX_PATH);
    if (length > MAX_PATH) return ERROR_FILENAME_EXCED_RANGE;
    if (length == 0) return ERROR_PATH_NOT_FOUND;
    if (text[0] != '\\') return ERROR_INVALID_NAME;

    DeviceString whole(text + 1, length - 1);
    std::size_t start = 0;
    while (start < whole.size()) {
        std::size_t end = whole.find('\\', start);
        if (end == DeviceString::npos) end = whole.size();
        if (end == start) return ERROR_INVALID_NAME;  // "\\" inside or at the front
        path->components.push_back(whole.substr(start, end - start));
        if (end + 1 == whole.size()) path->trailingSeparator = true;
        start = end + 1;
    }
    for (std::size_t i = 0; i < path->components.size(); ++i) {
        bool last = i + 1 == path->components.size();
        bool wildcardsAllowed = last && !path->trailingSeparator &&
                                wildcards == Wildcards::AllowedInLastComponent;
        if (DWORD error = CheckComponent(path->components[i], wildcardsAllowed)) return error;
    }
    return 0;
}

DeviceString JoinDevicePath(const DevicePath& path) {
    DeviceString joined;
    for (const DeviceString& name : path.components) {
        joined += '\\';
        joined += name;
    }
    if (joined.empty()) joined += '\\';
    return joined;
}

}  // namespace vbdevice
