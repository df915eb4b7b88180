// What stays on the device: Enter on a program starts it there, Shift+F5
// and Shift+F6 copy or move a file to another name.
#include "operations_scenario.h"

namespace {

class DeviceSide : public OperationsScenario {
protected:
    // Answers the destination dialog with a new text.
    void AnswerDestination(const std::string& text) {
        Host().Script().OnDialog([text](vbhost::RunningDialog& dialog) {
            dialog.SetText(2, text);
            dialog.Press(3);
        });
    }
    bool UpdatedSince(size_t from) {
        std::vector<vbhost::Host::ControlCall> calls = Host().ControlCalls();
        for (size_t i = from; i < calls.size(); ++i)
            if (calls[i].command == FCTL_UPDATEPANEL) return true;
        return false;
    }
};

TEST_F(DeviceSide, EnterOnAProgramStartsItAndCopiesNothing) {
    MakeDeviceFile("\\Windows\\CALC.EXE", "MZ");
    vbhost::Host& host = OpenDeviceAt("\\Windows");
    host.SetCursor("CALC.EXE");
    vbdevice::ResetCallCounts();
    host.PressEnter();
    EXPECT_EQ(vbdevice::LaunchedPrograms(), (std::vector<vbdevice::DeviceString>{Wide("\\Windows\\CALC.EXE")}));
    EXPECT_TRUE(host.FilesRun().empty());
    EXPECT_EQ(vbdevice::CallCount(vbdevice::Operation::CeCreateFile), 0u);
}

// Names that are not programs are fetched and run by the host.
class EnterOnAFile : public DeviceSide, public ::testing::WithParamInterface<const char*> {};

TEST_P(EnterOnAFile, IsAnOrdinaryDownload) {
    std::string name = GetParam();
    MakeDeviceFile("\\" + name, "content of " + name);
    vbhost::Host& host = OpenDevice();
    host.SetCursor(name);
    host.PressEnter();
    EXPECT_TRUE(vbdevice::LaunchedPrograms().empty());
    ASSERT_EQ(host.FilesRun().size(), 1u);
    EXPECT_EQ(host.FilesRun()[0].name, name);
    EXPECT_EQ(host.FilesRun()[0].content, "content of " + name);
    EXPECT_TRUE(host.Dialogs().empty()) << "silent: no dialog";
}

INSTANTIATE_TEST_SUITE_P(Names, EnterOnAFile, ::testing::Values("exe", "EXE", "a.exe.txt", "readme.ex"));

TEST_F(DeviceSide, ProgramRequestedWithoutSilenceIsDownloaded) {
    MakeDeviceFile("\\tool.exe", "MZ tool");
    vbhost::Host& host = OpenDevice();
    EXPECT_EQ(host.Module().ProcessKey(DevicePanel(), VK_RETURN, 0), 0);
    std::vector<PluginPanelItem> items = HostItems(host, {"tool.exe"}, false);
    char dest[260];
    std::snprintf(dest, sizeof dest, "%s", local_.c_str());
    host.Script().OnDialog([](vbhost::RunningDialog& dialog) { dialog.Press(3); });
    host.Script().LetDialogsRun();
    EXPECT_EQ(host.Module().GetFiles(DevicePanel(), items.data(), 1, 0, dest, 0), 1);
    EXPECT_EQ(LocalTree(), (std::vector<std::string>{"tool.exe=MZ tool"}));
    EXPECT_TRUE(vbdevice::LaunchedPrograms().empty());
}

TEST_F(DeviceSide, ShiftF5ToANewNameCopiesWithoutRefreshing) {
    MakeDeviceFile("\\a.txt", "A");
    vbhost::Host& host = OpenDevice();
    host.SetCursor("a.txt");
    AnswerDestination("b.txt");
    size_t controls = host.ControlCalls().size();
    size_t dialogs = host.Dialogs().size();

    EXPECT_EQ(host.PressShiftCopy(false), 1);
    EXPECT_EQ(DeviceTree(), (std::vector<std::string>{"a.txt=A", "b.txt=A"}));
    EXPECT_FALSE(UpdatedSince(controls));
    std::vector<vbhost::DialogCall> shown = host.Dialogs();
    ASSERT_EQ(shown.size(), dialogs + 1);
    EXPECT_EQ(shown.back().TextIn(0), Text(15));
    EXPECT_EQ(shown.back().TextIn(2), "a.txt") << "the field starts with the item's name";
    std::vector<vbhost::MessageCall> notices = MessagesTitled(Text(15));
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].items, (std::vector<std::string>{Text(15), Text(32), "a.txt", Text(33), "b.txt"}));
    EXPECT_EQ(notices[0].flags, static_cast<DWORD>(FMSG_DOWN));
    EXPECT_TRUE(LocalTree().empty());

    // The marker is gone: F5 is an ordinary download again.
    host.Script().OnDialog([](vbhost::RunningDialog& dialog) { dialog.Press(3); });
    host.Script().LetDialogsRun();
    EXPECT_EQ(host.PressCopy(false), 1);
    EXPECT_EQ(LocalTree(), (std::vector<std::string>{"a.txt=A"}));
}

TEST_F(DeviceSide, ShiftF5OntoAnExistingNameLeavesItAlone) {
    MakeDeviceFile("\\a.txt", "A");
    MakeDeviceFile("\\b.txt", "B");
    vbhost::Host& host = OpenDevice();
    host.SetCursor("a.txt");
    AnswerDestination("b.txt");
    host.Script().AnswerMessage(0);

    EXPECT_EQ(host.PressShiftCopy(false), 1);
    EXPECT_EQ(DeviceTree(), (std::vector<std::string>{"a.txt=A", "b.txt=B"}));
    std::vector<vbhost::MessageCall> boxes = ErrorBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].buttonsNumber, 1);
    EXPECT_EQ(boxes[0].items[2], "80");
}

TEST_F(DeviceSide, ShiftF6MovesWithTheCursorOnTheNewName) {
    MakeDeviceFile("\\a.txt", "A");
    MakeDeviceFile("\\z.txt", "Z");
    vbhost::Host& host = OpenDevice();
    host.SetCursor("a.txt");
    AnswerDestination("m.txt");

    EXPECT_EQ(host.PressShiftCopy(true), 1);
    EXPECT_EQ(DeviceTree(), (std::vector<std::string>{"m.txt=A", "z.txt=Z"}));
    EXPECT_EQ(host.CurrentName(), "m.txt");
    EXPECT_EQ(MessagesTitled(Text(18)).size(), 1u);
}

// However many items the host passes, only the first is copied; the dialog
// counts them all.
TEST_F(DeviceSide, OnlyTheFirstOfSeveralItemsIsCopied) {
    MakeDeviceFile("\\a", "A");
    MakeDeviceFile("\\b", "B");
    MakeDeviceFile("\\c", "C");
    vbhost::Host& host = OpenDevice();
    EXPECT_EQ(host.Module().ProcessKey(DevicePanel(), VK_F5, PKF_SHIFT), 0);
    std::vector<PluginPanelItem> items = HostItems(host, {"a", "b", "c"});
    char dest[260];
    std::snprintf(dest, sizeof dest, "%s", local_.c_str());
    AnswerDestination("a2");
    EXPECT_EQ(host.Module().GetFiles(DevicePanel(), items.data(), 3, 0, dest, 0), 1);
    EXPECT_EQ(DeviceTree(), (std::vector<std::string>{"a2=A", "a=A", "b=B", "c=C"}));
    EXPECT_EQ(host.Dialogs().back().TextIn(1), Format(17, 3));
    for (const PluginPanelItem& item : items) EXPECT_TRUE(item.Flags & PPIF_SELECTED);
}

// A cancelled request within the device also clears its marker.
TEST_F(DeviceSide, CancelledDialogEndsTheRequest) {
    MakeDeviceFile("\\a.txt", "A");
    vbhost::Host& host = OpenDevice();
    host.SetCursor("a.txt");
    host.Script().OnDialog([](vbhost::RunningDialog& dialog) { dialog.Esc(); });
    EXPECT_EQ(host.PressShiftCopy(false), 0);

    host.Script().OnDialog([](vbhost::RunningDialog& dialog) { dialog.Press(3); });
    host.Script().LetDialogsRun();
    EXPECT_EQ(host.PressCopy(false), 1);
    std::vector<vbhost::DialogCall> dialogs = host.Dialogs();
    ASSERT_GE(dialogs.size(), 2u);
    EXPECT_EQ(dialogs[1].TextIn(0), Text(15));
    EXPECT_NE(dialogs[1].TextIn(2), "a.txt") << "the destination is the other panel's folder";
    EXPECT_EQ(LocalTree(), (std::vector<std::string>{"a.txt=A"}));
    EXPECT_EQ(DeviceTree(), (std::vector<std::string>{"a.txt=A"}));
}

}  // namespace
