// Targets that exist, in both directions: the five answers of the question,
// the standing answers for the rest of the operation, and the box instead of
// the question when the host asks for silence.
#include <cstring>

#include "operations_scenario.h"

namespace {

enum class Direction { Download, Upload };

class ExistingTargets : public OperationsScenario {
protected:
    // f1..f3 with "newN" at the source, "old" at the target.
    void MakeFiles(Direction direction) {
        for (int i = 1; i <= 3; ++i) {
            std::string name = "f" + std::to_string(i);
            std::string fresh = "new" + std::to_string(i);
            if (direction == Direction::Download) {
                MakeDeviceFile("\\" + name, fresh);
                MakeLocalFile(name, "old");
            } else {
                MakeLocalFile(name, fresh);
                MakeDeviceFile("\\" + name, "old");
            }
        }
    }

    std::vector<std::string> Targets(Direction direction) {
        std::vector<std::string> contents;
        for (int i = 1; i <= 3; ++i) {
            std::string name = "f" + std::to_string(i);
            contents.push_back(direction == Direction::Download ? LocalFileContent(name)
                                                                : DeviceFileContent("\\" + name));
        }
        return contents;
    }

    // Selects f1..f3 on the source side; a download's destination is
    // confirmed as offered.
    void SelectAll(Direction direction) {
        vbhost::Host& host = Host();
        if (direction == Direction::Download) {
            host.Script().OnDialog([](vbhost::RunningDialog& dialog) { dialog.Press(3); });
        } else {
            ActivateLocalPanel();
        }
        host.Select({"f1", "f2", "f3"});
    }

    std::string TargetPath(Direction direction, const std::string& name) {
        return direction == Direction::Download ? Local(name) : "\\" + name;
    }
};

struct AnswerCase {
    const char* title;
    std::vector<int> answers;        // to the questions, in order
    std::vector<std::string> after;  // f1..f3 at the target
};

class ExistingTargetAnswers : public ExistingTargets,
                              public ::testing::WithParamInterface<std::tuple<Direction, AnswerCase>> {};

TEST_P(ExistingTargetAnswers, DecideEachFileAndHoldForTheRest) {
    Direction direction = std::get<0>(GetParam());
    const AnswerCase& c = std::get<1>(GetParam());
    MakeFiles(direction);
    vbhost::Host& host = OpenDevice();
    SelectAll(direction);
    for (int answer : c.answers) host.Script().AnswerMessage(answer);
    int copies = 0;
    for (size_t i = 0; i < c.after.size(); ++i) copies += c.after[i] != "old";
    host.Script().LetDialogsRun(copies);

    EXPECT_EQ(host.PressCopy(false), 1);
    EXPECT_EQ(Targets(direction), c.after);
    std::vector<vbhost::MessageCall> prompts = ExistingPrompts();
    ASSERT_EQ(prompts.size(), c.answers.size()) << "a standing answer asks no more";
    EXPECT_EQ(prompts[0].items, (std::vector<std::string>{Text(3), Text(20), TargetPath(direction, "f1"), Text(21),
                                                          Text(22), Text(23), Text(24), Text(1)}));
    EXPECT_EQ(prompts[0].buttonsNumber, 5);
    EXPECT_EQ(prompts[0].flags, static_cast<DWORD>(FMSG_WARNING));
    EXPECT_TRUE(ErrorBoxes().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Answers, ExistingTargetAnswers,
    ::testing::Combine(
        ::testing::Values(Direction::Download, Direction::Upload),
        ::testing::Values(AnswerCase{"OverwriteOneSkipOne", {0, 2, 0}, {"new1", "old", "new3"}},
                          AnswerCase{"OverwriteAll", {1}, {"new1", "new2", "new3"}},
                          AnswerCase{"SkipAll", {3}, {"old", "old", "old"}},
                          AnswerCase{"CancelStops", {0, 4}, {"new1", "old", "old"}},
                          AnswerCase{"EscStops", {-1}, {"old", "old", "old"}})),
    [](const ::testing::TestParamInfo<std::tuple<Direction, AnswerCase>>& info) {
        return std::string(std::get<0>(info.param) == Direction::Download ? "Download" : "Upload") +
               std::get<1>(info.param).title;
    });

// Each operation starts asking again: a standing answer ends with it.
TEST_F(ExistingTargets, StandingAnswerLastsOneOperation) {
    MakeFiles(Direction::Download);
    vbhost::Host& host = OpenDevice();
    SelectAll(Direction::Download);
    host.Script().AnswerMessage(3);
    EXPECT_EQ(host.PressCopy(false), 1);
    host.SetCursor("f2");
    host.Script().OnDialog([](vbhost::RunningDialog& dialog) { dialog.Press(3); });
    host.Script().AnswerMessage(0);
    host.Script().LetDialogsRun();
    EXPECT_EQ(host.PressCopy(false), 1);
    EXPECT_EQ(Targets(Direction::Download), (std::vector<std::string>{"old", "new2", "old"}));
    EXPECT_EQ(ExistingPrompts().size(), 2u);
}

class SilentExistingTarget : public ExistingTargets, public ::testing::WithParamInterface<Direction> {};

// Under OPM_SILENT nothing is asked: the existing target is reported with
// the message-19 box (here skipped, then cancelled).
TEST_P(SilentExistingTarget, GivesTheErrorBoxInsteadOfTheQuestion) {
    Direction direction = GetParam();
    MakeFiles(direction);
    vbhost::Host& host = OpenDevice();
    host.Script().AnswerMessage(1);  // skip f1
    host.Script().AnswerMessage(2);  // cancel at f2
    int result;
    if (direction == Direction::Download) {
        std::vector<PluginPanelItem> items = HostItems(host, {"f1", "f2", "f3"});
        char dest[260];
        std::snprintf(dest, sizeof dest, "%s", local_.c_str());
        result = host.Module().GetFiles(DevicePanel(), items.data(), 3, 0, dest, OPM_SILENT);
    } else {
        std::vector<PluginPanelItem> items(3);
        for (int i = 0; i < 3; ++i) {
            std::memset(&items[i], 0, sizeof items[i]);
            std::snprintf(items[i].FindData.cFileName, 260, "f%d", i + 1);
            items[i].Flags = PPIF_SELECTED;
        }
        char previous[1024];
        GetCurrentDirectoryA(sizeof previous, previous);
        SetCurrentDirectoryA(local_.c_str());
        result = host.Module().PutFiles(DevicePanel(), items.data(), 3, 0, OPM_SILENT);
        SetCurrentDirectoryA(previous);
    }
    EXPECT_EQ(result, 1);
    EXPECT_EQ(Targets(direction), (std::vector<std::string>{"old", "old", "old"}));
    EXPECT_TRUE(ExistingPrompts().empty());
    std::vector<vbhost::MessageCall> boxes = ErrorBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].items[2], "80");
    EXPECT_EQ(boxes[0].items[3], Format(19, "f1"));
    EXPECT_EQ(boxes[1].items[3], Format(19, "f2"));
}

INSTANTIATE_TEST_SUITE_P(Directions, SilentExistingTarget,
                         ::testing::Values(Direction::Download, Direction::Upload),
                         [](const ::testing::TestParamInfo<Direction>& info) {
                             return std::string(info.param == Direction::Download ? "Download" : "Upload");
                         });

}  // namespace
