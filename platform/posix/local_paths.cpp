#include "local_paths.h"

#include <unistd.h>

#include <cerrno>
#include <vector>

#include "last_error.h"
#include "vbplatform_testing.h"

namespace vbplatform::detail {
namespace {

std::string ParentOf(const std::string& path) {
    std::string::size_type end = path.find_last_not_of('/');
    if (end == std::string::npos) return "/";
    std::string::size_type slash = path.rfind('/', end);
    if (slash == std::string::npos) return ".";
    std::string::size_type parentEnd = path.find_last_not_of('/', slash);
    return parentEnd == std::string::npos ? "/" : path.substr(0, parentEnd + 1);
}

}  // namespace

bool ToLocalPath(LPCSTR name, std::string* path) {
    if (name == nullptr || *name == '\0') {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    *path = OemToUtf8(name);
    for (char& c : *path) {
        if (c == '\\') c = '/';
    }
    return true;
}

DWORD MissingPathError(const std::string& path) {
    struct stat parent {};
    bool parentIsFolder = stat(ParentOf(path).c_str(), &parent) == 0 && S_ISDIR(parent.st_mode);
    return parentIsFolder ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
}

DWORD SetPathError(int error, const std::string& path) {
    DWORD code = error == ENOENT ? MissingPathError(path) : ErrorFromErrno(error);
    SetLastError(code);
    return code;
}

std::string CurrentDirectoryOem() {
    std::vector<char> buffer(4096);
    while (getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE) return std::string();
        buffer.resize(buffer.size() * 2);
    }
    return Utf8ToOem(buffer.data());
}

}  // namespace vbplatform::detail
