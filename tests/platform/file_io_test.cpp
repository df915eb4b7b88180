// Reading, writing, sizes, file times and attributes through handles and
// names.
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "file_layout.h"
#include "wine_check.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>

#include "vbplatform_testing.h"
#endif

namespace vbtest {
namespace {

std::uint64_t AsNumber(const FILETIME& time) { return (std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime; }

FILETIME FromNumber(std::uint64_t value) {
    return FILETIME{static_cast<DWORD>(value), static_cast<DWORD>(value >> 32)};
}

// The present as a FILETIME, from the C++ clock rather than the API under test.
std::uint64_t NowAsFileTime() {
    using namespace std::chrono;
    auto sinceUnixEpoch = duration_cast<nanoseconds>(system_clock::now().time_since_epoch()).count();
    return static_cast<std::uint64_t>(sinceUnixEpoch / 100) + 116444736000000000ULL;
}

constexpr std::uint64_t kSecond = 10000000ULL;

HANDLE Open(const std::string& path, DWORD access, DWORD disposition) {
    return CreateFileA(path.c_str(), access, FILE_SHARE_READ, nullptr, disposition, 0, nullptr);
}

class FileIoTest : public ::testing::Test {
protected:
    FileLayout tree_;
};

TEST_F(FileIoTest, WrittenBytesReadBackInChunksThenEndOfFileReadsNothing) {
    std::vector<char> data(100000);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7 + i / 256);
    HANDLE file = Open(tree_.Path("data.bin"), GENERIC_WRITE, CREATE_NEW);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file, data.data(), static_cast<DWORD>(data.size()), &written, nullptr));
    EXPECT_EQ(data.size(), written);
    ASSERT_TRUE(CloseHandle(file));

    file = Open(tree_.Path("data.bin"), GENERIC_READ, OPEN_EXISTING);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    DWORD high = 0xFFFF;
    EXPECT_EQ(100000u, GetFileSize(file, &high));
    EXPECT_EQ(0u, high);
    std::vector<char> back;
    char chunk[4096];
    DWORD read = 0;
    do {
        ASSERT_TRUE(ReadFile(file, chunk, sizeof chunk, &read, nullptr));
        back.insert(back.end(), chunk, chunk + read);
    } while (read > 0);
    EXPECT_EQ(data, back);
    read = 1;
    EXPECT_TRUE(ReadFile(file, chunk, sizeof chunk, &read, nullptr));
    EXPECT_EQ(0u, read);
    CloseHandle(file);
}

TEST_F(FileIoTest, CreateAlwaysAndTruncateEmptyAnExistingFile) {
    for (DWORD disposition : {DWORD(CREATE_ALWAYS), DWORD(TRUNCATE_EXISTING)}) {
        WriteFileText(tree_.Path("file.txt"), "content");
        HANDLE file = Open(tree_.Path("file.txt"), GENERIC_WRITE, disposition);
        ASSERT_NE(INVALID_HANDLE_VALUE, file);
        EXPECT_EQ(0u, GetFileSize(file, nullptr)) << disposition;
        CloseHandle(file);
    }
    HANDLE file = Open(tree_.Path("file.txt"), GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file, "abc", 3, &written, nullptr));
    CloseHandle(file);
    file = Open(tree_.Path("file.txt"), GENERIC_READ, OPEN_ALWAYS);
    EXPECT_EQ(3u, GetFileSize(file, nullptr)) << "OPEN_ALWAYS keeps the content";
    CloseHandle(file);
}

// Access and write times: what the module copies along with a file.
TEST_F(FileIoTest, SetFileTimeRoundTripsToTheHundredNanoseconds) {
    HANDLE file = Open(tree_.Path("file.txt"), GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    const FILETIME accessed = FromNumber(129000000000000123ULL);  // 2009, odd 100 ns
    const FILETIME written = FromNumber(145000000000004567ULL);   // 2060, past 32-bit time_t
    ASSERT_TRUE(SetFileTime(file, nullptr, &accessed, &written));
    FILETIME a{}, w{};
    ASSERT_TRUE(GetFileTime(file, nullptr, &a, &w));
    EXPECT_EQ(AsNumber(accessed), AsNumber(a));
    EXPECT_EQ(AsNumber(written), AsNumber(w));
    CloseHandle(file);

    file = Open(tree_.Path("file.txt"), GENERIC_READ, OPEN_EXISTING);
    ASSERT_TRUE(GetFileTime(file, nullptr, &a, &w));
    EXPECT_EQ(AsNumber(accessed), AsNumber(a)) << "kept after the handle is gone";
    EXPECT_EQ(AsNumber(written), AsNumber(w));
    CloseHandle(file);
}

TEST_F(FileIoTest, CreationTimeRoundTripsToTheHundredNanoseconds) {
#ifdef _WIN32
    if (UnderWine()) GTEST_SKIP() << "Wine keeps no creation time on a Linux file system: it reports the write time";
#endif
    HANDLE file = Open(tree_.Path("file.txt"), GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    const FILETIME created = FromNumber(125000000000000001ULL);  // 1997, odd 100 ns
    const FILETIME written = FromNumber(145000000000004567ULL);
    ASSERT_TRUE(SetFileTime(file, &created, nullptr, &written));
    FILETIME c{};
    ASSERT_TRUE(GetFileTime(file, &c, nullptr, nullptr));
    EXPECT_EQ(AsNumber(created), AsNumber(c));
    CloseHandle(file);

    file = Open(tree_.Path("file.txt"), GENERIC_READ, OPEN_EXISTING);
    ASSERT_TRUE(GetFileTime(file, &c, nullptr, nullptr));
    EXPECT_EQ(AsNumber(created), AsNumber(c)) << "kept after the handle is gone";
    CloseHandle(file);
}

TEST_F(FileIoTest, NullTimesAreLeftAsTheyWere) {
    HANDLE file = Open(tree_.Path("file.txt"), GENERIC_WRITE, OPEN_EXISTING);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    const FILETIME first = FromNumber(130000000000000000ULL);
    const FILETIME second = FromNumber(131000000000000000ULL);
    ASSERT_TRUE(SetFileTime(file, nullptr, &first, &first));
    ASSERT_TRUE(SetFileTime(file, nullptr, nullptr, &second));
    FILETIME a{}, w{};
    ASSERT_TRUE(GetFileTime(file, nullptr, &a, &w));
    EXPECT_EQ(AsNumber(first), AsNumber(a));
    EXPECT_EQ(AsNumber(second), AsNumber(w));
    CloseHandle(file);
}

TEST_F(FileIoTest, NewFileTimesAreNow) {
    std::uint64_t before = NowAsFileTime();
    HANDLE file = Open(tree_.Path("new.txt"), GENERIC_READ | GENERIC_WRITE, CREATE_NEW);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file, "x", 1, &written, nullptr));
    std::uint64_t after = NowAsFileTime();
    FILETIME c{}, w{};
    ASSERT_TRUE(GetFileTime(file, &c, nullptr, &w));
    for (std::uint64_t time : {AsNumber(c), AsNumber(w)}) {
        EXPECT_GE(time + 2 * kSecond, before);
        EXPECT_LE(time, after + 2 * kSecond);
    }
    EXPECT_LE(AsNumber(c), AsNumber(w));
    CloseHandle(file);
}

TEST_F(FileIoTest, SetFileTimeNeedsAWriteHandle) {
#ifdef _WIN32
    if (UnderWine()) {
        GTEST_SKIP() << "Wine does not check the handle's access in SetFileTime; Windows refuses a handle "
                        "without FILE_WRITE_ATTRIBUTES";
    }
#endif
    HANDLE file = Open(tree_.Path("file.txt"), GENERIC_READ, OPEN_EXISTING);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    const FILETIME time = FromNumber(130000000000000000ULL);
    SetLastError(0);
    EXPECT_FALSE(SetFileTime(file, nullptr, nullptr, &time));
    EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), GetLastError());
    CloseHandle(file);
}

TEST_F(FileIoTest, AttributesOfFilesFoldersAndReadOnlyFiles) {
    EXPECT_EQ(DWORD(FILE_ATTRIBUTE_ARCHIVE), GetFileAttributesA(tree_.Path("file.txt").c_str()));
    EXPECT_TRUE(GetFileAttributesA(tree_.Path("dir").c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_FALSE(GetFileAttributesA(tree_.Path("file.txt").c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_TRUE(GetFileAttributesA(tree_.Path("readonly.txt").c_str()) & FILE_ATTRIBUTE_READONLY);

    ASSERT_TRUE(SetFileAttributesA(tree_.Path("readonly.txt").c_str(), FILE_ATTRIBUTE_NORMAL));
    EXPECT_FALSE(GetFileAttributesA(tree_.Path("readonly.txt").c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(DeleteFileA(tree_.Path("readonly.txt").c_str()));
}

#ifndef _WIN32
TEST_F(FileIoTest, SizeAboveFourGigabytesHasAHighPart) {
    ASSERT_EQ(0, truncate(tree_.Path("file.txt").c_str(), 0x100000010LL));  // sparse
    HANDLE file = Open(tree_.Path("file.txt"), GENERIC_READ, OPEN_EXISTING);
    DWORD high = 0;
    EXPECT_EQ(0x10u, GetFileSize(file, &high));
    EXPECT_EQ(1u, high);

    ASSERT_EQ(0, truncate(tree_.Path("file.txt").c_str(), 0xFFFFFFFFLL));
    SetLastError(1234);
    EXPECT_EQ(INVALID_FILE_SIZE, GetFileSize(file, &high));
    EXPECT_EQ(0u, high);
    EXPECT_EQ(DWORD(NO_ERROR), GetLastError()) << "a real size, not a failure";
    CloseHandle(file);
}

TEST_F(FileIoTest, FullDiskGivesDiskFull) {
    HANDLE full = CreateFileA("/dev/full", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, full);
    DWORD written = 99;
    SetLastError(0);
    EXPECT_FALSE(WriteFile(full, "data", 4, &written, nullptr));
    EXPECT_EQ(DWORD(ERROR_DISK_FULL), GetLastError());
    EXPECT_EQ(0u, written);
    CloseHandle(full);
}

TEST_F(FileIoTest, OemNamesAreUtf8OnDisk) {
    unsigned saved = vbplatform::OemCodePage();
    vbplatform::SetOemCodePage(866);
    std::string oemName = tree_.Path("\x8F\xE0\xA8\xA2\xA5\xE2.txt");  // "Привет.txt" in 866
    HANDLE file = Open(oemName, GENERIC_WRITE, CREATE_NEW);
    vbplatform::SetOemCodePage(saved);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    CloseHandle(file);
    struct stat status {};
    EXPECT_EQ(0, stat(tree_.Path("\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82.txt").c_str(), &status));
}

TEST_F(FileIoTest, ReadOnlyMeansNoWriteBitForEveryone) {
    struct stat status {};
    ASSERT_EQ(0, stat(tree_.Path("readonly.txt").c_str(), &status));
    EXPECT_EQ(0u, status.st_mode & 0222);
    ASSERT_TRUE(SetFileAttributesA(tree_.Path("readonly.txt").c_str(), FILE_ATTRIBUTE_NORMAL));
    ASSERT_EQ(0, stat(tree_.Path("readonly.txt").c_str(), &status));
    EXPECT_NE(0u, status.st_mode & S_IWUSR);
}
#endif

}  // namespace
}  // namespace vbtest
