#include "last_error.h"

#include <cerrno>

namespace {
thread_local DWORD lastError = 0;
}

extern "C" DWORD GetLastError(void) { return lastError; }

extern "C" void SetLastError(DWORD code) { lastError = code; }

namespace vbplatform::detail {

DWORD ErrorFromErrno(int error) {
    switch (error) {
    case 0: return NO_ERROR;
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return ERROR_ACCESS_DENIED;
    case EBADF: return ERROR_INVALID_HANDLE;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return ERROR_DISK_FULL;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case EBUSY:
    case ETXTBSY: return ERROR_SHARING_VIOLATION;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    default: return kErrorGenFailure;
    }
}

DWORD SetErrorFromErrno(int error) {
    DWORD code = ErrorFromErrno(error);
    SetLastError(code);
    return code;
}

}  // namespace vbplatform::detail
