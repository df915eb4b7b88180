// File endpoints on both sides: names built from a base directory, closing
// and deleting with their trace lines, and removal of files and directories.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "engine_fixture.h"
#include "transfer/file_endpoint.h"

namespace fs = std::filesystem;

namespace {

class Endpoints : public EngineScenario {
protected:
    void SetUp() override {
        EngineScenario::SetUp();
        Trace();
    }

    HANDLE OpenDevice(const std::string& path) {
        vbdevice::DeviceString wide = Wide(path);
        HANDLE handle = CeCreateFile(wide.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_NE(handle, INVALID_HANDLE_VALUE);
        return handle;
    }

    void MakeLocalFile(const std::string& name) { std::ofstream(LocalPath(name)) << "local"; }

    static const std::vector<std::string> Closed;
};

const std::vector<std::string> Endpoints::Closed = {"Closed CE handle\n"};

TEST_F(Endpoints, DeviceDeleteClosesFirstThenTracesThePath) {
    MakeDeviceFile("\\f.txt", "data");
    vbdevice::DeviceString name = Wide("\\f.txt");
    DeviceFile file(OpenDevice("\\f.txt"), name.c_str());
    EXPECT_TRUE(file.Delete());
    EXPECT_EQ(Trace(), (std::vector<std::string>{"Closed CE handle\n", "\\f.txt"}));
    EXPECT_FALSE(DeviceEntryExists("\\f.txt"));
    EXPECT_EQ(vbdevice::OpenHandleCount(), 0u);
    // A second time there is nothing to close, and nothing to delete.
    EXPECT_FALSE(file.Delete());
    EXPECT_EQ(Trace(), (std::vector<std::string>{"\\f.txt"}));
}

TEST_F(Endpoints, DeviceDeleteByNameClosesNothing) {
    MakeDeviceFile("\\f.txt", "data");
    DeviceFile file("f.txt", NameInDir, "\\");
    EXPECT_TRUE(file.Delete());
    EXPECT_EQ(Trace(), (std::vector<std::string>{"\\f.txt"}));
    EXPECT_FALSE(DeviceEntryExists("\\f.txt"));
}

TEST_F(Endpoints, CloseTwiceClosesOnceAndDestroyingLeavesTheBorrowedName) {
    MakeDeviceFile("\\f.txt", "data");
    vbdevice::DeviceString name = Wide("\\f.txt");
    {
        DeviceFile file(OpenDevice("\\f.txt"), name.c_str());
        file.Close();
        file.Close();
        EXPECT_EQ(file.Handle, nullptr);
    }
    EXPECT_EQ(Trace(), Closed);
    {
        DeviceFile file(OpenDevice("\\f.txt"), name.c_str());
    }
    EXPECT_EQ(Trace(), Closed) << "destroying an open endpoint closes it";
    EXPECT_EQ(vbdevice::OpenHandleCount(), 0u);
    EXPECT_EQ(name, Wide("\\f.txt"));
    EXPECT_TRUE(DeviceEntryExists("\\f.txt"));
}

TEST_F(Endpoints, LocalHandleIsClosedOnceWithoutTrace) {
    MakeLocalFile("a.txt");
    std::string path = LocalPath("a.txt");
    auto openExclusive = [&] {
        return CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    {
        LocalFile file(openExclusive(), path.c_str());
        EXPECT_EQ(openExclusive(), INVALID_HANDLE_VALUE) << "held open by the endpoint";
        file.Close();
        file.Close();
        HANDLE again = openExclusive();
        EXPECT_NE(again, INVALID_HANDLE_VALUE);
        CloseHandle(again);
    }
    {
        LocalFile file(openExclusive(), path.c_str());
    }
    HANDLE after = openExclusive();
    EXPECT_NE(after, INVALID_HANDLE_VALUE) << "destroying an open endpoint closes it";
    CloseHandle(after);
    EXPECT_TRUE(Trace().empty());
}

struct JoinCase {
    const char* baseDir;
    const char* name;
    vbdevice::DeviceString expected;
};

class DeviceNames : public Endpoints, public ::testing::WithParamInterface<JoinCase> {};

TEST_P(DeviceNames, JoinTheBaseDirectoryWithOneBackslash) {
    DeviceFile file(GetParam().name, NameInDir, GetParam().baseDir);
    EXPECT_EQ(file.OwnsName, 1);
    EXPECT_EQ(vbdevice::DeviceString(file.Path()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Table, DeviceNames,
                         ::testing::Values(JoinCase{"\\", "f.txt", Wide("\\f.txt")},
                                           JoinCase{"\\A\\", "b", Wide("\\A\\b")},
                                           JoinCase{"\\A", "b", Wide("\\A\\b")},
                                           // OEM 0x8E is A with diaeresis in code page 437.
                                           JoinCase{"\\", "\x8E.txt", VB_WTEXT("\\\u00C4.txt")}));

TEST_F(Endpoints, DeviceNameOfAnotherModeIsBorrowed) {
    const WCHAR name[] = VB_WTEXT("\\x.txt");
    DeviceFile file(reinterpret_cast<const char*>(name), NameFull, nullptr);
    EXPECT_EQ(file.OwnsName, 0);
    EXPECT_EQ(file.Path(), name);
}

TEST_F(Endpoints, LocalNamesAreFullPaths) {
    char saved[1024];
    ASSERT_GT(GetCurrentDirectoryA(sizeof saved, saved), 0u);
    ASSERT_TRUE(SetCurrentDirectoryA(local_.c_str()));
    LocalFile relative("rel.txt", NameFull, nullptr);
    SetCurrentDirectoryA(saved);
    EXPECT_EQ(std::string(relative.Path()), LocalPath("rel.txt"));
    EXPECT_EQ(relative.OwnsName, 1);

    LocalFile inDir("b.txt", NameInDir, local_.c_str());
    LocalFile inDirWithSlash("b.txt", NameInDir, (local_ + "/").c_str());
    EXPECT_EQ(std::string(inDir.Path()), LocalPath("b.txt"));
    EXPECT_EQ(std::string(inDirWithSlash.Path()), LocalPath("b.txt"));

    const char borrowed[] = "as-is.txt";
    LocalFile other(borrowed, 1, nullptr);
    EXPECT_EQ(other.Path(), borrowed);
    EXPECT_EQ(other.OwnsName, 0);
}

enum class Entry { File, EmptyDir, Missing };

struct RemoveCase {
    const char* name;
    bool device;
    Entry entry;
    int allowDir, skip;
    bool removed;
};

class Removal : public Endpoints, public ::testing::WithParamInterface<RemoveCase> {};

TEST_P(Removal, FollowsSkipAllowDirAndTheKindOfItem) {
    const RemoveCase& c = GetParam();
    if (c.entry == Entry::File) {
        if (c.device)
            MakeDeviceFile("\\item", "data");
        else
            MakeLocalFile("item");
    } else if (c.entry == Entry::EmptyDir) {
        if (c.device)
            MakeDeviceDir("\\item");
        else
            fs::create_directory(LocalPath("item"));
    }
    auto exists = [&] { return c.device ? DeviceEntryExists("\\item") : fs::exists(LocalPath("item")); };
    FileEndpoint* endpoint = c.device ? static_cast<FileEndpoint*>(new DeviceFile("item", NameInDir, "\\"))
                                      : new LocalFile("item", NameInDir, local_.c_str());
    vbdevice::ResetCallCounts();
    int result = endpoint->RemoveEndpointItem(c.allowDir, c.skip);
    delete endpoint;
    EXPECT_EQ(result != 0, c.removed);
    EXPECT_EQ(exists(), c.entry != Entry::Missing && !c.removed);
    if (c.skip && c.device) {
        EXPECT_EQ(vbdevice::CallCount(vbdevice::Operation::CeGetFileAttributes), 0u) << "IsDir is not asked";
    }
    // A missing name counts as a directory, so RemoveDir is tried.
    if (c.entry == Entry::Missing && c.device) {
        EXPECT_EQ(vbdevice::CallCount(vbdevice::Operation::CeRemoveDirectory), 1u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, Removal,
    ::testing::Values(RemoveCase{"DeviceFile", true, Entry::File, 1, 0, true},
                      RemoveCase{"DeviceDir", true, Entry::EmptyDir, 1, 0, true},
                      RemoveCase{"DeviceDirNotAllowed", true, Entry::EmptyDir, 0, 0, false},
                      RemoveCase{"DeviceSkip", true, Entry::File, 1, 1, false},
                      RemoveCase{"DeviceMissing", true, Entry::Missing, 1, 0, false},
                      RemoveCase{"LocalFile", false, Entry::File, 1, 0, true},
                      RemoveCase{"LocalDir", false, Entry::EmptyDir, 1, 0, true},
                      RemoveCase{"LocalDirNotAllowed", false, Entry::EmptyDir, 0, 0, false},
                      RemoveCase{"LocalSkip", false, Entry::File, 1, 1, false},
                      RemoveCase{"LocalMissing", false, Entry::Missing, 1, 0, false}),
    [](const ::testing::TestParamInfo<RemoveCase>& info) { return std::string(info.param.name); });

// The error box prefers the thread's own error to the device's: a failed
// device call must not leave a stale one there.
TEST_F(Endpoints, FailedDeviceCallsLeaveTheDevicesErrorToBeRead) {
    MakeDeviceFile("\\f.txt", "data");
    vbdevice::DeviceString name = Wide("\\f.txt");
    DeviceFile file(OpenDevice("\\f.txt"), name.c_str());
    char buffer[4];
    DWORD moved = 0;
    SetLastError(ERROR_NO_MORE_FILES);
    EXPECT_FALSE(file.Write(buffer, sizeof buffer, &moved)) << "opened for reading only";
    EXPECT_EQ(GetLastError(), 0u);
    EXPECT_EQ(CeGetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    file.Close();
    DeviceFile missing("missing.txt", NameInDir, "\\");
    SetLastError(ERROR_NO_MORE_FILES);
    EXPECT_FALSE(missing.Delete());
    EXPECT_EQ(GetLastError(), 0u);
    EXPECT_EQ(CeGetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(Endpoints, MissingNamesAnswerIsDir) {
    DeviceFile device("nothing", NameInDir, "\\");
    LocalFile local("nothing", NameInDir, local_.c_str());
    EXPECT_EQ(device.IsDir(), 1);
    EXPECT_EQ(local.IsDir(), 1);
}

TEST_F(Endpoints, LocalSizeSaysWhenItDoesNotFit32Bits) {
    MakeLocalFile("big.bin");
    fs::resize_file(LocalPath("big.bin"), (uint64_t{1} << 32) + 10);
    // Shared for writing, so that the file can be resized while it is open.
    HANDLE handle = CreateFileA(LocalPath("big.bin").c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    std::string name = LocalPath("big.bin");
    LocalFile big(handle, name.c_str());
    EXPECT_EQ(big.Size(), 10u) << "the low 32 bits";
    EXPECT_FALSE(big.SizeFits32Bits());
    fs::resize_file(LocalPath("big.bin"), 0xFFFFFFFFu);
    EXPECT_TRUE(big.SizeFits32Bits());
    EXPECT_EQ(big.Size(), 0xFFFFFFFFu);
}

}  // namespace
