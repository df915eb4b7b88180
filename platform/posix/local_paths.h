// Narrow file-API names (OEM text, either separator) as POSIX paths, and
// the Win32 errors of names that do not resolve.
#pragma once

#include <sys/stat.h>

#include <string>

#include "vbwin32.h"

namespace vbplatform::detail {

// The UTF-8 POSIX path of an OEM name with `\` turned into `/`. False (with
// the last error set) for a null or empty name.
bool ToLocalPath(LPCSTR name, std::string* path);

// ERROR_FILE_NOT_FOUND when the folder that would hold the path exists,
// ERROR_PATH_NOT_FOUND when that folder is missing too.
DWORD MissingPathError(const std::string& path);

// SetLastError of the Win32 error for an errno of a call on path (a missing
// name gives 2 or 3 as MissingPathError tells); returns the number.
DWORD SetPathError(int error, const std::string& path);

// Win32's read-only attribute: no write permission bit at all. Checked by
// hand because a privileged process may write whatever the bits say.
inline bool IsReadOnlyMode(mode_t mode) { return (mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0; }

// The current directory in the OEM code page.
std::string CurrentDirectoryOem();

}  // namespace vbplatform::detail
