// The selection walker against a host table of its own: the order of the
// flat sequence, the host lists asked for and each list given back once.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "operations/selection_walker.h"
#include "operations/walk_record.h"
#include "panel/panel_instance.h"
#include "plugin/host_services.h"

namespace {

// What the fake host was asked, and the lists it has out.
struct FakeLists {
    std::map<std::string, std::vector<std::string>> contents;  // dir -> entries ("name/" = directory)
    std::vector<std::string> pluginRequests, localRequests;
    std::set<const PluginPanelItem*> out;
    int frees = 0;
};
FakeLists* g_lists = nullptr;

PluginPanelItem MakeItem(const std::string& name) {
    PluginPanelItem item;
    std::memset(&item, 0, sizeof item);
    bool dir = !name.empty() && name.back() == '/';
    std::string plain = dir ? name.substr(0, name.size() - 1) : name;
    std::strncpy(item.FindData.cFileName, plain.c_str(), sizeof item.FindData.cFileName - 1);
    item.FindData.dwFileAttributes = dir ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    return item;
}

int HandOut(const char* dir, PluginPanelItem** items, int* count) {
    const std::vector<std::string>& names = g_lists->contents[dir];
    // Like the host, even an empty list is an array of its own.
    *items = new PluginPanelItem[names.empty() ? 1 : names.size()];
    for (size_t i = 0; i < names.size(); ++i) (*items)[i] = MakeItem(names[i]);
    *count = static_cast<int>(names.size());
    g_lists->out.insert(*items);
    return TRUE;
}

int WINAPI FakeGetPluginDirList(int, HANDLE, const char* dir, PluginPanelItem** items, int* count) {
    g_lists->pluginRequests.push_back(dir);
    return HandOut(dir, items, count);
}

int WINAPI FakeGetDirList(const char* dir, PluginPanelItem** items, int* count) {
    g_lists->localRequests.push_back(dir);
    return HandOut(dir, items, count);
}

void WINAPI FakeFreeDirList(const PluginPanelItem* items) {
    ++g_lists->frees;
    EXPECT_EQ(g_lists->out.erase(items), 1u) << "a list freed twice, or never handed out";
    delete[] items;
}

class Walker : public ::testing::Test {
protected:
    void SetUp() override {
        std::memset(&HostServices, 0, sizeof HostServices);
        HostServices.Info.GetPluginDirList = FakeGetPluginDirList;
        HostServices.Info.GetDirList = FakeGetDirList;
        HostServices.Info.FreeDirList = FakeFreeDirList;
        g_lists = &lists_;
        std::memset(&panel_, 0, sizeof panel_);
    }
    void TearDown() override {
        ReleaseSelectionWalk();
        EXPECT_TRUE(lists_.out.empty()) << "a host list was kept";
        g_lists = nullptr;
    }

    // Walks `names` ("D/" a directory) to the end; the names yielded.
    std::vector<std::string> Walk(const std::vector<std::string>& names, int usePluginDirList = 1) {
        items_.clear();
        for (const std::string& name : names) items_.push_back(MakeItem(name));
        ResetSelectionWalker(panel_, static_cast<int>(items_.size()), usePluginDirList);
        std::vector<std::string> yielded;
        while (PluginPanelItem* item = NextSelectedItem(panel_, items_.data())) {
            yielded.push_back(item->FindData.cFileName);
            if (yielded.size() > 100) break;
        }
        return yielded;
    }

    FakeLists lists_;
    PanelInstance panel_;
    std::vector<PluginPanelItem> items_;
};

using Names = std::vector<std::string>;

struct WalkCase {
    const char* title;
    Names items;
    std::map<std::string, Names> lists;
    Names expected;
    Names requests;  // directories the host was asked to list, in order
};

class WalkOrder : public Walker, public ::testing::WithParamInterface<WalkCase> {};

TEST_P(WalkOrder, YieldsEachItemWithItsListAndGivesEveryListBackOnce) {
    const WalkCase& c = GetParam();
    lists_.contents = c.lists;
    EXPECT_EQ(Walk(c.items), c.expected);
    EXPECT_EQ(lists_.pluginRequests, c.requests);
    EXPECT_TRUE(lists_.localRequests.empty());
    EXPECT_EQ(lists_.frees, static_cast<int>(c.requests.size()));
    EXPECT_TRUE(lists_.out.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WalkOrder,
    ::testing::Values(
        WalkCase{"OneFile", {"a.txt"}, {}, {"a.txt"}, {}},
        WalkCase{"Tree", {"D/"}, {{"D", {"D\\a", "D\\s/", "D\\s\\b"}}}, {"D", "D\\a", "D\\s", "D\\s\\b"}, {"D"}},
        WalkCase{"EmptyDirectoryThenFile", {"E/", "f"}, {{"E", {}}}, {"E", "f"}, {"E"}},
        WalkCase{"DirFileDir",
                 {"D1/", "F", "D2/"},
                 {{"D1", {"D1\\x"}}, {"D2", {"D2\\y", "D2\\z"}}},
                 {"D1", "D1\\x", "F", "D2", "D2\\y", "D2\\z"},
                 {"D1", "D2"}},
        WalkCase{"TwoDirectoriesInARow",
                 {"D1/", "D2/"},
                 {{"D1", {"D1\\x"}}, {"D2", {"D2\\y"}}},
                 {"D1", "D1\\x", "D2", "D2\\y"},
                 {"D1", "D2"}}),
    [](const ::testing::TestParamInfo<WalkCase>& info) { return std::string(info.param.title); });

TEST_F(Walker, LocalDirectoriesAreListedWithGetDirList) {
    lists_.contents["L"] = {"L\\one"};
    EXPECT_EQ(Walk({"L/"}, 0), (Names{"L", "L\\one"}));
    EXPECT_EQ(lists_.localRequests, (Names{"L"}));
    EXPECT_TRUE(lists_.pluginRequests.empty());
}

TEST_F(Walker, ResetYieldsNothingAndAnEndedWalkStaysEnded) {
    items_ = {MakeItem("only")};
    PluginPanelItem reset;
    std::memset(&reset, 0, sizeof reset);
    reset.UserData = 1;
    reset.Flags = 1;
    EXPECT_EQ(NextSelectedItem(panel_, &reset), nullptr);
    EXPECT_EQ(SelectionWalker.ItemCount, 1);
    EXPECT_EQ(SelectionWalker.UsePluginDirList, 1);
    EXPECT_EQ(NextSelectedItem(panel_, items_.data()), &items_[0]);
    EXPECT_EQ(NextSelectedItem(panel_, items_.data()), nullptr);
    EXPECT_EQ(NextSelectedItem(panel_, items_.data()), nullptr);
}

// A walk left in the middle of a directory (a cancelled copy) gives its list
// back at the next reset, or when the caller ends it.
TEST_F(Walker, AnUnfinishedWalkGivesItsListBack) {
    lists_.contents["D"] = {"D\\a", "D\\b"};
    items_ = {MakeItem("D/")};
    ResetSelectionWalker(panel_, 1, 1);
    ASSERT_NE(NextSelectedItem(panel_, items_.data()), nullptr);
    ASSERT_NE(NextSelectedItem(panel_, items_.data()), nullptr);
    EXPECT_EQ(lists_.out.size(), 1u);
    ResetSelectionWalker(panel_, 1, 1);
    EXPECT_TRUE(lists_.out.empty());
    EXPECT_EQ(lists_.frees, 1);
}

// The record of a walk links each entry to the directory holding it, so
// that what stays keeps exactly the directories above it.
TEST(WalkRecordTest, LinksEntriesToTheirDirectoriesAndKeepsOnlyThoseAbove) {
    std::vector<PluginPanelItem> host = {MakeItem("D/"), MakeItem("E/")};
    WalkRecord record;
    InitWalkRecord(record);
    AppendWalkEntry(record, host[0], &host[0]);       // 0 D
    AppendWalkEntry(record, MakeItem("D\\s/"), nullptr);   // 1 D\s
    AppendWalkEntry(record, MakeItem("D\\s\\b"), nullptr);  // 2 D\s\b
    AppendWalkEntry(record, MakeItem("D\\sx"), nullptr);   // 3 D\sx: beside s, not in it
    AppendWalkEntry(record, MakeItem("D\\t/"), nullptr);   // 4 D\t
    AppendWalkEntry(record, host[1], &host[1]);       // 5 E
    AppendWalkEntry(record, MakeItem("E\\e"), nullptr);    // 6 E\e
    ASSERT_EQ(record.Count, 7);
    std::vector<int> parents;
    for (int i = 0; i < record.Count; ++i) parents.push_back(record.Entries[i].Parent);
    EXPECT_EQ(parents, (std::vector<int>{-1, 0, 1, 0, 0, -1, 5}));
    EXPECT_EQ(record.Entries[5].HostItem, &host[1]);

    for (int i = 0; i < record.Count; ++i) record.Entries[i].State = EntryDone;
    KeepAncestors(record, 2);
    std::vector<int> states;
    for (int i = 0; i < record.Count; ++i) states.push_back(record.Entries[i].State);
    EXPECT_EQ(states, (std::vector<int>{EntryKept, EntryKept, EntryDone, EntryDone, EntryDone, EntryDone,
                                        EntryDone}));
    FreeWalkRecord(record);
    EXPECT_EQ(record.Count, 0);
}

}  // namespace
