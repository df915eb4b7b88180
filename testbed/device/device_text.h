// Device text: UTF-16 names compared without regard to case as the device
// compares them, wildcard patterns, and UTF-8 for names on the local disk.
#pragma once

#include <cstddef>
#include <string>

#include "device_control.h"

namespace vbdevice {

// Upper-case form of one UTF-16 unit for comparisons (Latin, Greek and
// Cyrillic letters; everything else unchanged).
WCHAR FoldCase(WCHAR unit);
bool EqualNoCase(const DeviceString& a, const DeviceString& b);
// <0, 0, >0 by folded units, then by the exact units, so the order is total.
int CompareNames(const DeviceString& a, const DeviceString& b);

// '*' (any run) and '?' (any one unit) without regard to case; "*.*" and "*"
// match every name, as on the device.
bool MatchesPattern(const DeviceString& pattern, const DeviceString& name);
bool HasWildcards(const DeviceString& name);

// Lone surrogates have no UTF-8 form: the device refuses such names before
// they reach the disk. Invalid UTF-8 from the disk becomes U+FFFD.
bool IsWellFormedUtf16(const DeviceString& text);
std::string ToUtf8(const DeviceString& text);
DeviceString FromUtf8(const char* text, std::size_t length);
// The same into a buffer of the caller's, replacing its contents (a loop
// that reuses one buffer allocates nothing per item).
void ToUtf8(const WCHAR* text, std::size_t length, std::string* out);
void FromUtf8(const char* text, std::size_t length, DeviceString* out);
inline DeviceString FromUtf8(const std::string& text) { return FromUtf8(text.data(), text.size()); }

// Length of a NUL-terminated device string, scanning at most limit units
// (returns limit + 1 when longer).
std::size_t BoundedLength(const WCHAR* text, std::size_t limit);

}  // namespace vbdevice
