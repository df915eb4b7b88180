// The device panel: its description, navigation, two panels at once, and the
// limits of its path buffers.
#include <algorithm>
#include <cstring>

#include "device_scenario.h"

namespace {

class Panel : public DeviceScenario {
protected:
    std::string CurDir() { return Host().Active().curDir; }

    int SetDirectory(const std::string& dir, int opMode = 0) {
        return Host().Module().SetDirectory(DevicePanel(), dir.c_str(), opMode);
    }

    // Commands of the Control calls since `from`.
    std::vector<int> ControlCommandsSince(size_t from) {
        std::vector<int> commands;
        std::vector<vbhost::Host::ControlCall> calls = Host().ControlCalls();
        for (size_t i = from; i < calls.size(); ++i) commands.push_back(calls[i].command);
        return commands;
    }
};

TEST_F(Panel, DescribesTheRootWithTitleAndFormat) {
    vbhost::Host& host = OpenDevice();
    OpenPluginInfo info;
    std::memset(&info, 0, sizeof info);
    host.Module().GetOpenPluginInfo(DevicePanel(), &info);
    EXPECT_EQ(info.StructSize, static_cast<int>(sizeof(OpenPluginInfo)));
    EXPECT_EQ(info.Flags, static_cast<DWORD>(OPIF_USEFILTER | OPIF_USESORTGROUPS |
                                             OPIF_USEHIGHLIGHTING | OPIF_ADDDOTS));
    EXPECT_STREQ(info.CurDir, "\\");
    EXPECT_EQ(std::string(info.PanelTitle), Text(8) + "\\");
    EXPECT_EQ(std::string(info.Format), Text(9));
    EXPECT_EQ(info.HostFile, nullptr);
    EXPECT_EQ(info.PanelModesArray, nullptr);
    EXPECT_EQ(info.KeyBar, nullptr);
    EXPECT_EQ(host.ItemNames(), (std::vector<std::string>{".."})) << "an empty device";
}

TEST_F(Panel, WalksDownAndUpWithTheCursorOnTheDirectoryLeft) {
    MakeDeviceDir("\\A\\B");
    MakeDeviceDir("\\WINDOWS");
    vbhost::Host& host = OpenDevice();
    EXPECT_EQ(host.ItemNames(), (std::vector<std::string>{"..", "A", "WINDOWS"}));

    ASSERT_TRUE(host.SetCursor("A"));
    host.PressEnter();
    EXPECT_EQ(CurDir(), "\\A\\");
    EXPECT_EQ(host.Active().title, Text(8) + "\\A\\");
    ASSERT_TRUE(host.SetCursor("B"));
    host.PressEnter();
    EXPECT_EQ(CurDir(), "\\A\\B\\");

    host.SetCursor("..");
    host.PressEnter();
    EXPECT_EQ(CurDir(), "\\A\\");
    EXPECT_EQ(host.CurrentName(), "B");
    host.SetCursor("..");
    host.PressEnter();
    EXPECT_EQ(CurDir(), "\\");
    EXPECT_EQ(host.CurrentName(), "A");

    std::string folder = host.Active().dir;
    host.SetCursor("..");
    host.PressEnter();
    EXPECT_FALSE(host.Active().plugin) << "\"..\" at the root closes the panel";
    EXPECT_EQ(host.Active().dir, folder);
    std::vector<vbhost::Host::ControlCall> calls = host.ControlCalls();
    bool closed = false;
    for (const vbhost::Host::ControlCall& call : calls)
        if (call.command == FCTL_CLOSEPLUGIN) {
            closed = true;
            EXPECT_EQ(call.dir, host.Active().dir) << "the panel shows the folder it had";
        }
    EXPECT_TRUE(closed);
}

// The module puts the cursor itself, matching the name without regard to
// case: descending by "Windows" and coming back finds the item "WINDOWS".
TEST_F(Panel, DotDotPutsTheCursorOnTheNameWithoutRegardToCase) {
    MakeDeviceDir("\\A");
    MakeDeviceDir("\\WINDOWS");
    vbhost::Host& host = OpenDevice();
    ASSERT_EQ(SetDirectory("Windows"), 1);
    size_t from = host.ControlCalls().size();
    ASSERT_EQ(SetDirectory(".."), 1);
    EXPECT_EQ(ControlCommandsSince(from),
              (std::vector<int>{FCTL_UPDATEPANEL, FCTL_GETPANELINFO, FCTL_REDRAWPANEL}));
    vbhost::Host::ControlCall redraw = host.ControlCalls().back();
    EXPECT_EQ(redraw.redraw.CurrentItem, 2) << "\"..\", A, WINDOWS";
    EXPECT_EQ(redraw.redraw.TopPanelItem, 0);
    EXPECT_EQ(host.CurrentName(), "WINDOWS");
}

TEST_F(Panel, TwoPartNameReturnsToWhereTheDescentStarted) {
    MakeDeviceDir("\\A\\X\\Y");
    OpenDevice();
    ASSERT_EQ(SetDirectory("A"), 1);
    ASSERT_EQ(SetDirectory("X\\Y"), 1);
    Host().ReadPluginPanel(0, false);
    EXPECT_EQ(CurDir(), "\\A\\X\\Y\\");
    size_t from = Host().ControlCalls().size();
    ASSERT_EQ(SetDirectory(".."), 1);
    EXPECT_EQ(CurDir(), "\\A\\");
    std::vector<int> commands = ControlCommandsSince(from);
    EXPECT_EQ(std::count(commands.begin(), commands.end(), FCTL_REDRAWPANEL), 0)
        << "Y is not an item of \\A\\";
    ASSERT_EQ(SetDirectory(".."), 1);
    EXPECT_EQ(CurDir(), "\\");
}

TEST_F(Panel, DotDotWhileSearchingNeitherUpdatesNorRedraws) {
    MakeDeviceDir("\\A");
    OpenDevice();
    ASSERT_EQ(SetDirectory("A", OPM_FIND), 1);
    size_t from = Host().ControlCalls().size();
    ASSERT_EQ(SetDirectory("..", OPM_FIND), 1);
    EXPECT_TRUE(ControlCommandsSince(from).empty());
    Host().ReadPluginPanel(0, false);
    EXPECT_EQ(CurDir(), "\\");
}

TEST_F(Panel, ProcessKeyConsumesNoKey) {
    vbhost::Host& host = OpenDevice();
    EXPECT_EQ(host.Module().ProcessKey(DevicePanel(), VK_F5, PKF_SHIFT), 0);
    EXPECT_EQ(host.Module().ProcessKey(DevicePanel(), VK_F6, PKF_SHIFT | PKF_CONTROL), 0);
    EXPECT_EQ(host.Module().ProcessKey(DevicePanel(), VK_RETURN, 0), 0);
}

TEST_F(Panel, ClosingOnePanelDisconnectsBoth) {
    MakeDeviceDir("\\A");
    vbhost::Host& host = OpenDevice();
    host.SetActivePanel(1);
    ASSERT_TRUE(host.OpenFromDiskMenu());
    HANDLE second = host.PanelAt(1).handle;
    host.SetActivePanel(0);
    host.ClosePluginPanel();

    PluginPanelItem* items = nullptr;
    int count = 0;
    EXPECT_EQ(host.Module().GetFindData(second, &items, &count, 0), 0);
    EXPECT_EQ(host.Module().SetDirectory(second, "A", 0), 0);
    EXPECT_EQ(host.PanelAt(1).curDir, "\\") << "a refused descent changes nothing";
    char name[260] = "Made";
    EXPECT_EQ(host.Module().MakeDirectory(second, name, OPM_SILENT), 1)
        << "make directory does not look at the link flag";
    EXPECT_TRUE(DeviceEntryExists("\\Made"));
}

TEST_F(Panel, ClosePluginWithANullHandleOnlyDisconnects) {
    vbhost::Host& host = OpenDevice();
    host.Module().ClosePlugin(nullptr);
    PluginPanelItem* items = nullptr;
    int count = 0;
    EXPECT_EQ(host.Module().GetFindData(DevicePanel(), &items, &count, 0), 0);
    EXPECT_TRUE(host.Active().plugin) << "the panel itself stays open";
}

// The current directory must leave room for the listing's "*.*" in its 260
// units: 256 characters are the most a descent may reach.
TEST_F(Panel, DescentAtAndPastTheLimitOfThePathBuffers) {
    std::string longest(254, 'd');
    vbhost::Host& host = OpenDevice();
    ASSERT_EQ(SetDirectory(longest), 1);
    host.ReadPluginPanel(0, false);
    EXPECT_EQ(CurDir().size(), 256u);
    EXPECT_TRUE(host.Active().plugin) << "the listing of the deepest directory works";

    EXPECT_EQ(SetDirectory("x"), 0);
    host.ReadPluginPanel(0, false);
    EXPECT_EQ(CurDir(), "\\" + longest + "\\") << "a refused descent changes nothing";
    EXPECT_EQ(host.Active().title, Text(8) + "\\" + longest + "\\");

    ASSERT_EQ(SetDirectory(".."), 1);
    EXPECT_EQ(CurDir(), "\\");
    EXPECT_EQ(SetDirectory(std::string(255, 'e')), 0);
    EXPECT_EQ(SetDirectory(std::string(600, 'f')), 0);
    host.ReadPluginPanel(0, false);
    EXPECT_EQ(CurDir(), "\\");
}

}  // namespace
