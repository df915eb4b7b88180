// File times and attributes: exact round trips, what writes change, and
// what a restart of the process keeps.
#include <fstream>

#include "device_fixture.h"
#include "rapi.h"

namespace {

class TimesTest : public DeviceTest {
protected:
    // What a new process does: open the storage folder afresh from its files.
    void Restart() {
        vbdevice::Reset();
        vbdevice::SetStorageFolder(storage_ / "elsewhere");
        vbdevice::SetStorageFolder(storage_);
        std::filesystem::remove_all(storage_ / "elsewhere");
        Connect();
    }

    static std::uint64_t Ticks(const FILETIME& t) { return vbdevice::FileTimeTicks(t); }

    vbdevice::EntryInfo Info(const char* path) {
        vbdevice::EntryInfo info;
        EXPECT_TRUE(vbdevice::GetEntryInfo(W(path).c_str(), &info)) << path;
        return info;
    }
};

const std::uint64_t kCreated = 128000000000000001ull;  // odd values: no rounding anywhere
const std::uint64_t kAccessed = 128000000000000203ull;
const std::uint64_t kWritten = 128000000000030405ull;

TEST_F(TimesTest, SetFileTimeSetsAllThreeExactly) {
    HANDLE file = CeCreateFile(VB_WTEXT("\\f"), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    const FILETIME c = vbdevice::MakeFileTime(kCreated), a = vbdevice::MakeFileTime(kAccessed),
                   w = vbdevice::MakeFileTime(kWritten);
    ASSERT_TRUE(Matches(Took(CeSetFileTime(file, &c, &a, &w)), kSucceeds));
    FILETIME gc{}, ga{}, gw{};
    ASSERT_TRUE(CeGetFileTime(file, &gc, &ga, &gw));
    EXPECT_EQ(Ticks(gc), kCreated);
    EXPECT_EQ(Ticks(ga), kAccessed);
    EXPECT_EQ(Ticks(gw), kWritten);
    // Writing after the times were set leaves them, as on Win32.
    DWORD written = 0;
    ASSERT_TRUE(CeWriteFile(file, "data", 4, &written, nullptr));
    ASSERT_TRUE(CeCloseHandle(file));
    vbdevice::EntryInfo info = Info("\\f");
    EXPECT_EQ(Ticks(info.creation), kCreated);
    EXPECT_EQ(Ticks(info.lastAccess), kAccessed);
    EXPECT_EQ(Ticks(info.lastWrite), kWritten);
}

TEST_F(TimesTest, NullTimesAreLeftAsTheyWere) {
    MakeFile("\\f", "x");
    ASSERT_TRUE(vbdevice::SetEntryTimes(VB_WTEXT("\\f"), vbdevice::MakeFileTime(kCreated),
                                        vbdevice::MakeFileTime(kAccessed), vbdevice::MakeFileTime(kWritten)));
    HANDLE file = CeCreateFile(VB_WTEXT("\\f"), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    const FILETIME w = vbdevice::MakeFileTime(kWritten + 1);
    ASSERT_TRUE(CeSetFileTime(file, nullptr, nullptr, &w));
    CeCloseHandle(file);
    vbdevice::EntryInfo info = Info("\\f");
    EXPECT_EQ(Ticks(info.creation), kCreated);
    EXPECT_EQ(Ticks(info.lastAccess), kAccessed);
    EXPECT_EQ(Ticks(info.lastWrite), kWritten + 1);
}

TEST_F(TimesTest, SetFileTimeNeedsAHandleOpenForWriting) {
    MakeFile("\\f", "x");
    HANDLE file = CeCreateFile(VB_WTEXT("\\f"), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    const FILETIME t = vbdevice::MakeFileTime(kWritten);
    EXPECT_TRUE(Matches(Took(CeSetFileTime(file, &t, &t, &t)), FailsWith(ERROR_ACCESS_DENIED)));
    FILETIME c{};
    EXPECT_TRUE(Matches(Took(CeGetFileTime(file, &c, nullptr, nullptr)), kSucceeds));
    CeCloseHandle(file);
    EXPECT_TRUE(Matches(Took(CeGetFileTime(file, &c, nullptr, nullptr)), FailsWith(ERROR_INVALID_HANDLE)));
    EXPECT_TRUE(Matches(Took(CeSetFileTime(file, &t, &t, &t)), FailsWith(ERROR_INVALID_HANDLE)));
}

TEST_F(TimesTest, WritingMovesTheWriteTimeAndSetsArchive) {
    MakeFile("\\f", "x");
    ASSERT_TRUE(vbdevice::SetEntryAttributes(VB_WTEXT("\\f"), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(vbdevice::SetEntryTimes(VB_WTEXT("\\f"), vbdevice::MakeFileTime(kCreated),
                                        vbdevice::MakeFileTime(kAccessed), vbdevice::MakeFileTime(kWritten)));
    HANDLE file = CeCreateFile(VB_WTEXT("\\f"), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ASSERT_TRUE(CeWriteFile(file, "y", 1, &written, nullptr));
    CeCloseHandle(file);
    vbdevice::EntryInfo info = Info("\\f");
    EXPECT_EQ(Ticks(info.creation), kCreated);
    EXPECT_GT(Ticks(info.lastWrite), kWritten);
    EXPECT_EQ(info.attributes, static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
}

TEST_F(TimesTest, ARestartKeepsAttributesAndTimes) {
    MakeDir("\\Storage Card");
    MakeFile("\\Storage Card\\f", "x");
    MakeFile("\\gone", "x");
    MakeFile("\\old name", "x");
    ASSERT_TRUE(vbdevice::SetEntryAttributes(VB_WTEXT("\\Storage Card"), FILE_ATTRIBUTE_TEMPORARY));
    for (const char* path : {"\\Storage Card\\f", "\\gone", "\\old name"}) {
        ASSERT_TRUE(vbdevice::SetEntryAttributes(W(path).c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM));
        ASSERT_TRUE(vbdevice::SetEntryTimes(W(path).c_str(), vbdevice::MakeFileTime(kCreated),
                                            vbdevice::MakeFileTime(kAccessed), vbdevice::MakeFileTime(kWritten)));
    }
    ASSERT_TRUE(CeMoveFile(VB_WTEXT("\\old name"), VB_WTEXT("\\new name")));
    ASSERT_TRUE(vbdevice::SetEntryAttributes(VB_WTEXT("\\gone"), 0));
    ASSERT_TRUE(CeDeleteFile(VB_WTEXT("\\gone")));

    Restart();
    EXPECT_EQ(Attributes("\\Storage Card"), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_TEMPORARY));
    for (const char* path : {"\\Storage Card\\f", "\\new name"}) {
        vbdevice::EntryInfo info = Info(path);
        EXPECT_EQ(info.attributes, static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM)) << path;
        EXPECT_EQ(Ticks(info.creation), kCreated) << path;
        EXPECT_EQ(Ticks(info.lastAccess), kAccessed) << path;
        EXPECT_EQ(Ticks(info.lastWrite), kWritten) << path;
    }
    PutDiskFile("gone", "back");
    EXPECT_EQ(Attributes("\\gone"), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE)) << "nothing of the deleted entry";
}

TEST_F(TimesTest, TimesOfWritesReachTheJournalAtClose) {
    HANDLE file = CeCreateFile(VB_WTEXT("\\f"), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(vbdevice::SetEntryTimes(VB_WTEXT("\\f"), vbdevice::MakeFileTime(kCreated),
                                        vbdevice::MakeFileTime(kAccessed), vbdevice::MakeFileTime(kWritten)));
    DWORD written = 0;
    ASSERT_TRUE(CeWriteFile(file, "abc", 3, &written, nullptr));
    const std::uint64_t afterWrite = Ticks(Info("\\f").lastWrite);
    ASSERT_GT(afterWrite, kWritten);
    ASSERT_TRUE(CeCloseHandle(file));
    Restart();
    EXPECT_EQ(Ticks(Info("\\f").lastWrite), afterWrite);
}

TEST_F(TimesTest, TheJournalSurvivesManyChangesAndATornLastLine) {
    MakeFile("\\f", "x");
    MakeFile("\\g", "x");
    ASSERT_TRUE(vbdevice::SetEntryAttributes(VB_WTEXT("\\g"), FILE_ATTRIBUTE_HIDDEN));
    // Enough changes of one entry to make the journal rewrite itself.
    for (std::uint64_t i = 0; i < 6000; ++i) {
        const FILETIME t = vbdevice::MakeFileTime(kCreated + i);
        ASSERT_TRUE(vbdevice::SetEntryTimes(VB_WTEXT("\\f"), t, t, t));
    }
    vbdevice::Reset();
    const std::uintmax_t journalSize = std::filesystem::file_size(Disk(".vbdevice-metadata"));
    EXPECT_LT(journalSize, 4096u * 200) << "it was compacted";
    {
        std::ofstream torn(Disk(".vbdevice-metadata"), std::ios::app | std::ios::binary);
        torn << "S 00000002 1280";  // a crash in the middle of a line
    }
    Restart();
    EXPECT_EQ(Ticks(Info("\\f").lastWrite), kCreated + 5999);
    EXPECT_EQ(Attributes("\\g"), static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));
}

}  // namespace
