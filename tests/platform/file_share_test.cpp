// Share modes between handles of the process, as Windows enforces them.
#include <ostream>

#include <gtest/gtest.h>

#include "file_layout.h"

namespace vbtest {
namespace {

constexpr DWORD kRead = GENERIC_READ;
constexpr DWORD kWrite = GENERIC_WRITE;
constexpr DWORD kShareRead = FILE_SHARE_READ;
constexpr DWORD kShareWrite = FILE_SHARE_WRITE;

class Held {
public:
    Held(const std::string& path, DWORD access, DWORD share, DWORD disposition = OPEN_EXISTING)
        : handle_(CreateFileA(path.c_str(), access, share, nullptr, disposition, 0, nullptr)) {}
    ~Held() { Close(); }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    HANDLE get() const { return handle_; }
    void Close() {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE handle_;
};

struct ShareCase {
    const char* what;
    DWORD heldAccess, heldShare;
    DWORD newAccess, newShare;
    bool opens;
};

void PrintTo(const ShareCase& c, std::ostream* out) { *out << c.what; }


class ShareModeTest : public ::testing::TestWithParam<ShareCase> {};

TEST_P(ShareModeTest, SecondOpenFollowsBothShareModes) {
    const ShareCase& c = GetParam();
    FileLayout tree;
    Held held(tree.Path("file.txt"), c.heldAccess, c.heldShare);
    ASSERT_NE(INVALID_HANDLE_VALUE, held.get());
    SetLastError(0);
    EXPECT_EQ(c.opens, OpenAndClose(tree.Path("file.txt"), c.newAccess, c.newShare, OPEN_EXISTING));
    if (!c.opens) {
        EXPECT_EQ(DWORD(ERROR_SHARING_VIOLATION), GetLastError());
    }

    held.Close();
    EXPECT_TRUE(OpenAndClose(tree.Path("file.txt"), c.newAccess, c.newShare, OPEN_EXISTING))
        << "closing the first handle lifts its restriction";
}

INSTANTIATE_TEST_SUITE_P(
    Modes, ShareModeTest,
    ::testing::Values(
        ShareCase{"HeldExclusivelyRefusesReaders", kRead, 0, kRead, kShareRead | kShareWrite, false},
        ShareCase{"SharedForReadingAdmitsReaders", kRead, kShareRead, kRead, kShareRead, true},
        ShareCase{"SharedForReadingRefusesWriters", kRead, kShareRead, kWrite, kShareRead, false},
        ShareCase{"NewcomerMustShareWhatIsHeld", kRead, kShareRead | kShareWrite, kWrite, kShareWrite, false},
        ShareCase{"BothSharingEverythingMeet", kRead | kWrite, kShareRead | kShareWrite, kRead | kWrite,
                  kShareRead | kShareWrite, true},
        ShareCase{"WriterRefusesReaderThatDoesNotShareWriting", kWrite, kShareRead, kRead, kShareRead, false},
        ShareCase{"WriterAdmitsReaderThatSharesWriting", kWrite, kShareRead, kRead, kShareRead | kShareWrite, true},
        ShareCase{"AttributeOnlyHandleRestrictsNothing", 0, 0, kRead, kShareRead, true},
        ShareCase{"AttributeOnlyNewcomerIsAlwaysAdmitted", kRead, 0, 0, 0, true}),
    [](const ::testing::TestParamInfo<ShareCase>& info) { return info.param.what; });

class ShareTest : public ::testing::Test {
protected:
    FileLayout tree_;
};

TEST_F(ShareTest, DeletingAnOpenFileIsASharingViolationUntilItIsClosed) {
    Held held(tree_.Path("file.txt"), kRead, kShareRead | kShareWrite);
    ASSERT_NE(INVALID_HANDLE_VALUE, held.get());
    SetLastError(0);
    EXPECT_FALSE(DeleteFileA(tree_.Path("file.txt").c_str()));
    EXPECT_EQ(DWORD(ERROR_SHARING_VIOLATION), GetLastError());
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(tree_.Path("file.txt").c_str()));
    held.Close();
    EXPECT_TRUE(DeleteFileA(tree_.Path("file.txt").c_str()));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(tree_.Path("file.txt").c_str()));
}

TEST_F(ShareTest, FileSharedForDeletionCanBeDeletedWhileOpen) {
    Held held(tree_.Path("file.txt"), kRead, kShareRead | FILE_SHARE_DELETE);
    ASSERT_NE(INVALID_HANDLE_VALUE, held.get());
    EXPECT_TRUE(DeleteFileA(tree_.Path("file.txt").c_str()));
    held.Close();
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(tree_.Path("file.txt").c_str()));
}

TEST_F(ShareTest, RefusedTruncationLeavesTheContentAlone) {
    Held held(tree_.Path("file.txt"), kRead, kShareRead);
    ASSERT_NE(INVALID_HANDLE_VALUE, held.get());
    SetLastError(0);
    EXPECT_FALSE(OpenAndClose(tree_.Path("file.txt"), kWrite, kShareRead, CREATE_ALWAYS));
    EXPECT_EQ(DWORD(ERROR_SHARING_VIOLATION), GetLastError());
    EXPECT_EQ(7u, GetFileSize(held.get(), nullptr));
}

TEST_F(ShareTest, ReaderSeesWhatASharingWriterWrote) {
    Held writer(tree_.Path("file.txt"), kWrite, kShareRead, TRUNCATE_EXISTING);
    ASSERT_NE(INVALID_HANDLE_VALUE, writer.get());
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(writer.get(), "shared", 6, &written, nullptr));
    Held reader(tree_.Path("file.txt"), kRead, kShareRead | kShareWrite);
    ASSERT_NE(INVALID_HANDLE_VALUE, reader.get());
    char buffer[16] = {};
    DWORD read = 0;
    ASSERT_TRUE(ReadFile(reader.get(), buffer, sizeof buffer, &read, nullptr));
    EXPECT_EQ("shared", std::string(buffer, read));
}

}  // namespace
}  // namespace vbtest
