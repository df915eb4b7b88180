// F7 on the device panel: the dialog, silent creation, refusals and retries,
// and paths that do not fit.
#include "device_scenario.h"

namespace {

class MakeDirectory : public DeviceScenario {
protected:
    int MakeSilently(const std::string& name) {
        char buffer[260];
        std::snprintf(buffer, sizeof buffer, "%s", name.c_str());
        return Host().Module().MakeDirectory(DevicePanel(), buffer, OPM_SILENT);
    }

    void AnswerNameDialog(const std::string& name) {
        Host().Script().OnDialog([name](vbhost::RunningDialog& dialog) {
            dialog.SetText(2, name);
            dialog.Press(3);
        });
    }

    // The error boxes of the module (title message 2).
    std::vector<vbhost::MessageCall> ErrorBoxes() { return MessagesTitled(Text(2)); }
};

TEST_F(MakeDirectory, SilentlyCreatesTheHostsNameWithoutARefresh) {
    MakeDeviceDir("\\A");
    vbhost::Host& host = OpenDevice();
    size_t controls = host.ControlCalls().size();
    EXPECT_EQ(MakeSilently("Quiet"), 1);
    EXPECT_TRUE(DeviceEntryExists("\\Quiet"));
    EXPECT_TRUE(host.Dialogs().empty());
    EXPECT_EQ(host.ControlCalls().size(), controls);
}

TEST_F(MakeDirectory, ThroughTheDialogWithTheCursorOnTheNewDirectory) {
    MakeDeviceDir("\\A");
    vbhost::Host& host = OpenDevice();
    host.SetCursor("A");
    host.PressEnter();
    AnswerNameDialog("Docs");
    EXPECT_EQ(host.PressF7(), 1);
    EXPECT_TRUE(DeviceEntryExists("\\A\\Docs"));
    EXPECT_EQ(host.CurrentName(), "Docs");

    std::vector<vbhost::DialogCall> dialogs = host.Dialogs();
    ASSERT_EQ(dialogs.size(), 1u);
    const vbhost::DialogCall& dialog = dialogs[0];
    EXPECT_EQ(dialog.x2, 76);
    EXPECT_EQ(dialog.y2, 8);
    EXPECT_FALSE(dialog.hasHelpTopic);
    ASSERT_EQ(dialog.itemsIn.size(), 5u);
    EXPECT_EQ(dialog.TextIn(0), Text(42));
    EXPECT_EQ(dialog.TextIn(1), Text(43));
    EXPECT_EQ(dialog.TextIn(2), "") << "the field starts with the host's empty name";
    EXPECT_TRUE(dialog.itemsIn[2].Focus);
    EXPECT_TRUE(dialog.itemsIn[3].DefaultButton);
}

TEST_F(MakeDirectory, CancelledByEscOrTheSecondButton) {
    vbhost::Host& host = OpenDevice();
    host.Script().OnDialog([](vbhost::RunningDialog& dialog) {
        dialog.SetText(2, "Nope");
        dialog.Esc();
    });
    EXPECT_EQ(host.PressF7(), 1);
    host.Script().OnDialog([](vbhost::RunningDialog& dialog) {
        dialog.SetText(2, "Nope");
        dialog.Press(4);
    });
    EXPECT_EQ(host.PressF7(), 1);
    EXPECT_FALSE(DeviceEntryExists("\\Nope"));
}

TEST_F(MakeDirectory, RefusedThenRetried) {
    vbhost::Host& host = OpenDevice();
    vbdevice::FailCall(vbdevice::Operation::CeCreateDirectory, 1, ERROR_ACCESS_DENIED);
    AnswerNameDialog("Again");
    host.Script().AnswerMessage(0);  // retry
    EXPECT_EQ(host.PressF7(), 1);
    EXPECT_TRUE(DeviceEntryExists("\\Again"));
    std::vector<vbhost::MessageCall> boxes = ErrorBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].items, (std::vector<std::string>{Text(2), "Win32 Error #", "5", Text(44), Text(25),
                                                         Text(23), Text(1)}));
    EXPECT_EQ(boxes[0].buttonsNumber, 3);
    EXPECT_EQ(boxes[0].flags, static_cast<DWORD>(FMSG_WARNING | FMSG_ERRORTYPE));
}

class MakeDirectoryGivesUp : public MakeDirectory, public ::testing::WithParamInterface<int> {};

TEST_P(MakeDirectoryGivesUp, OnSkipCancelOrEsc) {
    MakeDeviceDir("\\Taken");
    vbhost::Host& host = OpenDevice();
    SetLastError(0);
    AnswerNameDialog("Taken");
    host.Script().AnswerMessage(GetParam());
    host.Script().AnswerMessage(0);  // the host's own "cannot create" box
    EXPECT_EQ(host.PressF7(), 0);
    std::vector<vbhost::MessageCall> boxes = ErrorBoxes();
    ASSERT_GE(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].items[1], "Win32 Error #");
    EXPECT_EQ(boxes[0].items[2], "183") << "the device's error, made the thread's own";
    EXPECT_EQ(boxes[0].lastError, 183u);
}

INSTANTIATE_TEST_SUITE_P(Answers, MakeDirectoryGivesUp, ::testing::Values(1, 2, -1));

TEST_F(MakeDirectory, NameWithABackslashIsAPathBelowTheCurrentDirectory) {
    MakeDeviceDir("\\A");
    vbhost::Host& host = OpenDevice();
    AnswerNameDialog("A\\Inner");
    EXPECT_EQ(host.PressF7(), 1);
    EXPECT_TRUE(DeviceEntryExists("\\A\\Inner"));
}

TEST_F(MakeDirectory, ErrorNumbersOfTheLinkAndOfTheSystem) {
    vbhost::Host& host = OpenDevice();
    // The link drops at the creation: the link's own number.
    vbdevice::DropLinkAtCall(1);
    host.Script().AnswerMessage(1);
    EXPECT_EQ(MakeSilently("Dropped"), 0);
    std::vector<vbhost::MessageCall> boxes = ErrorBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].items[1], "RAPI Error #");
    EXPECT_EQ(boxes[0].items[2], std::to_string(static_cast<int>(E_FAIL)));
}

TEST_F(MakeDirectory, SystemErrorIsShownBeforeTheDevicesOwn) {
    MakeDeviceDir("\\Taken");
    vbhost::Host& host = OpenDevice();
    vbdevice::ResetCallCounts();
    SetLastError(ERROR_ACCESS_DENIED);
    host.Script().AnswerMessage(1);
    EXPECT_EQ(MakeSilently("Taken"), 0);
    std::vector<vbhost::MessageCall> boxes = ErrorBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].items[1], "Win32 Error #");
    EXPECT_EQ(boxes[0].items[2], "5");
    EXPECT_EQ(vbdevice::CallCount(vbdevice::Operation::CeGetLastError), 0u);
}

// A name that would make the path longer than 260 creates nothing and is
// reported as a name that is too long.
TEST_F(MakeDirectory, PathThatDoesNotFitIsRefusedAndReported) {
    vbhost::Host& host = OpenDevice();
    host.Script().AnswerMessage(2);
    EXPECT_EQ(MakeSilently(std::string(259, 'n')), 0);
    std::vector<vbhost::MessageCall> boxes = ErrorBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].items[2], "206");
    EXPECT_EQ(vbdevice::CallCount(vbdevice::Operation::CeCreateDirectory), 0u);

    AnswerNameDialog(std::string(500, 'm'));
    host.Script().AnswerMessage(1);
    host.Script().AnswerMessage(0);
    EXPECT_EQ(host.PressF7(), 0);
    EXPECT_EQ(vbdevice::CallCount(vbdevice::Operation::CeCreateDirectory), 0u);

    // The longest that fits: \ + 200 + \ + 56 + NUL = 259 (names on the
    // disk that holds the device's storage stay below its own limit).
    std::string parent(200, 'p');
    MakeDeviceDir("\\" + parent);
    EXPECT_EQ(MakeSilently(parent + "\\" + std::string(56, 'k')), 1);
    EXPECT_TRUE(DeviceEntryExists("\\" + parent + "\\" + std::string(56, 'k')));
}

}  // namespace
