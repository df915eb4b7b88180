// The device's path rules: one root, no relative paths, MAX_PATH, refused
// characters, names matched without regard to case.
#include <fstream>

#include "device_fixture.h"
#include "rapi.h"

namespace {

using PathRulesTest = DeviceTest;

struct PathCase {
    DeviceString path;
    Expected createDirectory;
    const char* why;
};

DeviceString WithUnit(const char* before, WCHAR unit, const char* after) {
    return W(before) + unit + W(after);
}

TEST_F(PathRulesTest, CreateDirectoryChecksThePathFirst) {
    MakeDir("\\exists");
    const PathCase cases[] = {
        {W("\\new"), kSucceeds, "a plain name below the root"},
        {W("\\exists\\sub\\"), kSucceeds, "a trailing backslash on a directory"},
        {W("new2"), FailsWith(ERROR_INVALID_NAME), "relative"},
        {W("C:\\new3"), FailsWith(ERROR_INVALID_NAME), "a drive letter"},
        {W(""), FailsWith(ERROR_PATH_NOT_FOUND), "empty"},
        {W("\\\\new4"), FailsWith(ERROR_INVALID_NAME), "a doubled backslash in front"},
        {W("\\exists\\\\new5"), FailsWith(ERROR_INVALID_NAME), "an empty component"},
        {W("\\."), FailsWith(ERROR_INVALID_NAME), "dot"},
        {W("\\exists\\..\\new6"), FailsWith(ERROR_INVALID_NAME), "dot-dot"},
        {W("\\a*b"), FailsWith(ERROR_INVALID_NAME), "*"},
        {W("\\a?b"), FailsWith(ERROR_INVALID_NAME), "?"},
        {W("\\a<b"), FailsWith(ERROR_INVALID_NAME), "<"},
        {W("\\a>b"), FailsWith(ERROR_INVALID_NAME), ">"},
        {W("\\a:b"), FailsWith(ERROR_INVALID_NAME), ":"},
        {W("\\a\"b"), FailsWith(ERROR_INVALID_NAME), "quote"},
        {W("\\a|b"), FailsWith(ERROR_INVALID_NAME), "|"},
        {W("\\a/b"), FailsWith(ERROR_INVALID_NAME), "/"},
        {WithUnit("\\a", 0x1F, "b"), FailsWith(ERROR_INVALID_NAME), "a control character"},
        {WithUnit("\\a", 0x01, ""), FailsWith(ERROR_INVALID_NAME), "character 1"},
        {WithUnit("\\a", 0xD800, "b"), FailsWith(ERROR_INVALID_NAME), "a lone surrogate"},
        {W("\\missing\\new7"), FailsWith(ERROR_PATH_NOT_FOUND), "a missing parent"},
        {W("\\exists"), FailsWith(ERROR_ALREADY_EXISTS), "exists"},
        {W("\\EXISTS"), FailsWith(ERROR_ALREADY_EXISTS), "exists in another case"},
        {W("\\"), FailsWith(ERROR_ALREADY_EXISTS), "the root"},
        {W("\\ name with spaces & $#@!'()[]{}~^%+=,;"), kSucceeds, "characters a device takes"},
    };
    for (const PathCase& c : cases) {
        EXPECT_TRUE(Matches(Took(CeCreateDirectory(c.path.c_str(), nullptr)), c.createDirectory)) << c.why;
    }
    // Nothing refused reached the disk.
    std::size_t entries = 0;
    for (const auto& item : std::filesystem::directory_iterator(storage_)) {
        if (item.path().filename().string()[0] != '.') ++entries;
    }
    EXPECT_EQ(entries, 3u);  // exists, new, the one with spaces
}

TEST_F(PathRulesTest, PathsOfAtMostMaxPathCharacters) {
    // Components of 100 characters: the disk's own limit on a name stays far.
    std::string first = "\\" + std::string(100, 'a');
    std::string second = first + "\\" + std::string(100, 'b');
    MakeDir(first);
    MakeDir(second);
    std::string at260 = second + "\\" + std::string(57, 'c');
    std::string at261 = second + "\\" + std::string(58, 'c');
    ASSERT_EQ(at260.size(), 260u);
    EXPECT_TRUE(Matches(Took(CeCreateDirectory(W(at260).c_str(), nullptr)), kSucceeds));
    EXPECT_TRUE(Matches(Took(CeCreateDirectory(W(at261).c_str(), nullptr)), FailsWith(ERROR_FILENAME_EXCED_RANGE)));
    EXPECT_EQ(CeGetFileAttributes(W(at261).c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(CeGetLastError(), static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
    HANDLE file = CeCreateFile(W(at261).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    EXPECT_TRUE(Matches(TookHandle(file), FailsWith(ERROR_FILENAME_EXCED_RANGE)));
}

TEST_F(PathRulesTest, NamesMatchWithoutRegardToCase) {
    MakeDir("\\Folder");
    MakeFile("\\Folder\\Read Me.TXT", "first");
    EXPECT_NE(Attributes("\\FOLDER\\read me.txt"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(ReadAll("\\fOLDER\\READ ME.txt"), "first");

    // Creating "FOO" where "foo" exists addresses "foo": no second entry.
    MakeFile("\\folder\\READ ME.TXT", "second");
    EXPECT_EQ(DiskFileContent("Folder/Read Me.TXT"), "second");
    std::size_t entries = 0;
    for (const auto& item : std::filesystem::directory_iterator(Disk("Folder"))) {
        (void)item;
        ++entries;
    }
    EXPECT_EQ(entries, 1u);
    EXPECT_TRUE(Matches(Took(CeDeleteFile(VB_WTEXT("\\FOLDER\\READ ME.TXT"))), kSucceeds));
    EXPECT_FALSE(std::filesystem::exists(Disk("Folder/Read Me.TXT")));
}

TEST_F(PathRulesTest, CaseFoldingCoversNonLatinLettersAndNamesAreUtf8OnDisk) {
    const DeviceString lower = VB_WTEXT("\\папка été");
    const DeviceString upper = VB_WTEXT("\\ПАПКА ÉTÉ");
    ASSERT_TRUE(CeCreateDirectory(lower.c_str(), nullptr));
    EXPECT_TRUE(Matches(Took(CeCreateDirectory(upper.c_str(), nullptr)), FailsWith(ERROR_ALREADY_EXISTS)));
    EXPECT_EQ(CeGetFileAttributes(upper.c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_TRUE(std::filesystem::is_directory(storage_ / std::filesystem::u8path("папка été")));
}

TEST_F(PathRulesTest, EntriesDroppedOntoTheDiskInAnyCaseAreFound) {
    PutDiskFile("Windows/Calc.EXE", "program");
    EXPECT_EQ(ReadAll("\\WINDOWS\\calc.exe"), "program");
    EXPECT_EQ(Attributes("\\windows"), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(Attributes("\\windows\\CALC.exe"), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(vbdevice::DiskPathOf(VB_WTEXT("\\WINDOWS\\CALC.EXE")), Disk("Windows/Calc.EXE"));
}

TEST_F(PathRulesTest, TheMetadataFileIsNoEntryOfTheDevice) {
    EXPECT_FALSE(vbdevice::SetEntryAttributes(VB_WTEXT("\\"), FILE_ATTRIBUTE_HIDDEN)) << "not the root";
    MakeFile("\\f", "x");
    ASSERT_TRUE(vbdevice::SetEntryAttributes(VB_WTEXT("\\f"), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(std::filesystem::exists(Disk(".vbdevice-metadata")));
    EXPECT_EQ(Attributes("\\.vbdevice-metadata"), INVALID_FILE_ATTRIBUTES);
    HANDLE file = CeCreateFile(VB_WTEXT("\\.VBDEVICE-METADATA"), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                               nullptr);
    EXPECT_TRUE(Matches(TookHandle(file), FailsWith(ERROR_ACCESS_DENIED)));
    EXPECT_TRUE(Matches(Took(CeDeleteFile(VB_WTEXT("\\.vbdevice-metadata"))), FailsWith(ERROR_ACCESS_DENIED)));
}

}  // namespace
