// A small tree of files for the file tests:
//   file.txt ("content"), readonly.txt (read-only), dir/inner.txt, emptydir/
#pragma once

#include <string>

#include <gtest/gtest.h>

#include "temp_folder.h"
#include "vbwin32.h"

namespace vbtest {

class FileLayout {
public:
    FileLayout() {
        WriteFileText(Path("file.txt"), "content");
        WriteFileText(Path("readonly.txt"), "fixed");
        EXPECT_TRUE(SetFileAttributesA(Path("readonly.txt").c_str(), FILE_ATTRIBUTE_READONLY));
        EXPECT_TRUE(CreateDirectoryA(Path("dir").c_str(), nullptr));
        WriteFileText(Path("dir/inner.txt"), "inner");
        EXPECT_TRUE(CreateDirectoryA(Path("emptydir").c_str(), nullptr));
    }

    ~FileLayout() { SetFileAttributesA(Path("readonly.txt").c_str(), FILE_ATTRIBUTE_NORMAL); }

    // The path of a name in the tree, with the platform's separators.
    std::string Path(std::string name) const {
        for (char& c : name) {
            if (c == '/') c = kSeparator;
        }
        return folder_.Join(name);
    }

private:
    TempFolder folder_;
};

// Opens a file and closes it again; true when the open succeeded. The last
// error is the one CreateFileA left.
inline bool OpenAndClose(const std::string& path, DWORD access, DWORD share, DWORD disposition) {
    HANDLE file = CreateFileA(path.c_str(), access, share, nullptr, disposition, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD error = GetLastError();
    CloseHandle(file);
    SetLastError(error);
    return true;
}

}  // namespace vbtest
