// GetFullPathNameA and the current directory.
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "temp_folder.h"
#include "vbwin32.h"

namespace vbtest {
namespace {

std::string CurrentDirectory() {
    char buffer[4096];
    DWORD length = GetCurrentDirectoryA(sizeof buffer, buffer);
    return std::string(buffer, length);
}

class FullPathTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = CurrentDirectory();
        ASSERT_TRUE(SetCurrentDirectoryA(folder_.Path().c_str()));
    }
    void TearDown() override { SetCurrentDirectoryA(saved_.c_str()); }

    // The full path of a name as the call under test gives it.
    std::string Full(const char* name, std::string* filePart = nullptr) {
        char buffer[4096];
        LPSTR part = reinterpret_cast<LPSTR>(1);
        DWORD length = GetFullPathNameA(name, sizeof buffer, buffer, &part);
        EXPECT_EQ(std::strlen(buffer), length) << name;
        if (filePart != nullptr) *filePart = part == nullptr ? "<null>" : std::string(part);
        return std::string(buffer, length);
    }

    std::string Here(const std::string& rest) const { return folder_.Path() + rest; }

    TempFolder folder_;
    std::string saved_;
};

TEST_F(FullPathTest, CurrentDirectoryIsTheOneSet) { EXPECT_EQ(folder_.Path(), CurrentDirectory()); }

TEST_F(FullPathTest, RelativeNamesResolveAgainstTheCurrentDirectory) {
    const std::string s(1, kSeparator);
    struct Case {
        const char* name;
        std::string full;
        const char* filePart;
    } cases[] = {
        {"a.txt", Here(s + "a.txt"), "a.txt"},
        {"sub\\b.txt", Here(s + "sub" + s + "b.txt"), "b.txt"},
        {"sub/b.txt", Here(s + "sub" + s + "b.txt"), "b.txt"},
        {".\\x\\..\\y", Here(s + "y"), "y"},
        {"a\\\\b", Here(s + "a" + s + "b"), "b"},
        {"dir\\", Here(s + "dir" + s), "<null>"},
        {".", Here(""), nullptr},
    };
    for (const Case& c : cases) {
        std::string part;
        EXPECT_EQ(c.full, Full(c.name, &part)) << c.name;
        if (c.filePart != nullptr) {
            EXPECT_EQ(c.filePart, part) << c.name;
        }
    }
    std::string parent = folder_.Path().substr(0, folder_.Path().rfind(kSeparator));
    EXPECT_EQ(parent, Full("..")) << "the parent of the current directory";
}

#ifndef _WIN32
TEST_F(FullPathTest, AbsoluteNamesAreResolvedByTheirTextAlone) {
    struct Case {
        const char* name;
        const char* full;
        const char* filePart;
    } cases[] = {
        {"/abs/./p/../q", "/abs/q", "q"},
        {"\\abs\\p", "/abs/p", "p"},
        {"/", "/", "<null>"},
        {"/../..", "/", "<null>"},
        {"/a/b/", "/a/b/", "<null>"},
        {"/missing/dir/../file", "/missing/file", "file"},
    };
    for (const Case& c : cases) {
        std::string part;
        EXPECT_EQ(c.full, Full(c.name, &part)) << c.name;
        EXPECT_EQ(c.filePart, part) << c.name;
    }
}
#endif

TEST_F(FullPathTest, TooSmallBufferGetsTheSizeNeededAndNothingWritten) {
    const std::string full = Full("name.txt");
    const DWORD needed = static_cast<DWORD>(full.size() + 1);

    char buffer[4096];
    std::memset(buffer, 'Z', sizeof buffer);
    EXPECT_EQ(needed, GetFullPathNameA("name.txt", needed - 1, buffer, nullptr));
    for (std::size_t i = 0; i < sizeof buffer; ++i) ASSERT_EQ('Z', buffer[i]) << "written at " << i;

    EXPECT_EQ(needed, GetFullPathNameA("name.txt", 0, nullptr, nullptr));
    EXPECT_EQ(needed - 1, GetFullPathNameA("name.txt", needed, buffer, nullptr)) << "exact fit";
    EXPECT_EQ(full, std::string(buffer));
}

TEST_F(FullPathTest, CurrentDirectoryBufferRules) {
    const DWORD needed = static_cast<DWORD>(folder_.Path().size() + 1);
    char small[4] = {'Z', 'Z', 'Z', 'Z'};
    EXPECT_EQ(needed, GetCurrentDirectoryA(sizeof small, small));
    EXPECT_EQ(needed, GetCurrentDirectoryA(0, nullptr));
}

TEST_F(FullPathTest, ChangingToAMissingOrNonFolderFails) {
    WriteFileText(folder_.Join("file.txt"), "x");
    SetLastError(0);
    EXPECT_FALSE(SetCurrentDirectoryA(folder_.Join("missing").c_str()));
    EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), GetLastError());
    SetLastError(0);
    EXPECT_FALSE(SetCurrentDirectoryA(folder_.Join("file.txt").c_str()));
    EXPECT_EQ(267u, GetLastError());  // ERROR_DIRECTORY
    EXPECT_EQ(folder_.Path(), CurrentDirectory());
}

TEST_F(FullPathTest, RelativeFileCallsFollowTheCurrentDirectory) {
    ASSERT_TRUE(CreateDirectoryA("made", nullptr));
    ASSERT_TRUE(SetCurrentDirectoryA("made"));
    HANDLE file = CreateFileA("inside.txt", GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    CloseHandle(file);
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(folder_.Join("made" + std::string(1, kSeparator) + "inside.txt").c_str()));
    ASSERT_TRUE(SetCurrentDirectoryA(".."));
    EXPECT_EQ(folder_.Path(), CurrentDirectory());
}

}  // namespace
}  // namespace vbtest
