// Listing the device: one request per read, the fields of each item, names
// the host could take for paths, and the reuse of a refresh's listing.
#include <algorithm>
#include <cstring>

#include "device_scenario.h"
#include "test_support.h"

namespace {

class Listing : public DeviceScenario {};

TEST_F(Listing, EmptyAndMissingDirectoriesGiveEmptyListings) {
    MakeDeviceDir("\\Empty");
    vbhost::Host& host = OpenDevice();
    host.SetCursor("Empty");
    host.PressEnter();
    EXPECT_EQ(host.ItemNames(), (std::vector<std::string>{".."}));

    ASSERT_EQ(host.Module().SetDirectory(DevicePanel(), "Missing", 0), 1)
        << "the device is not asked whether a directory exists";
    PluginPanelItem* items = reinterpret_cast<PluginPanelItem*>(1);
    int count = -1;
    EXPECT_EQ(host.Module().GetFindData(DevicePanel(), &items, &count, 0), 1);
    EXPECT_EQ(count, 0);
    host.Module().FreeFindData(DevicePanel(), items, count);
}

TEST_F(Listing, CarriesAttributesTimesAndSizes) {
    MakeDeviceFile("\\data.bin", std::string(5000, 'x'));
    MakeDeviceDir("\\Storage Card");
    FILETIME created = vbdevice::MakeFileTime(130000000000000000ull);
    FILETIME accessed = vbdevice::MakeFileTime(130000000000000123ull);
    FILETIME written = vbdevice::MakeFileTime(130000000000004567ull);
    ASSERT_TRUE(vbdevice::SetEntryTimes(Wide("\\data.bin").c_str(), created, accessed, written));
    ASSERT_TRUE(vbdevice::SetEntryAttributes(Wide("\\data.bin").c_str(),
                                             FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(vbdevice::SetEntryAttributes(Wide("\\Storage Card").c_str(), FILE_ATTRIBUTE_TEMPORARY));
    vbhost::Host& host = OpenDevice();

    const PluginPanelItem* file = host.FindItem("data.bin");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(static_cast<DWORD>(file->FindData.dwFileAttributes), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(vbdevice::FileTimeTicks(FILETIME(file->FindData.ftCreationTime)), 130000000000000000ull);
    EXPECT_EQ(vbdevice::FileTimeTicks(FILETIME(file->FindData.ftLastAccessTime)), 130000000000000123ull);
    EXPECT_EQ(vbdevice::FileTimeTicks(FILETIME(file->FindData.ftLastWriteTime)), 130000000000004567ull);
    EXPECT_EQ(static_cast<DWORD>(file->FindData.nFileSizeLow), 5000u);
    EXPECT_EQ(static_cast<DWORD>(file->FindData.nFileSizeHigh), 0u);
    const PluginPanelItem* card = host.FindItem("Storage Card");
    ASSERT_NE(card, nullptr);
    EXPECT_EQ(static_cast<DWORD>(card->FindData.dwFileAttributes), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_TEMPORARY);
}

TEST_F(Listing, CharactersTheCodePageLacksBecomeTheDefaultCharacter) {
    MakeDeviceFile("\\\xE6\x97\xA5\xE6\x9C\xAC.txt", "jp");  // two CJK characters
    vbhost::Host& host = OpenDevice();
    EXPECT_NE(host.FindItem("??.txt"), nullptr);
}

// Names the host would take as paths never reach the panel: a later
// download would otherwise write outside its destination.
TEST_F(Listing, NamesThatAreNotPlainNamesAreLeftOut) {
#ifdef _WIN32
    GTEST_SKIP() << "a Windows disk cannot hold the names the device must refuse (':', '\\', control "
                    "characters), so the emulated device cannot report them here";
#else
    MakeDeviceFile("\\good.txt", "g");
    MakeDeviceFile("\\back\\slash", "");     // a folder "back" holding "slash"
    std::string storage = storage_;
    for (const char* bad : {"a:b", "x\\y", "tab\tname"}) {
        std::string path = storage + "/" + bad;
        FILE* f = std::fopen(path.c_str(), "w");
        ASSERT_NE(f, nullptr) << bad;
        std::fclose(f);
    }
    vbhost::Host& host = OpenDevice();
    std::vector<std::string> names = host.ItemNames();
    EXPECT_EQ(names, (std::vector<std::string>{"..", "back", "good.txt"}));
    std::vector<std::string> trace = vbhost::TakeTrace();
    int skipped = 0;
    for (const std::string& line : trace)
        if (line.find("Skipped a device name") != std::string::npos) ++skipped;
    EXPECT_EQ(skipped, 3);
#endif
}

// After a refresh the device is read once; the host's next read of its own
// accord is served from the kept listing, and the one after asks again.
TEST_F(Listing, OneDeviceReadPerRefreshAndTheKeptListingServesTheNextRead) {
    MakeDeviceDir("\\A");
    vbhost::Host& host = OpenDevice();
    vbdevice::ResetCallCounts();
    host.Script().OnDialog([](vbhost::RunningDialog& dialog) {
        dialog.SetText(2, "New");
        dialog.PressDefault();
    });
    EXPECT_EQ(host.PressF7(), 1);
    EXPECT_EQ(vbdevice::CallCount(vbdevice::Operation::CeFindAllFiles), 1u)
        << "the refresh read the device, the host's read after the key was served from it";
    EXPECT_EQ(host.ItemNames(), (std::vector<std::string>{"..", "A", "New"}));
    EXPECT_EQ(host.CurrentName(), "New");

    host.ReadPluginPanel(0, true);
    EXPECT_EQ(vbdevice::CallCount(vbdevice::Operation::CeFindAllFiles), 2u);
    EXPECT_EQ(vbdevice::OutstandingBufferCount(), 0u);
}

// The kept listing belongs to the host once handed out: a second read before
// the host released it goes to the device instead of handing it out twice.
TEST_F(Listing, KeptListingIsHandedOutOnce) {
    MakeDeviceDir("\\A");
    vbhost::Host& host = OpenDevice();
    char name[260] = "B";
    host.Script().OnDialog([](vbhost::RunningDialog& dialog) { dialog.PressDefault(); });
    ASSERT_EQ(host.Module().MakeDirectory(DevicePanel(), name, 0), 1);
    vbdevice::ResetCallCounts();
    PluginPanelItem *first = nullptr, *second = nullptr;
    int firstCount = 0, secondCount = 0;
    ASSERT_EQ(host.Module().GetFindData(DevicePanel(), &first, &firstCount, 0), 1);
    ASSERT_EQ(host.Module().GetFindData(DevicePanel(), &second, &secondCount, 0), 1);
    EXPECT_NE(first, second);
    EXPECT_EQ(vbdevice::CallCount(vbdevice::Operation::CeFindAllFiles), 1u);
    EXPECT_EQ(firstCount, 2);
    EXPECT_EQ(secondCount, 2);
    host.Module().FreeFindData(DevicePanel(), first, firstCount);
    host.Module().FreeFindData(DevicePanel(), second, secondCount);
}

// The pattern added for a listing is taken off again, whatever the
// directory's own name holds.
TEST_F(Listing, CurrentDirectoryIsTheSameAfterEveryListing) {
    MakeDeviceDir("\\A");
    vbhost::Host& host = OpenDevice();
    ASSERT_EQ(host.Module().SetDirectory(DevicePanel(), "a*b", 0), 1);
    PluginPanelItem* items = nullptr;
    int count = 0;
    EXPECT_EQ(host.Module().GetFindData(DevicePanel(), &items, &count, 0), 1);
    host.Module().FreeFindData(DevicePanel(), items, count);
    OpenPluginInfo info;
    std::memset(&info, 0, sizeof info);
    host.Module().GetOpenPluginInfo(DevicePanel(), &info);
    EXPECT_STREQ(info.CurDir, "\\a*b\\");
    ASSERT_EQ(host.Module().SetDirectory(DevicePanel(), "..", OPM_FIND), 1);
    ASSERT_EQ(host.Module().SetDirectory(DevicePanel(), "A", OPM_FIND), 1);
    host.ReadPluginPanel(0, false);
    EXPECT_EQ(host.Active().curDir, "\\A\\");
    EXPECT_EQ(host.ItemNames(), (std::vector<std::string>{".."}));
}

TEST_F(Listing, WalkedByTheHostForASearch) {
    MakeDeviceFile("\\D\\a.txt", "a");
    MakeDeviceFile("\\D\\s\\b.txt", "b");
    MakeDeviceDir("\\D\\t");
    vbhost::Host& host = OpenDevice();
    PluginPanelItem* items = nullptr;
    int count = 0;
    ASSERT_TRUE(host.GetPluginDirList(DevicePanel(), "D", &items, &count));
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) names.push_back(items[i].FindData.cFileName);
    host.FreeDirList(items);
    EXPECT_EQ(names, (std::vector<std::string>{"D\\a.txt", "D\\s", "D\\s\\b.txt", "D\\t"}));
    host.ReadPluginPanel(0, false);
    EXPECT_EQ(host.Active().curDir, "\\") << "the walk comes back where it started";
}

}  // namespace
