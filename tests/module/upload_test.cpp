// Copying from the local panel onto the device panel: trees, unreadable
// local files, the trace line per file, and device paths that do not fit.
#include "operations_scenario.h"
#include "test_support.h"

namespace {

class Upload : public OperationsScenario {};

// Into \Target, where Docs exists already and is reused without a word.
TEST_F(Upload, TreeLandsInTheCurrentDeviceDirectory) {
    MakeLocalFile("top.txt", "top");
    MakeLocalFile("Docs/a.txt", "alpha");
    MakeLocalFile("Docs/sub/b.txt", "beta");
    MakeLocalFile("Docs/sub/deep/c.txt", "gamma");
    MakeLocalDir("Docs/empty");
    MakeLocalFile("left.txt", "not selected");
    MakeDeviceDir("\\Target\\Docs");
    vbhost::Host& host = OpenDeviceAt("\\Target");
    ActivateLocalPanel();
    host.Select({"Docs", "top.txt"});
    host.Script().LetDialogsRun(4);

    EXPECT_EQ(host.PressCopy(false), 1);
    EXPECT_EQ(DeviceTree(), (std::vector<std::string>{"Target/", "Target/Docs/", "Target/Docs/a.txt=alpha",
                                                      "Target/Docs/empty/", "Target/Docs/sub/", "Target/Docs/sub/b.txt=beta",
                                                      "Target/Docs/sub/deep/", "Target/Docs/sub/deep/c.txt=gamma",
                                                      "Target/top.txt=top"}));
    EXPECT_TRUE(Host().Messages().empty()) << "no box, no question";
    EXPECT_TRUE(LocalExists("Docs/sub/deep/c.txt")) << "a copy leaves the local side alone";
    EXPECT_TRUE(host.SelectedNames().empty());
    std::vector<std::string> names;
    for (const PluginPanelItem& item : host.PanelAt(0).items) names.push_back(item.FindData.cFileName);
    EXPECT_EQ(names, (std::vector<std::string>{"..", "Docs", "top.txt"})) << "the device panel is read again";
}

// A local file held open against reading: no message, nothing on the
// device, the item stays selected, and the walk goes on. "Copied" is traced
// once for every file, copied or not.
TEST_F(Upload, FileLockedAgainstReadingIsSkippedQuietly) {
    MakeLocalFile("a.txt", "A");
    MakeLocalFile("locked.txt", "L");
    MakeLocalFile("c.txt", "C");
    HANDLE lock = CreateFileA(Local("locked.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    vbhost::Host& host = OpenDevice();
    ActivateLocalPanel();
    host.Select({"a.txt", "locked.txt", "c.txt"});
    host.Script().LetDialogsRun(2);
    vbhost::ClearTrace();

    EXPECT_EQ(host.PressCopy(false), 1);
    CloseHandle(lock);
    EXPECT_EQ(DeviceTree(), (std::vector<std::string>{"a.txt=A", "c.txt=C"}));
    EXPECT_TRUE(host.Messages().empty());
    EXPECT_FALSE(LeftSelected("a.txt"));
    EXPECT_TRUE(LeftSelected("locked.txt"));
    EXPECT_FALSE(LeftSelected("c.txt"));
    EXPECT_EQ(TraceCount(vbhost::TakeTrace(), "Copied"), 3);
}

// \<200 characters>\ joined with a 70-character name passes 260 units: that
// file is refused with the message-19 box and 206, the short one is copied.
TEST_F(Upload, DevicePathThatDoesNotFitIsRefused) {
    std::string deep(200, 'd');
    std::string longName(70, 'n');
    MakeDeviceDir("\\" + deep);
    MakeLocalFile(longName, "long");
    MakeLocalFile("s.txt", "short");
    vbhost::Host& host = OpenDeviceAt("\\" + deep);
    ActivateLocalPanel();
    host.Select({longName, "s.txt"});
    host.Script().AnswerMessage(1);
    host.Script().LetDialogsRun();

    EXPECT_EQ(host.PressCopy(false), 1);
    EXPECT_EQ(DeviceTree(), (std::vector<std::string>{deep + "/", deep + "/s.txt=short"}));
    std::vector<vbhost::MessageCall> boxes = ErrorBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].items[2], "206");
    EXPECT_EQ(boxes[0].items[3], Format(19, longName));
    EXPECT_EQ(vbdevice::CallCount(vbdevice::Operation::CeCreateFile), 1u) << "only the short file reached the device";
}

// A device that refuses the new file: the box with the device's own number.
TEST_F(Upload, DeviceRefusalIsReportedWithItsNumber) {
    MakeLocalFile("a.txt", "A");
    vbhost::Host& host = OpenDevice();
    ActivateLocalPanel();
    host.SetCursor("a.txt");
    vbdevice::FailCall(vbdevice::Operation::CeCreateFile, 1, ERROR_ACCESS_DENIED);
    host.Script().AnswerMessage(0);  // retry: the device takes it now
    host.Script().LetDialogsRun();

    EXPECT_EQ(host.PressCopy(false), 1);
    EXPECT_EQ(DeviceTree(), (std::vector<std::string>{"a.txt=A"}));
    std::vector<vbhost::MessageCall> boxes = ErrorBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].items[1], "Win32 Error #");
    EXPECT_EQ(boxes[0].items[2], "5");
}

}  // namespace
