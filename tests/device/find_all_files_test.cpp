// CeFindAllFiles: the fields the flags ask for, patterns, filters, order, and
// the arrays it hands out.
#include <algorithm>
#include <fstream>
#include <memory>
#include <vector>

#include "device_fixture.h"
#include "rapi.h"

namespace {

struct Listing {
    BOOL ok = FALSE;
    DWORD error = 0;
    std::vector<CE_FIND_DATA> entries;
};

class FindAllFilesTest : public DeviceTest {
protected:
    Listing Find(const DeviceString& path, DWORD flags = 0xBF) {
        Listing listing;
        DWORD count = 12345;
        LPCE_FIND_DATA array = reinterpret_cast<LPCE_FIND_DATA>(this);
        listing.ok = CeFindAllFiles(path.c_str(), flags, &count, &array);
        listing.error = CeGetLastError();
        if (listing.ok && count > 0) {
            EXPECT_NE(array, nullptr);
            listing.entries.assign(array, array + count);
            EXPECT_EQ(CeRapiFreeBuffer(array), S_OK);
        } else {
            EXPECT_EQ(count, 0u);
            EXPECT_EQ(array, nullptr);
        }
        return listing;
    }

    static std::vector<DeviceString> Names(const Listing& listing) {
        std::vector<DeviceString> names;
        for (const CE_FIND_DATA& entry : listing.entries) names.emplace_back(entry.cFileName);
        return names;
    }

    static std::vector<DeviceString> Ws(std::initializer_list<const char*> names) {
        std::vector<DeviceString> wide;
        for (const char* name : names) wide.push_back(W(name));
        return wide;
    }
};

TEST_F(FindAllFilesTest, ListsBareNamesInOrderWithoutDotsOrTheMetadataFile) {
    MakeDir("\\Dir");
    MakeFile("\\Dir\\b.txt", "bb");
    MakeFile("\\Dir\\A.TXT", "a");
    MakeFile("\\Dir\\c", "");
    MakeDir("\\Dir\\Sub");
    ASSERT_TRUE(vbdevice::SetEntryAttributes(VB_WTEXT("\\Dir"), FILE_ATTRIBUTE_HIDDEN));  // writes the journal
    EXPECT_EQ(Names(Find(VB_WTEXT("\\DIR\\*.*"))), Ws({"A.TXT", "b.txt", "c", "Sub"}));
    EXPECT_EQ(Names(Find(VB_WTEXT("\\*.*"))), Ws({"Dir"}));
    EXPECT_EQ(Names(Find(VB_WTEXT("\\*"))), Ws({"Dir"}));
}

TEST_F(FindAllFilesTest, FillsOnlyTheFieldsAskedFor) {
    MakeFile("\\file.bin", std::string(300, 'x'));
    const FILETIME c = vbdevice::MakeFileTime(127000000000000011ull);
    const FILETIME a = vbdevice::MakeFileTime(127000000000000022ull);
    const FILETIME w = vbdevice::MakeFileTime(127000000000000033ull);
    ASSERT_TRUE(vbdevice::SetEntryTimes(VB_WTEXT("\\file.bin"), c, a, w));
    ASSERT_TRUE(vbdevice::SetEntryAttributes(VB_WTEXT("\\file.bin"), FILE_ATTRIBUTE_SYSTEM));

    struct Case {
        DWORD flags;
        DWORD attributes;
        std::uint64_t creation, access, write;
        DWORD sizeLow;
        bool oid;
        bool name;
    } cases[] = {
        {0, 0, 0, 0, 0, 0, false, false},
        {FAF_ATTRIBUTES, FILE_ATTRIBUTE_SYSTEM, 0, 0, 0, 0, false, false},
        {FAF_CREATION_TIME, 0, 127000000000000011ull, 0, 0, 0, false, false},
        {FAF_LASTACCESS_TIME, 0, 0, 127000000000000022ull, 0, 0, false, false},
        {FAF_LASTWRITE_TIME, 0, 0, 0, 127000000000000033ull, 0, false, false},
        {FAF_SIZE_LOW, 0, 0, 0, 0, 300, false, false},
        {FAF_SIZE_HIGH, 0, 0, 0, 0, 0, false, false},
        {FAF_OID, 0, 0, 0, 0, 0, true, false},
        {FAF_NAME, 0, 0, 0, 0, 0, false, true},
        {0xBF, FILE_ATTRIBUTE_SYSTEM, 127000000000000011ull, 127000000000000022ull, 127000000000000033ull, 300,
         false, true},
    };
    for (const Case& k : cases) {
        Listing listing = Find(VB_WTEXT("\\*.*"), k.flags);
        ASSERT_TRUE(listing.ok);
        ASSERT_EQ(listing.entries.size(), 1u) << "flags " << k.flags;
        const CE_FIND_DATA& e = listing.entries[0];
        EXPECT_EQ(e.dwFileAttributes, k.attributes) << "flags " << k.flags;
        EXPECT_EQ(vbdevice::FileTimeTicks(e.ftCreationTime), k.creation) << "flags " << k.flags;
        EXPECT_EQ(vbdevice::FileTimeTicks(e.ftLastAccessTime), k.access) << "flags " << k.flags;
        EXPECT_EQ(vbdevice::FileTimeTicks(e.ftLastWriteTime), k.write) << "flags " << k.flags;
        EXPECT_EQ(e.nFileSizeHigh, 0u) << "flags " << k.flags;
        EXPECT_EQ(e.nFileSizeLow, k.sizeLow) << "flags " << k.flags;
        EXPECT_EQ(e.dwOID != 0, k.oid) << "flags " << k.flags;
        EXPECT_EQ(DeviceString(e.cFileName), k.name ? W("file.bin") : DeviceString()) << "flags " << k.flags;
    }
}

TEST_F(FindAllFilesTest, EntriesDroppedOntoTheDiskTakeKindAndTimesFromIt) {
    // The device's clock and the disk's are the same; allow for coarse time
    // stamps of the file system.
    MakeFile("\\probe", "");
    vbdevice::EntryInfo probe;
    ASSERT_TRUE(vbdevice::GetEntryInfo(VB_WTEXT("\\probe"), &probe));
    const std::uint64_t now = vbdevice::FileTimeTicks(probe.creation);
    const std::uint64_t second = 10000000ull;

    PutDiskFile("dropped/file.txt", "12345");
    Listing listing = Find(VB_WTEXT("\\*.*"));
    ASSERT_EQ(Names(listing), Ws({"dropped", "probe"}));
    EXPECT_EQ(listing.entries[0].dwFileAttributes, static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    listing = Find(VB_WTEXT("\\dropped\\*.*"));
    ASSERT_EQ(listing.entries.size(), 1u);
    const CE_FIND_DATA& file = listing.entries[0];
    EXPECT_EQ(file.dwFileAttributes, static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(file.nFileSizeLow, 5u);
    const std::uint64_t written = vbdevice::FileTimeTicks(file.ftLastWriteTime);
    EXPECT_GE(written, now - 10 * second);
    EXPECT_LE(written, now + 60 * second);
    EXPECT_LE(vbdevice::FileTimeTicks(file.ftCreationTime), written);
}

TEST_F(FindAllFilesTest, PatternsOnTheLastComponent) {
    MakeDir("\\d");
    for (const char* name : {"abc.txt", "ABD.TXT", "abc.doc", "readme", "x.tar.gz"}) {
        MakeFile(std::string("\\d\\") + name, "");
    }
    struct Case {
        const char* pattern;
        std::vector<DeviceString> names;
    } cases[] = {
        {"\\d\\*.*", Ws({"abc.doc", "abc.txt", "ABD.TXT", "readme", "x.tar.gz"})},
        {"\\d\\*.txt", Ws({"abc.txt", "ABD.TXT"})},
        {"\\d\\AB?.*", Ws({"abc.doc", "abc.txt", "ABD.TXT"})},
        {"\\d\\*.gz", Ws({"x.tar.gz"})},
        {"\\d\\*e*", Ws({"readme"})},
        {"\\d\\README", Ws({"readme"})},
        {"\\d\\*.none", {}},
        {"\\d\\", {}},
    };
    for (const Case& c : cases) {
        Listing listing = Find(W(c.pattern));
        EXPECT_TRUE(listing.ok) << c.pattern;
        EXPECT_EQ(Names(listing), c.names) << c.pattern;
    }
    EXPECT_EQ(vbdevice::OutstandingBufferCount(), 0u);
}

TEST_F(FindAllFilesTest, AnEmptyDirectoryGivesCountZeroAndAMissingOneFails) {
    MakeDir("\\empty");
    MakeFile("\\file", "");
    Listing empty = Find(VB_WTEXT("\\empty\\*.*"));
    EXPECT_TRUE(empty.ok);
    EXPECT_TRUE(empty.entries.empty());
    for (const char* path : {"\\missing\\*.*", "\\file\\*.*", "\\missing\\deeper\\*.*"}) {
        Listing missing = Find(W(path));
        EXPECT_FALSE(missing.ok) << path;
        EXPECT_EQ(missing.error, static_cast<DWORD>(ERROR_PATH_NOT_FOUND)) << path;
    }
    Listing invalid = Find(VB_WTEXT("\\em*ty\\*.*"));
    EXPECT_FALSE(invalid.ok);
    EXPECT_EQ(invalid.error, static_cast<DWORD>(ERROR_INVALID_NAME)) << "wildcards only in the last component";
    EXPECT_EQ(vbdevice::OutstandingBufferCount(), 0u);
}

TEST_F(FindAllFilesTest, FilterFlags) {
    MakeDir("\\folder");
    MakeDir("\\full");
    MakeFile("\\full\\x", "");
    MakeFile("\\hidden.txt", "");
    MakeFile("\\module.dll", "");
    MakeFile("\\plain.txt", "");
    ASSERT_TRUE(vbdevice::SetEntryAttributes(VB_WTEXT("\\hidden.txt"), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(vbdevice::SetEntryAttributes(VB_WTEXT("\\module.dll"),
                                             FILE_ATTRIBUTE_ROMMODULE | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_INROM));
    const DWORD name = FAF_NAME;
    EXPECT_EQ(Names(Find(VB_WTEXT("\\*.*"), name | FAF_FOLDERS_ONLY)), Ws({"folder", "full"}));
    EXPECT_EQ(Names(Find(VB_WTEXT("\\*.*"), name | FAF_ATTRIB_NO_HIDDEN)),
              Ws({"folder", "full", "module.dll", "plain.txt"}));
    EXPECT_EQ(Names(Find(VB_WTEXT("\\*.*"), name | FAF_NO_HIDDEN_SYS_ROMMODULES)),
              Ws({"folder", "full", "hidden.txt", "plain.txt"}));
    EXPECT_EQ(Names(Find(VB_WTEXT("\\*.*"), name | FAF_ATTRIB_CHILDREN)), Ws({"full"}));
}

TEST_F(FindAllFilesTest, ArraysAreCountedUntilFreed) {
    MakeFile("\\a", "");
    DWORD count = 0;
    LPCE_FIND_DATA first = nullptr, second = nullptr;
    ASSERT_TRUE(CeFindAllFiles(VB_WTEXT("\\*.*"), FAF_NAME, &count, &first));
    ASSERT_TRUE(CeFindAllFiles(VB_WTEXT("\\*.*"), FAF_NAME, &count, &second));
    EXPECT_EQ(vbdevice::OutstandingBufferCount(), 2u);
    EXPECT_EQ(vbdevice::CallCount(vbdevice::Operation::CeFindAllFiles), 2u);
    EXPECT_EQ(CeRapiFreeBuffer(first), S_OK);
    EXPECT_EQ(vbdevice::OutstandingBufferCount(), 1u);
    EXPECT_EQ(CeRapiFreeBuffer(first), E_INVALIDARG) << "a second release is refused, not a double free";
    vbdevice::DropLink();
    EXPECT_EQ(CeRapiFreeBuffer(second), S_OK) << "releasing is local: it works with the link down";
    EXPECT_EQ(vbdevice::OutstandingBufferCount(), 0u);
    EXPECT_EQ(CeRapiFreeBuffer(nullptr), S_OK);
}

TEST_F(FindAllFilesTest, ManyEntriesInOneRequest) {
    // Dropped onto the disk directly, with a few of them known to the
    // metadata store: every one comes back, sorted, in one call.
    const int kEntries = 3000;
    std::filesystem::create_directories(Disk("many"));
    for (int i = kEntries - 1; i >= 0; --i) {
        std::ofstream(Disk("many/f" + std::to_string(i)));
    }
    ASSERT_TRUE(vbdevice::SetEntryAttributes(VB_WTEXT("\\many\\f1234"), FILE_ATTRIBUTE_HIDDEN));
    vbdevice::ResetCallCounts();
    Listing listing = Find(VB_WTEXT("\\many\\*.*"), FAF_NAME | FAF_ATTRIBUTES);
    EXPECT_EQ(vbdevice::CallCount(vbdevice::Operation::CeFindAllFiles), 1u);
    ASSERT_EQ(listing.entries.size(), static_cast<std::size_t>(kEntries));
    std::vector<DeviceString> names = Names(listing);
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
    std::size_t hidden = 0;
    for (const CE_FIND_DATA& entry : listing.entries) {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) {
            ++hidden;
            EXPECT_EQ(DeviceString(entry.cFileName), W("f1234"));
        }
    }
    EXPECT_EQ(hidden, 1u);

    // Asked again for names only (the released array of megabytes may be
    // used again): nothing of the earlier listing shows through.
    listing = Find(VB_WTEXT("\\many\\*.*"), FAF_NAME);
    ASSERT_EQ(listing.entries.size(), static_cast<std::size_t>(kEntries));
    std::size_t filled = 0;
    for (const CE_FIND_DATA& entry : listing.entries) {
        if (entry.dwFileAttributes != 0 || entry.ftLastWriteTime.dwHighDateTime != 0) ++filled;
    }
    EXPECT_EQ(filled, 0u);
}

}  // namespace
