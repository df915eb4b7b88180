// Operations on entries by name: delete, remove and create directories,
// attributes, copy, move, and starting programs.
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "device_fixture.h"
#include "rapi.h"

namespace {

class EntryOperationTest : public DeviceTest {
protected:
    // The names of the storage's root as the disk spells them, sorted.
    std::vector<std::string> DiskNames() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(storage_))
            if (entry.path().filename().string().rfind(".vbdevice", 0) != 0)  // the metadata file
                names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    // A small tree: \dir\inner.txt, \empty, \plain.txt, \readonly.txt,
    // \rom.dll, \Storage Card (TEMPORARY), \locked (read-only folder).
    void MakeTree() {
        MakeDir("\\dir");
        MakeFile("\\dir\\inner.txt", "inner");
        MakeDir("\\empty");
        MakeFile("\\plain.txt", "plain");
        MakeFile("\\readonly.txt", "ro");
        MakeFile("\\rom.dll", "rom");
        MakeDir("\\Storage Card");
        MakeDir("\\locked");
        ASSERT_TRUE(vbdevice::SetEntryAttributes(VB_WTEXT("\\readonly.txt"), FILE_ATTRIBUTE_READONLY));
        ASSERT_TRUE(vbdevice::SetEntryAttributes(VB_WTEXT("\\rom.dll"),
                                                 FILE_ATTRIBUTE_INROM | FILE_ATTRIBUTE_READONLY));
        ASSERT_TRUE(vbdevice::SetEntryAttributes(VB_WTEXT("\\Storage Card"), FILE_ATTRIBUTE_TEMPORARY));
        ASSERT_TRUE(vbdevice::SetEntryAttributes(VB_WTEXT("\\locked"), FILE_ATTRIBUTE_READONLY));
    }
};

struct NameCase {
    const char* path;
    Expected outcome;
    bool goneAfterwards;
};

TEST_F(EntryOperationTest, DeleteFile) {
    MakeTree();
    HANDLE open = CeCreateFile(VB_WTEXT("\\dir\\inner.txt"), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               0, nullptr);
    ASSERT_NE(open, INVALID_HANDLE_VALUE);
    const NameCase cases[] = {
        {"\\PLAIN.TXT", kSucceeds, true},
        {"\\plain.txt", FailsWith(ERROR_FILE_NOT_FOUND), true},
        {"\\nodir\\plain.txt", FailsWith(ERROR_PATH_NOT_FOUND), true},
        {"\\dir\\inner.txt", FailsWith(ERROR_SHARING_VIOLATION), false},
        {"\\readonly.txt", FailsWith(ERROR_ACCESS_DENIED), false},
        {"\\rom.dll", FailsWith(ERROR_ACCESS_DENIED), false},
        {"\\empty", FailsWith(ERROR_ACCESS_DENIED), false},
        {"\\", FailsWith(ERROR_ACCESS_DENIED), false},
    };
    for (const NameCase& c : cases) {
        EXPECT_TRUE(Matches(Took(CeDeleteFile(W(c.path).c_str())), c.outcome)) << c.path;
        EXPECT_EQ(Exists(c.path), !c.goneAfterwards) << c.path;
    }
    CeCloseHandle(open);
    EXPECT_TRUE(Matches(Took(CeDeleteFile(VB_WTEXT("\\dir\\inner.txt"))), kSucceeds)) << "closed now";
}

TEST_F(EntryOperationTest, RemoveDirectory) {
    MakeTree();
    const NameCase cases[] = {
        {"\\EMPTY\\", kSucceeds, true},
        {"\\empty", FailsWith(ERROR_FILE_NOT_FOUND), true},
        {"\\nodir\\empty", FailsWith(ERROR_PATH_NOT_FOUND), true},
        {"\\dir", FailsWith(ERROR_DIR_NOT_EMPTY), false},
        {"\\plain.txt", FailsWith(267 /* ERROR_DIRECTORY */), false},
        {"\\locked", FailsWith(ERROR_ACCESS_DENIED), false},
        {"\\Storage Card", FailsWith(ERROR_ACCESS_DENIED), false},
        {"\\", FailsWith(ERROR_ACCESS_DENIED), false},
    };
    for (const NameCase& c : cases) {
        EXPECT_TRUE(Matches(Took(CeRemoveDirectory(W(c.path).c_str())), c.outcome)) << c.path;
        EXPECT_EQ(Exists(c.path), !c.goneAfterwards) << c.path;
    }
    ASSERT_TRUE(CeDeleteFile(VB_WTEXT("\\dir\\inner.txt")));
    EXPECT_TRUE(Matches(Took(CeRemoveDirectory(VB_WTEXT("\\dir"))), kSucceeds));
    EXPECT_FALSE(std::filesystem::exists(Disk("dir")));
}

TEST_F(EntryOperationTest, CreateDirectoryIsNotRecursive) {
    EXPECT_TRUE(Matches(Took(CeCreateDirectory(VB_WTEXT("\\a\\b"), nullptr)), FailsWith(ERROR_PATH_NOT_FOUND)));
    EXPECT_FALSE(std::filesystem::exists(Disk("a")));
    MakeFile("\\file", "");
    EXPECT_TRUE(Matches(Took(CeCreateDirectory(VB_WTEXT("\\file"), nullptr)), FailsWith(ERROR_ALREADY_EXISTS)));
    EXPECT_TRUE(Matches(Took(CeCreateDirectory(VB_WTEXT("\\file\\sub"), nullptr)),
                        FailsWith(ERROR_PATH_NOT_FOUND)));
    EXPECT_TRUE(Matches(Took(CeCreateDirectory(VB_WTEXT("\\a"), nullptr)), kSucceeds));
    EXPECT_TRUE(Matches(Took(CeCreateDirectory(VB_WTEXT("\\a\\b"), nullptr)), kSucceeds));
    EXPECT_TRUE(std::filesystem::is_directory(Disk("a/b")));
}

TEST_F(EntryOperationTest, AttributesAsTheDeviceReportsThem) {
    MakeTree();
    struct Case {
        const char* path;
        DWORD attributes;
    } cases[] = {
        {"\\", FILE_ATTRIBUTE_DIRECTORY},
        {"\\dir\\", FILE_ATTRIBUTE_DIRECTORY},
        {"\\plain.txt", FILE_ATTRIBUTE_ARCHIVE},
        {"\\readonly.txt", FILE_ATTRIBUTE_READONLY},
        {"\\rom.dll", FILE_ATTRIBUTE_INROM | FILE_ATTRIBUTE_READONLY},
        {"\\Storage Card", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_TEMPORARY},
    };
    for (const Case& c : cases) EXPECT_EQ(Attributes(c.path), c.attributes) << c.path;

    ASSERT_TRUE(vbdevice::SetEntryAttributes(VB_WTEXT("\\plain.txt"), 0));
    EXPECT_EQ(Attributes("\\plain.txt"), static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL)) << "a file with none";
    ASSERT_TRUE(vbdevice::SetEntryAttributes(VB_WTEXT("\\dir"), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    EXPECT_EQ(Attributes("\\dir"), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN |
                                                      FILE_ATTRIBUTE_SYSTEM));

    EXPECT_EQ(CeGetFileAttributes(VB_WTEXT("\\missing")), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(CeGetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(CeGetFileAttributes(VB_WTEXT("\\missing\\x")), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(CeGetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(CeGetFileAttributes(VB_WTEXT("\\plain.txt\\")), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(CeGetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME)) << "a file is no directory";
}

TEST_F(EntryOperationTest, CopyFile) {
    MakeTree();
    MakeFile("\\target.txt", "target");
    HANDLE exclusive = CeCreateFile(VB_WTEXT("\\dir\\inner.txt"), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                    nullptr);
    ASSERT_NE(exclusive, INVALID_HANDLE_VALUE);
    struct Case {
        const char* from;
        const char* to;
        BOOL failIfExists;
        Expected outcome;
        const char* targetContent;  // afterwards; null: no target
    } cases[] = {
        {"\\plain.txt", "\\copy.txt", TRUE, kSucceeds, "plain"},
        {"\\plain.txt", "\\target.txt", TRUE, FailsWith(ERROR_FILE_EXISTS), "target"},
        {"\\PLAIN.txt", "\\TARGET.TXT", FALSE, kSucceeds, "plain"},
        {"\\plain.txt", "\\readonly.txt", FALSE, FailsWith(ERROR_ACCESS_DENIED), "ro"},
        {"\\missing", "\\copy2.txt", TRUE, FailsWith(ERROR_FILE_NOT_FOUND), nullptr},
        {"\\nodir\\x", "\\copy3.txt", TRUE, FailsWith(ERROR_PATH_NOT_FOUND), nullptr},
        {"\\dir", "\\copy4", TRUE, FailsWith(ERROR_ACCESS_DENIED), nullptr},
        {"\\plain.txt", "\\nodir\\copy5.txt", TRUE, FailsWith(ERROR_PATH_NOT_FOUND), nullptr},
        {"\\plain.txt", "\\empty", FALSE, FailsWith(ERROR_ACCESS_DENIED), nullptr},
        {"\\dir\\inner.txt", "\\copy6.txt", TRUE, FailsWith(ERROR_SHARING_VIOLATION), nullptr},
        {"\\plain.txt", "\\plain.txt", FALSE, FailsWith(ERROR_SHARING_VIOLATION), "plain"},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(Matches(Took(CeCopyFile(W(c.from).c_str(), W(c.to).c_str(), c.failIfExists)), c.outcome))
            << c.from << " -> " << c.to;
        if (c.targetContent == nullptr) {
            if (std::string(c.to) != "\\empty") {
                EXPECT_FALSE(Exists(c.to)) << c.to;
            }
        } else {
            EXPECT_EQ(ReadAll(c.to), c.targetContent) << c.to;
        }
    }
    CeCloseHandle(exclusive);
    std::vector<std::string> names = DiskNames();
    EXPECT_NE(std::find(names.begin(), names.end(), "target.txt"), names.end())
        << "overwriting kept the target's spelling";
}

TEST_F(EntryOperationTest, CopyTakesAttributesAndTimesButNotTheRom) {
    MakeTree();
    const FILETIME c = vbdevice::MakeFileTime(125000000000000001ull);
    const FILETIME a = vbdevice::MakeFileTime(125000000000000002ull);
    const FILETIME w = vbdevice::MakeFileTime(125000000000000003ull);
    ASSERT_TRUE(vbdevice::SetEntryTimes(VB_WTEXT("\\rom.dll"), c, a, w));
    ASSERT_TRUE(CeCopyFile(VB_WTEXT("\\rom.dll"), VB_WTEXT("\\ram.dll"), TRUE));
    vbdevice::EntryInfo info;
    ASSERT_TRUE(vbdevice::GetEntryInfo(VB_WTEXT("\\ram.dll"), &info));
    EXPECT_EQ(info.attributes, static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(vbdevice::FileTimeTicks(info.creation), 125000000000000001ull);
    EXPECT_EQ(vbdevice::FileTimeTicks(info.lastAccess), 125000000000000002ull);
    EXPECT_EQ(vbdevice::FileTimeTicks(info.lastWrite), 125000000000000003ull);
    EXPECT_EQ(ReadAll("\\ram.dll"), "rom");
}

TEST_F(EntryOperationTest, MoveFile) {
    MakeTree();
    MakeFile("\\taken.txt", "taken");
    HANDLE open = CeCreateFile(VB_WTEXT("\\dir\\inner.txt"), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               0, nullptr);
    ASSERT_NE(open, INVALID_HANDLE_VALUE);
    struct Case {
        const char* from;
        const char* to;
        Expected outcome;
    } cases[] = {
        {"\\plain.txt", "\\taken.txt", FailsWith(ERROR_ALREADY_EXISTS)},
        {"\\plain.txt", "\\TAKEN.TXT", FailsWith(ERROR_ALREADY_EXISTS)},
        {"\\missing", "\\x", FailsWith(ERROR_FILE_NOT_FOUND)},
        {"\\nodir\\missing", "\\x", FailsWith(ERROR_PATH_NOT_FOUND)},
        {"\\plain.txt", "\\nodir\\x", FailsWith(ERROR_PATH_NOT_FOUND)},
        {"\\dir\\inner.txt", "\\x", FailsWith(ERROR_SHARING_VIOLATION)},
        {"\\dir", "\\y", FailsWith(ERROR_SHARING_VIOLATION)},  // a file inside is open
        {"\\empty", "\\empty\\sub", FailsWith(ERROR_ACCESS_DENIED)},
        {"\\rom.dll", "\\x.dll", FailsWith(ERROR_ACCESS_DENIED)},
        {"\\", "\\x", FailsWith(ERROR_ACCESS_DENIED)},
        {"\\plain.txt", "\\", FailsWith(ERROR_ALREADY_EXISTS)},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(Matches(Took(CeMoveFile(W(c.from).c_str(), W(c.to).c_str())), c.outcome))
            << c.from << " -> " << c.to;
    }
    EXPECT_EQ(ReadAll("\\plain.txt"), "plain");
    EXPECT_EQ(ReadAll("\\taken.txt"), "taken");
    CeCloseHandle(open);

    EXPECT_TRUE(Matches(Took(CeMoveFile(VB_WTEXT("\\plain.txt"), VB_WTEXT("\\empty\\moved.txt"))), kSucceeds));
    EXPECT_FALSE(Exists("\\plain.txt"));
    EXPECT_EQ(ReadAll("\\empty\\moved.txt"), "plain");
    EXPECT_TRUE(Matches(Took(CeMoveFile(VB_WTEXT("\\readonly.txt"), VB_WTEXT("\\ro.txt"))), kSucceeds))
        << "a read-only file may be renamed";
}

TEST_F(EntryOperationTest, MoveCarriesADirectoryWithWhatItKeeps) {
    MakeTree();
    MakeDir("\\dir\\sub");
    MakeFile("\\dir\\sub\\deep.txt", "deep");
    ASSERT_TRUE(vbdevice::SetEntryAttributes(VB_WTEXT("\\dir\\sub\\deep.txt"), FILE_ATTRIBUTE_HIDDEN));
    const FILETIME t = vbdevice::MakeFileTime(126000000000000000ull);
    ASSERT_TRUE(vbdevice::SetEntryTimes(VB_WTEXT("\\dir\\sub\\deep.txt"), t, t, t));

    ASSERT_TRUE(Matches(Took(CeMoveFile(VB_WTEXT("\\dir"), VB_WTEXT("\\empty\\renamed"))), kSucceeds));
    EXPECT_FALSE(Exists("\\dir"));
    vbdevice::EntryInfo info;
    ASSERT_TRUE(vbdevice::GetEntryInfo(VB_WTEXT("\\empty\\renamed\\sub\\deep.txt"), &info));
    EXPECT_EQ(info.attributes, static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(vbdevice::FileTimeTicks(info.lastWrite), 126000000000000000ull);
    EXPECT_EQ(ReadAll("\\empty\\renamed\\inner.txt"), "inner");

    // A name taken again gets nothing of what the old entry kept.
    MakeDir("\\dir");
    MakeDir("\\dir\\sub");
    MakeFile("\\dir\\sub\\deep.txt", "new");
    EXPECT_EQ(Attributes("\\dir\\sub\\deep.txt"), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
}

TEST_F(EntryOperationTest, MoveMayChangeOnlyTheCase) {
    MakeFile("\\readme.txt", "text");
    ASSERT_TRUE(Matches(Took(CeMoveFile(VB_WTEXT("\\readme.txt"), VB_WTEXT("\\ReadMe.TXT"))), kSucceeds));
    // The spelling the disk lists: a disk that ignores case finds either.
    EXPECT_EQ(DiskNames(), (std::vector<std::string>{"ReadMe.TXT"}));
    EXPECT_TRUE(Matches(Took(CeMoveFile(VB_WTEXT("\\ReadMe.TXT"), VB_WTEXT("\\ReadMe.TXT"))),
                        FailsWith(ERROR_ALREADY_EXISTS)));
}

class CreateProcessTest : public DeviceTest {
protected:
    Outcome Launch(const DeviceString& program, PROCESS_INFORMATION* pi) {
        return Took(CeCreateProcess(program.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                    nullptr, pi));
    }
};

TEST_F(CreateProcessTest, StartsExistingProgramsAndRecordsThem) {
    MakeDir("\\Windows");
    MakeFile("\\Windows\\calc.exe", "MZ");
    MakeFile("\\Windows\\notes.txt", "");
    PROCESS_INFORMATION pi{};
    EXPECT_TRUE(Matches(Launch(VB_WTEXT("\\Windows\\CALC.EXE"), &pi), kSucceeds));
    EXPECT_NE(pi.hProcess, nullptr);
    EXPECT_NE(pi.hThread, nullptr);
    EXPECT_NE(pi.dwProcessId, 0u);
    EXPECT_NE(pi.dwThreadId, 0u);
    EXPECT_EQ(vbdevice::OpenHandleCount(), 0u) << "process handles are not file handles";
    EXPECT_TRUE(Matches(Launch(VB_WTEXT("\\windows\\calc"), &pi), kSucceeds)) << ".exe appended";
    EXPECT_TRUE(Matches(Launch(VB_WTEXT("\\Windows\\notes.txt"), &pi), kSucceeds)) << "an extension is kept";
    EXPECT_TRUE(Matches(Launch(VB_WTEXT("\\Windows\\missing.exe"), &pi), FailsWith(ERROR_FILE_NOT_FOUND)));
    EXPECT_TRUE(Matches(Launch(VB_WTEXT("\\nodir\\calc.exe"), &pi), FailsWith(ERROR_FILE_NOT_FOUND)));
    EXPECT_TRUE(Matches(Launch(VB_WTEXT("\\Windows"), &pi), FailsWith(ERROR_FILE_NOT_FOUND)))
        << "\\Windows.exe is no program";
    const std::vector<DeviceString> expected = {VB_WTEXT("\\Windows\\CALC.EXE"), VB_WTEXT("\\windows\\calc.exe"),
                                                VB_WTEXT("\\Windows\\notes.txt")};
    EXPECT_EQ(vbdevice::LaunchedPrograms(), expected);
    EXPECT_TRUE(CeCloseHandle(pi.hProcess));
}

TEST_F(CreateProcessTest, RefusesWhatTheDeviceDoesNotSupport) {
    MakeFile("\\p.exe", "MZ");
    SECURITY_ATTRIBUTES security{};
    WCHAR directory[] = VB_WTEXT("\\");
    char environment[] = "A=1\0";
    PROCESS_INFORMATION pi{};
    auto startup = reinterpret_cast<LPSTARTUPINFOW>(&security);
    const DeviceString program = VB_WTEXT("\\p.exe");
    const LPCWSTR p = program.c_str();
    const std::function<BOOL()> calls[] = {
        [&] { return CeCreateProcess(nullptr, p, nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr, &pi); },
        [&] { return CeCreateProcess(p, nullptr, &security, nullptr, FALSE, 0, nullptr, nullptr, nullptr, &pi); },
        [&] { return CeCreateProcess(p, nullptr, nullptr, &security, FALSE, 0, nullptr, nullptr, nullptr, &pi); },
        [&] { return CeCreateProcess(p, nullptr, nullptr, nullptr, TRUE, 0, nullptr, nullptr, nullptr, &pi); },
        [&] { return CeCreateProcess(p, nullptr, nullptr, nullptr, FALSE, 0, environment, nullptr, nullptr, &pi); },
        [&] { return CeCreateProcess(p, nullptr, nullptr, nullptr, FALSE, 0, nullptr, directory, nullptr, &pi); },
        [&] { return CeCreateProcess(p, nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, startup, &pi); },
    };
    for (const auto& call : calls) EXPECT_TRUE(Matches(Took(call()), FailsWith(ERROR_INVALID_PARAMETER)));
    EXPECT_TRUE(vbdevice::LaunchedPrograms().empty());
    EXPECT_TRUE(Matches(Took(CeCreateProcess(p, nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr,
                                             &pi)),
                        kSucceeds));
}

}  // namespace
