// Per-thread Win32 error state and the translation of errno into it.
#pragma once

#include "vbwin32.h"

namespace vbplatform::detail {

// The Win32 error number closest to an errno value.
DWORD ErrorFromErrno(int error);

// SetLastError(ErrorFromErrno(error)); returns the Win32 number.
DWORD SetErrorFromErrno(int error);

// Numbers the public header has no name for.
constexpr DWORD kErrorGenFailure = 31;
constexpr DWORD kErrorDirectoryName = 267;  // ERROR_DIRECTORY: not a directory
constexpr DWORD kErrorKeyDeleted = 1018;

}  // namespace vbplatform::detail
