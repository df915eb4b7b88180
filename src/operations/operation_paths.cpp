#include "operations/operation_paths.h"

#include <string.h>

#include "device/wide_text.h"
#include "plugin/host_services.h"

bool CopyText(char* target, size_t size, const char* text) {
    size_t length = strlen(text);
    if (length + 1 > size) return false;
    memcpy(target, text, length + 1);
    return true;
}

static bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool JoinPath(char* target, size_t size, const char* dir, const char* name) {
    size_t dirLength = strlen(dir);
    // AddEndSlash replaces a trailing separator and adds one otherwise.
    size_t slashed = dirLength > 0 && IsSeparator(dir[dirLength - 1]) ? dirLength : dirLength + 1;
    if (slashed + strlen(name) + 1 > size) {
        if (size) target[0] = 0;
        return false;
    }
    memcpy(target, dir, dirLength + 1);
    FsfAddEndSlash(target);
    strcat(target, name);
    return true;
}

bool JoinWidePath(WCHAR* target, size_t size, const WCHAR* dir, const char* name) {
    if (!WideCopy(target, size, dir)) {
        if (size) target[0] = 0;
        return false;
    }
    size_t used = WideLength(target, size);
    if (!OemToWide(name, target + used, size - used)) {
        target[0] = 0;
        return false;
    }
    return true;
}

bool IsContainedName(const char* name) {
    if (!name[0] || IsSeparator(name[0]) || strchr(name, ':')) return false;
    const char* part = name;
    for (;;) {
        size_t length = 0;
        while (part[length] && !IsSeparator(part[length])) ++length;
        if (length == 0) return false;
        if (part[0] == '.' && (length == 1 || (length == 2 && part[1] == '.'))) return false;
        if (!part[length]) return true;
        part += length + 1;
    }
}
