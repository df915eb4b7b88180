// Paths of the file operations, joined in fixed buffers: a join that does
// not fit is refused, never cut short; a relative name that could lead out
// of the directory it is joined to is refused as well.
#pragma once

#include <stddef.h>

#include "vbwin32.h"

// `dir`, a separator unless it ends with one (the host's AddEndSlash), then
// `name`, into a buffer of `size` bytes. False, and the buffer empty, when
// the result does not fit.
bool JoinPath(char* target, size_t size, const char* dir, const char* name);

// The same for device text: `dir` (UTF-16, ending with a backslash) followed
// by the OEM `name` converted to UTF-16, into `size` units.
bool JoinWidePath(WCHAR* target, size_t size, const WCHAR* dir, const char* name);

// True for a name that stays below the directory it is joined to: not
// empty, not absolute (no leading separator, no drive), no "." or ".."
// part, no empty part.
bool IsContainedName(const char* name);

// Copies `text` into a buffer of `size` bytes; false (buffer unchanged) when
// it does not fit.
bool CopyText(char* target, size_t size, const char* text);
