// Device file handles: dispositions, permissions, share modes, reading,
// writing and size.
#include <cstring>

#include "device_fixture.h"
#include "rapi.h"

namespace {

class FileHandleTest : public DeviceTest {
protected:
    HANDLE Open(const char* path, DWORD access, DWORD share, DWORD disposition) {
        return CeCreateFile(W(path).c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
};

struct DispositionCase {
    const char* name;
    DWORD disposition;
    bool fileExists;
    Expected outcome;
    const char* contentAfter;  // null: no file afterwards
};

class DispositionTest : public FileHandleTest, public ::testing::WithParamInterface<DispositionCase> {};

TEST_P(DispositionTest, OpensOrCreatesAsWin32Does) {
    const DispositionCase& c = GetParam();
    if (c.fileExists) MakeFile("\\f.txt", "old");
    HANDLE file = Open("\\f.txt", GENERIC_WRITE, 0, c.disposition);
    Outcome outcome = TookHandle(file);
    EXPECT_TRUE(Matches(outcome, c.outcome));
    if (outcome.ok) {
        EXPECT_EQ(vbdevice::OpenHandleCount(), 1u);
        EXPECT_TRUE(CeCloseHandle(file));
    }
    EXPECT_EQ(vbdevice::OpenHandleCount(), 0u);
    if (c.contentAfter == nullptr) {
        EXPECT_FALSE(Exists("\\f.txt"));
    } else {
        EXPECT_EQ(ReadAll("\\f.txt"), c.contentAfter);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Dispositions, DispositionTest,
    ::testing::Values(
        DispositionCase{"CreateNewMissing", CREATE_NEW, false, kSucceeds, ""},
        DispositionCase{"CreateNewExisting", CREATE_NEW, true, FailsWith(ERROR_FILE_EXISTS), "old"},
        DispositionCase{"CreateAlwaysMissing", CREATE_ALWAYS, false, kSucceeds, ""},
        DispositionCase{"CreateAlwaysExisting", CREATE_ALWAYS, true, Expected{true, ERROR_ALREADY_EXISTS}, ""},
        DispositionCase{"OpenExistingMissing", OPEN_EXISTING, false, FailsWith(ERROR_FILE_NOT_FOUND), nullptr},
        DispositionCase{"OpenExistingExisting", OPEN_EXISTING, true, kSucceeds, "old"},
        DispositionCase{"OpenAlwaysMissing", OPEN_ALWAYS, false, kSucceeds, ""},
        DispositionCase{"OpenAlwaysExisting", OPEN_ALWAYS, true, Expected{true, ERROR_ALREADY_EXISTS}, "old"},
        DispositionCase{"TruncateExistingMissing", TRUNCATE_EXISTING, false, FailsWith(ERROR_FILE_NOT_FOUND),
                        nullptr},
        DispositionCase{"TruncateExistingExisting", TRUNCATE_EXISTING, true, kSucceeds, ""},
        DispositionCase{"NoSuchDisposition", 0, true, FailsWith(ERROR_INVALID_PARAMETER), "old"},
        DispositionCase{"NoSuchDispositionAbove", 6, false, FailsWith(ERROR_INVALID_PARAMETER), nullptr}),
    [](const ::testing::TestParamInfo<DispositionCase>& info) { return std::string(info.param.name); });

TEST_F(FileHandleTest, RefusalsByPlace) {
    MakeDir("\\dir");
    struct Case {
        const char* path;
        DWORD access;
        DWORD disposition;
        Expected outcome;
    } cases[] = {
        {"\\nodir\\f", GENERIC_READ, OPEN_EXISTING, FailsWith(ERROR_PATH_NOT_FOUND)},
        {"\\nodir\\f", GENERIC_WRITE, CREATE_ALWAYS, FailsWith(ERROR_PATH_NOT_FOUND)},
        {"\\dir", GENERIC_READ, OPEN_EXISTING, FailsWith(ERROR_ACCESS_DENIED)},
        {"\\dir", GENERIC_WRITE, CREATE_ALWAYS, FailsWith(ERROR_ACCESS_DENIED)},
        {"\\dir", GENERIC_WRITE, CREATE_NEW, FailsWith(ERROR_FILE_EXISTS)},
        {"\\", GENERIC_READ, OPEN_EXISTING, FailsWith(ERROR_ACCESS_DENIED)},
        {"\\file\\", GENERIC_WRITE, CREATE_NEW, FailsWith(ERROR_INVALID_NAME)},
        {"\\f", GENERIC_READ, TRUNCATE_EXISTING, FailsWith(ERROR_INVALID_PARAMETER)},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(Matches(TookHandle(Open(c.path, c.access, 0, c.disposition)), c.outcome))
            << c.path << " disposition " << c.disposition;
    }
    EXPECT_EQ(vbdevice::OpenHandleCount(), 0u);
}

TEST_F(FileHandleTest, ReadOnlyAndInRomFilesRefuseWriting) {
    for (DWORD attribute : {DWORD{FILE_ATTRIBUTE_READONLY}, DWORD{FILE_ATTRIBUTE_INROM}}) {
        MakeFile("\\locked", "kept");
        ASSERT_TRUE(vbdevice::SetEntryAttributes(VB_WTEXT("\\locked"), attribute));
        for (DWORD disposition : {DWORD{OPEN_EXISTING}, DWORD{OPEN_ALWAYS}, DWORD{CREATE_ALWAYS}, DWORD{TRUNCATE_EXISTING}}) {
            EXPECT_TRUE(Matches(TookHandle(Open("\\locked", GENERIC_WRITE, 0, disposition)),
                                FailsWith(ERROR_ACCESS_DENIED)))
                << "attribute " << attribute << ", disposition " << disposition;
        }
        EXPECT_EQ(ReadAll("\\locked"), "kept");
        ASSERT_TRUE(vbdevice::SetEntryAttributes(VB_WTEXT("\\locked"), 0));
        ASSERT_TRUE(CeDeleteFile(VB_WTEXT("\\locked")));
    }
}

struct ShareCase {
    DWORD firstAccess, firstShare, secondAccess, secondShare;
    bool secondOpens;
};

TEST_F(FileHandleTest, ShareModesAreEnforcedBetweenHandles) {
    const DWORD R = GENERIC_READ, Wr = GENERIC_WRITE, SR = FILE_SHARE_READ, SW = FILE_SHARE_WRITE;
    const ShareCase cases[] = {
        {R, SR, R, SR, true},
        {R, 0, R, SR, false},          // the first shares nothing
        {R, SR, R, 0, false},          // the second would deny the first's reading
        {R, SR, Wr, SR, false},        // writing is not shared
        {R, SR | SW, Wr, SR, true},
        {Wr, 0, R, SR | SW, false},
        {Wr, SR, R, SW, true},
        {Wr, SR, R, SR, false},        // the second must share writing with the writer
        {Wr, SW, Wr, SW, true},
        {0, 0, R, 0, true},            // a handle without access conflicts with nothing
    };
    MakeFile("\\shared", "data");
    for (const ShareCase& c : cases) {
        HANDLE first = Open("\\shared", c.firstAccess, c.firstShare, OPEN_EXISTING);
        ASSERT_NE(first, INVALID_HANDLE_VALUE);
        HANDLE second = Open("\\shared", c.secondAccess, c.secondShare, OPEN_EXISTING);
        EXPECT_TRUE(Matches(TookHandle(second), c.secondOpens ? kSucceeds : FailsWith(ERROR_SHARING_VIOLATION)))
            << "first " << std::hex << c.firstAccess << "/" << c.firstShare << ", second " << c.secondAccess
            << "/" << c.secondShare;
        if (second != INVALID_HANDLE_VALUE) CeCloseHandle(second);
        CeCloseHandle(first);
    }
    EXPECT_EQ(vbdevice::OpenHandleCount(), 0u);
}

TEST_F(FileHandleTest, ReadsToTheEndThenSucceedsWithZero) {
    MakeFile("\\f", "0123456789");
    HANDLE file = Open("\\f", GENERIC_READ, 0, OPEN_EXISTING);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    char buffer[8];
    DWORD read = 77;
    ASSERT_TRUE(CeReadFile(file, buffer, 8, &read, nullptr));
    EXPECT_EQ(std::string(buffer, read), "01234567");
    ASSERT_TRUE(CeReadFile(file, buffer, 8, &read, nullptr));
    EXPECT_EQ(std::string(buffer, read), "89");
    read = 77;
    EXPECT_TRUE(Matches(Took(CeReadFile(file, buffer, 8, &read, nullptr)), kSucceeds));
    EXPECT_EQ(read, 0u);
    EXPECT_TRUE(CeCloseHandle(file));
}

TEST_F(FileHandleTest, CountsAreZeroedEvenWhenTheCallFails) {
    MakeFile("\\f", "abc");
    HANDLE readOnly = Open("\\f", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    HANDLE writeOnly = Open("\\f", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    ASSERT_NE(readOnly, INVALID_HANDLE_VALUE);
    ASSERT_NE(writeOnly, INVALID_HANDLE_VALUE);
    char buffer[4];
    DWORD count = 99;
    EXPECT_TRUE(Matches(Took(CeReadFile(writeOnly, buffer, 4, &count, nullptr)), FailsWith(ERROR_ACCESS_DENIED)));
    EXPECT_EQ(count, 0u);
    count = 99;
    EXPECT_TRUE(Matches(Took(CeWriteFile(readOnly, "x", 1, &count, nullptr)), FailsWith(ERROR_ACCESS_DENIED)));
    EXPECT_EQ(count, 0u);
    HANDLE bogus = reinterpret_cast<HANDLE>(0x7777);
    count = 99;
    EXPECT_TRUE(Matches(Took(CeReadFile(bogus, buffer, 4, &count, nullptr)), FailsWith(ERROR_INVALID_HANDLE)));
    EXPECT_EQ(count, 0u);
    count = 99;
    EXPECT_TRUE(Matches(Took(CeWriteFile(bogus, "x", 1, &count, nullptr)), FailsWith(ERROR_INVALID_HANDLE)));
    EXPECT_EQ(count, 0u);
    CeCloseHandle(readOnly);
    CeCloseHandle(writeOnly);
}

TEST_F(FileHandleTest, WritesThroughOneHandleAreSeenThroughAnother) {
    HANDLE writer = Open("\\f", GENERIC_WRITE, FILE_SHARE_READ, CREATE_NEW);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    HANDLE reader = Open("\\f", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    DWORD count = 0;
    ASSERT_TRUE(CeWriteFile(writer, "hello", 5, &count, nullptr));
    EXPECT_EQ(count, 5u);
    char buffer[16];
    ASSERT_TRUE(CeReadFile(reader, buffer, sizeof buffer, &count, nullptr));
    EXPECT_EQ(std::string(buffer, count), "hello");
    ASSERT_TRUE(CeWriteFile(writer, " world", 6, &count, nullptr));
    ASSERT_TRUE(CeReadFile(reader, buffer, sizeof buffer, &count, nullptr));
    EXPECT_EQ(std::string(buffer, count), " world");
    EXPECT_EQ(CeGetFileSize(reader, nullptr), 11u);
    CeCloseHandle(writer);
    CeCloseHandle(reader);
    EXPECT_EQ(DiskFileContent("f"), "hello world");
}

TEST_F(FileHandleTest, SizeWithAndWithoutTheHighPart) {
    PutDiskFile("big", "");
    std::filesystem::resize_file(Disk("big"), (std::uint64_t{1} << 32) + 5);  // sparse on the disk
    HANDLE file = Open("\\big", GENERIC_READ, 0, OPEN_EXISTING);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD high = 0;
    EXPECT_EQ(CeGetFileSize(file, &high), 5u);
    EXPECT_EQ(high, 1u);
    EXPECT_TRUE(Matches(Took(CeGetFileSize(file, nullptr) == 5u), kSucceeds));
    CeCloseHandle(file);

    high = 42;
    EXPECT_EQ(CeGetFileSize(file, &high), INVALID_FILE_SIZE);
    EXPECT_EQ(CeGetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(FileHandleTest, ClosingTwiceFails) {
    HANDLE file = Open("\\f", GENERIC_WRITE, 0, CREATE_NEW);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(Matches(Took(CeCloseHandle(file)), kSucceeds));
    EXPECT_TRUE(Matches(Took(CeCloseHandle(file)), FailsWith(ERROR_INVALID_HANDLE)));
}

TEST_F(FileHandleTest, NewFilesGetTheArchiveAttributeAndTheAttributesAskedFor) {
    HANDLE file = CeCreateFile(VB_WTEXT("\\h"), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_HIDDEN, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CeCloseHandle(file);
    EXPECT_EQ(Attributes("\\h"), static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    MakeFile("\\n", "");
    EXPECT_EQ(Attributes("\\n"), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
}

}  // namespace
