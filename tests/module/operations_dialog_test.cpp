// The destination dialog of a download, and requests that are refused
// before anything is copied.
#include "operations_scenario.h"

namespace {

// A local folder with the separator the host's AddEndSlash gives it: the
// one its path is written with.
std::string EndSlashed(const std::string& path) {
#ifdef _WIN32
    return path + "\\";
#else
    return path + "/";
#endif
}

class DestinationDialog : public OperationsScenario {
protected:
    void MakeThreeFiles() {
        MakeDeviceFile("\\a", "A");
        MakeDeviceFile("\\b", "B");
        MakeDeviceFile("\\c", "C");
    }
};

struct DialogCase {
    const char* title;
    bool move;
    std::vector<std::string> selection;
};

class DestinationDialogTexts : public DestinationDialog, public ::testing::WithParamInterface<DialogCase> {};

TEST_P(DestinationDialogTexts, NameTheItemOrCountThem) {
    const DialogCase& c = GetParam();
    MakeThreeFiles();
    vbhost::Host& host = OpenDevice();
    host.Select(c.selection);
    host.Script().OnDialog([](vbhost::RunningDialog& dialog) { dialog.Esc(); });

    EXPECT_EQ(host.PressCopy(c.move), 0);
    std::vector<vbhost::DialogCall> dialogs = host.Dialogs();
    ASSERT_EQ(dialogs.size(), 1u);
    const vbhost::DialogCall& dialog = dialogs[0];
    EXPECT_FALSE(dialog.extended);
    EXPECT_EQ(dialog.x1, -1);
    EXPECT_EQ(dialog.x2, 76);
    EXPECT_EQ(dialog.y2, 8);
    ASSERT_EQ(dialog.itemsIn.size(), 5u);
    EXPECT_EQ(dialog.TextIn(0), Text(c.move ? 18 : 15));
    std::string line = c.selection.size() == 1 ? Format(16, c.selection[0])
                                               : Format(17, static_cast<int>(c.selection.size()));
    EXPECT_EQ(dialog.TextIn(1), line);
    EXPECT_EQ(dialog.TextIn(2), EndSlashed(local_)) << "the other panel's folder with a separator added";
    EXPECT_TRUE(dialog.itemsIn[2].Focus);
    EXPECT_EQ(dialog.itemsIn[2].Type, DI_EDIT);
    EXPECT_EQ(dialog.TextIn(3), Text(0));
    EXPECT_TRUE(dialog.itemsIn[3].DefaultButton);
    EXPECT_EQ(dialog.TextIn(4), Text(1));
    // Esc: nothing is created, and the host's text keeps its separator.
    EXPECT_TRUE(LocalTree().empty());
    EXPECT_EQ(DeviceTree().size(), 3u);
    EXPECT_EQ(host.LastDestPath(), EndSlashed(local_));
}

INSTANTIATE_TEST_SUITE_P(Cases, DestinationDialogTexts,
                         ::testing::Values(DialogCase{"CopyOne", false, {"b"}},
                                           DialogCase{"CopySeveral", false, {"a", "b", "c"}},
                                           DialogCase{"MoveOne", true, {"c"}},
                                           DialogCase{"MoveSeveral", true, {"a", "c"}}),
                         [](const ::testing::TestParamInfo<DialogCase>& info) {
                             return std::string(info.param.title);
                         });

TEST_F(DestinationDialog, SecondButtonCancelsToo) {
    MakeThreeFiles();
    vbhost::Host& host = OpenDevice();
    host.SetCursor("a");
    host.Script().OnDialog([](vbhost::RunningDialog& dialog) { dialog.Press(4); });
    EXPECT_EQ(host.PressCopy(false), 0);
    EXPECT_TRUE(LocalTree().empty());
}

// The confirmed text is the destination; a missing folder is made.
TEST_F(DestinationDialog, EditedDestinationIsUsed) {
    MakeThreeFiles();
    vbhost::Host& host = OpenDevice();
    host.SetCursor("b");
    std::string chosen = Local("new folder");
    host.Script().OnDialog([chosen](vbhost::RunningDialog& dialog) {
        dialog.SetText(2, chosen);
        dialog.Press(3);
    });
    host.Script().LetDialogsRun();
    EXPECT_EQ(host.PressCopy(false), 1);
    EXPECT_EQ(LocalTree(), (std::vector<std::string>{"new folder/", "new folder/b=B"}));
    EXPECT_EQ(host.LastDestPath(), EndSlashed(chosen));
}

// A confirmed text that does not fit the host's 260-byte buffer is refused
// whole: nothing is written to the buffer or to the disk.
TEST_F(DestinationDialog, TextLongerThanTheHostsBufferIsRefused) {
    MakeThreeFiles();
    vbhost::Host& host = OpenDevice();
    host.SetCursor("a");
    std::string chosen = Local(std::string(300, 'x'));
    host.Script().OnDialog([chosen](vbhost::RunningDialog& dialog) {
        dialog.SetText(2, chosen);
        dialog.Press(3);
    });
    host.Script().AnswerMessage(0);
    EXPECT_EQ(host.PressCopy(false), 0);
    EXPECT_TRUE(LocalTree().empty());
    EXPECT_EQ(host.LastDestPath(), EndSlashed(local_));
    std::vector<vbhost::MessageCall> boxes = ErrorBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].items[2], "206");
}

TEST_F(DestinationDialog, EditRequestIsRefused) {
    MakeThreeFiles();
    vbhost::Host& host = OpenDevice();
    std::vector<PluginPanelItem> items = HostItems(host, {"a"});
    char dest[260];
    std::snprintf(dest, sizeof dest, "%s", local_.c_str());
    EXPECT_EQ(host.Module().GetFiles(DevicePanel(), items.data(), 1, 0, dest, OPM_EDIT), 0);
    EXPECT_EQ(host.Module().GetFiles(DevicePanel(), items.data(), 1, 0, dest, OPM_EDIT | OPM_SILENT), 0);
    EXPECT_TRUE(host.Dialogs().empty());
    EXPECT_TRUE(LocalTree().empty());
    EXPECT_EQ(std::string(dest), local_) << "the host's text is not touched";
}

}  // namespace
