// F8 on the device panel: the confirmation, trees removed bottom-up without
// a box, and an entry that cannot be removed.
#include "operations_scenario.h"

namespace {

class Delete : public OperationsScenario {
protected:
    void MakeThreeFilesWithTheSecondReadOnly() {
        MakeDeviceFile("\\a", "A");
        MakeDeviceFile("\\m", "M");
        MakeDeviceFile("\\z", "Z");
        ASSERT_TRUE(vbdevice::SetEntryAttributes(Wide("\\m").c_str(), FILE_ATTRIBUTE_READONLY));
    }
};

struct ConfirmationCase {
    const char* title;
    std::vector<std::string> selection;  // empty: the current item "a"
    bool many;
};

class DeleteConfirmation : public Delete, public ::testing::WithParamInterface<ConfirmationCase> {};

TEST_P(DeleteConfirmation, NamesTheItemOrCountsThem) {
    const ConfirmationCase& c = GetParam();
    MakeDeviceFile("\\a", "A");
    MakeDeviceFile("\\b", "B");
    MakeDeviceFile("\\c", "C");
    vbhost::Host& host = OpenDevice();
    host.SetCursor("a");
    host.Select(c.selection);
    host.Script().AnswerMessage(0);

    EXPECT_EQ(host.PressF8(), 1);
    std::vector<vbhost::MessageCall> asked = MessagesTitled(Text(26));
    ASSERT_FALSE(asked.empty());
    std::string line = c.many ? Format(28, static_cast<int>(c.selection.size())) : Format(27, "a");
    EXPECT_EQ(asked[0].items, (std::vector<std::string>{Text(26), line, Text(0), Text(1)}));
    EXPECT_EQ(asked[0].buttonsNumber, 2);
    EXPECT_EQ(asked[0].flags, static_cast<DWORD>(FMSG_WARNING));
    // Then one notice per item, low on the screen, without buttons.
    size_t removed = c.many ? c.selection.size() : 1;
    ASSERT_EQ(asked.size(), 1 + removed);
    EXPECT_EQ(asked[1].flags, static_cast<DWORD>(FMSG_DOWN));
    EXPECT_EQ(asked[1].buttonsNumber, 0);
    EXPECT_EQ(DeviceTree().size(), 3 - removed);
}

INSTANTIATE_TEST_SUITE_P(Selections, DeleteConfirmation,
                         ::testing::Values(ConfirmationCase{"CurrentItem", {}, false},
                                           ConfirmationCase{"OneSelected", {"a"}, false},
                                           ConfirmationCase{"Several", {"a", "c"}, true}),
                         [](const ::testing::TestParamInfo<ConfirmationCase>& info) {
                             return std::string(info.param.title);
                         });

class DeleteDeclined : public Delete, public ::testing::WithParamInterface<int> {};

TEST_P(DeleteDeclined, ByEscOrTheSecondButtonRemovesNothing) {
    MakeDeviceFile("\\a", "A");
    vbhost::Host& host = OpenDevice();
    host.SetCursor("a");
    host.Script().AnswerMessage(GetParam());
    EXPECT_EQ(host.PressF8(), 0);
    EXPECT_EQ(DeviceTree(), (std::vector<std::string>{"a=A"}));
    EXPECT_EQ(MessagesTitled(Text(26)).size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Answers, DeleteDeclined, ::testing::Values(-1, 1));

TEST_F(Delete, SilentRequestIsRefused) {
    MakeDeviceFile("\\a", "A");
    vbhost::Host& host = OpenDevice();
    std::vector<PluginPanelItem> items = HostItems(host, {"a"});
    EXPECT_EQ(host.Module().DeleteFiles(DevicePanel(), items.data(), 1, OPM_SILENT), 0);
    EXPECT_EQ(DeviceTree(), (std::vector<std::string>{"a=A"}));
    EXPECT_TRUE(host.Messages().empty());
}

TEST_F(Delete, WholeTreeGoesWithoutAnErrorBox) {
    MakeDeviceFile("\\T\\a", "A");
    MakeDeviceFile("\\T\\s\\b", "B");
    MakeDeviceFile("\\T\\s\\deep\\c", "C");
    MakeDeviceDir("\\T\\empty");
    MakeDeviceFile("\\other", "O");
    vbhost::Host& host = OpenDevice();
    host.SetCursor("T");
    host.Script().AnswerMessage(0);

    EXPECT_EQ(host.PressF8(), 1);
    EXPECT_EQ(DeviceTree(), (std::vector<std::string>{"other=O"}));
    EXPECT_TRUE(ErrorBoxes().empty());
    EXPECT_EQ(host.ItemNames(), (std::vector<std::string>{"..", "other"}));
}

// Retry, skip and cancel on a read-only file between two others, removed
// in the host's order.
struct FailureCase {
    const char* title;
    int answer;
    std::vector<std::string> after;
};

class DeleteFailure : public Delete, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(DeleteFailure, IsReportedByNameAndAnswered) {
    const FailureCase& c = GetParam();
    MakeThreeFilesWithTheSecondReadOnly();
    vbhost::Host& host = OpenDevice();
    host.Select({"a", "m", "z"});
    host.Script().AnswerMessage(0);
    int answer = c.answer;
    host.Script().OnMessage([answer](const vbhost::MessageCall&) {
        // Retrying makes sense once the file may be deleted.
        if (answer == 0) vbdevice::SetEntryAttributes(Wide("\\m").c_str(), FILE_ATTRIBUTE_NORMAL);
        return answer;
    });

    EXPECT_EQ(host.PressF8(), 1);
    EXPECT_EQ(DeviceTree(), c.after);
    std::vector<vbhost::MessageCall> boxes = ErrorBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].items[2], "5");
    EXPECT_EQ(boxes[0].items[3], Format(29, "m"));
    EXPECT_EQ(boxes[0].buttonsNumber, 3);
    EXPECT_EQ(LeftSelected("m"), c.answer != 0);
    EXPECT_FALSE(LeftSelected("a"));
}

INSTANTIATE_TEST_SUITE_P(Answers, DeleteFailure,
                         ::testing::Values(FailureCase{"Retry", 0, {}}, FailureCase{"Skip", 1, {"m=M"}},
                                           FailureCase{"Esc", -1, {"m=M"}},
                                           FailureCase{"Cancel", 2, {"m=M", "z=Z"}}),
                         [](const ::testing::TestParamInfo<FailureCase>& info) {
                             return std::string(info.param.title);
                         });

// Inside a tree: the entry that stays is reported once, and the directories
// above it stay without a box of their own.
TEST_F(Delete, FailureInsideATreeIsReportedOnce) {
    MakeDeviceFile("\\T\\a", "A");
    MakeDeviceFile("\\T\\s\\ro", "R");
    MakeDeviceFile("\\T\\s\\z", "Z");
    MakeDeviceFile("\\T\\u\\d", "D");
    ASSERT_TRUE(vbdevice::SetEntryAttributes(Wide("\\T\\s\\ro").c_str(), FILE_ATTRIBUTE_READONLY));
    vbhost::Host& host = OpenDevice();
    host.SetCursor("T");
    host.Script().AnswerMessage(0);
    host.Script().AnswerMessage(1);  // skip T\s\ro

    EXPECT_EQ(host.PressF8(), 1);
    EXPECT_EQ(DeviceTree(), (std::vector<std::string>{"T/", "T/s/", "T/s/ro=R"}));
    std::vector<vbhost::MessageCall> boxes = ErrorBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].items[3], Format(29, "T\\s\\ro"));
}

}  // namespace
