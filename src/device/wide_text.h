// Small helpers for the device's UTF-16 text in fixed buffers.
#pragma once

#include <stddef.h>

#include "vbwin32.h"

// Length of a zero-terminated text, looking at no more than `limit` units;
// `limit` when no terminator is among them.
inline size_t WideLength(const WCHAR* text, size_t limit = static_cast<size_t>(-1)) {
    size_t length = 0;
    while (length < limit && text[length]) ++length;
    return length;
}

// Copies `source` into a buffer of `size` units; false (and the buffer
// unchanged) when it does not fit with its terminator.
inline bool WideCopy(WCHAR* target, size_t size, const WCHAR* source) {
    size_t length = WideLength(source);
    if (length + 1 > size) return false;
    for (size_t i = 0; i <= length; ++i) target[i] = source[i];
    return true;
}

// Appends `source` to the text in a buffer of `size` units; false (and the
// buffer unchanged) when the result would not fit.
inline bool WideAppend(WCHAR* target, size_t size, const WCHAR* source) {
    size_t start = WideLength(target, size);
    if (start >= size) return false;
    return WideCopy(target + start, size - start, source);
}

// Converts OEM text into a buffer of `size` units; false when it does not
// fit or cannot be converted.
inline bool OemToWide(const char* oem, WCHAR* target, size_t size) {
    return MultiByteToWideChar(CP_OEMCP, 0, oem, -1, target, static_cast<int>(size)) > 0;
}

// Converts UTF-16 text into a buffer of `size` bytes; false when it does
// not fit or cannot be converted.
inline bool WideToOem(const WCHAR* wide, char* target, size_t size) {
    return WideCharToMultiByte(CP_OEMCP, 0, wide, -1, target, static_cast<int>(size), nullptr,
                               nullptr) > 0;
}
