// Copying from the device panel to the local folder: trees, failures of the
// source and of the target, and paths that do not fit or lead elsewhere.
#include <filesystem>

#include "operations_scenario.h"

namespace fs = std::filesystem;

namespace {

class Download : public OperationsScenario {};

// From \Data, the selected items land under the local folder by their path
// relative to \Data; every directory is there before the files in it (a file
// in a missing directory would be reported), so no box appears.
TEST_F(Download, TreeLandsUnderItsRelativePaths) {
    MakeDeviceFile("\\Data\\top.txt", "top");
    MakeDeviceFile("\\Data\\Docs\\a.txt", "alpha");
    MakeDeviceFile("\\Data\\Docs\\sub\\b.txt", "beta");
    MakeDeviceFile("\\Data\\Docs\\sub\\deep\\c.txt", "gamma");
    MakeDeviceDir("\\Data\\Docs\\empty");
    MakeDeviceFile("\\Data\\left.txt", "not selected");
    vbhost::Host& host = OpenDeviceAt("\\Data");
    host.Select({"Docs", "top.txt"});
    host.Script().OnDialog([](vbhost::RunningDialog& dialog) { dialog.Press(3); });
    host.Script().LetDialogsRun(4);

    EXPECT_EQ(host.PressCopy(false), 1);
    EXPECT_EQ(LocalTree(), (std::vector<std::string>{"Docs/", "Docs/a.txt=alpha", "Docs/empty/", "Docs/sub/",
                                                     "Docs/sub/b.txt=beta", "Docs/sub/deep/", "Docs/sub/deep/c.txt=gamma",
                                                     "top.txt=top"}));
    EXPECT_TRUE(ErrorBoxes().empty());
    EXPECT_TRUE(DeviceEntryExists("\\Data\\Docs\\sub\\deep\\c.txt")) << "a copy leaves the device alone";
    EXPECT_TRUE(host.SelectedNames().empty()) << "result 1: the host clears the selection";
    EXPECT_FALSE(LeftSelected("top.txt"));
    EXPECT_TRUE(LeftSelected("Docs")) << "a directory item keeps its flag";
}

TEST_F(Download, EmptyFileNeedsNoProgressDialog) {
    MakeDeviceFile("\\empty.bin", "");
    vbhost::Host& host = OpenDevice();
    host.SetCursor("empty.bin");
    host.Script().OnDialog([](vbhost::RunningDialog& dialog) { dialog.Press(3); });
    EXPECT_EQ(host.PressCopy(false), 1);
    EXPECT_EQ(LocalTree(), (std::vector<std::string>{"empty.bin="}));
}

// The device file vanished after the panel was read: the box without a
// name, nothing new locally, and a local file of that name stays as it was.
TEST_F(Download, VanishedDeviceFileLeavesTheLocalSideAlone) {
    MakeDeviceFile("\\gone.txt", "device");
    MakeDeviceFile("\\kept.txt", "k");
    MakeLocalFile("kept.txt", "local version");
    vbhost::Host& host = OpenDevice();
    fs::remove(vbdevice::DiskPathOf(Wide("\\gone.txt").c_str()));
    fs::remove(vbdevice::DiskPathOf(Wide("\\kept.txt").c_str()));
    host.Select({"gone.txt", "kept.txt"});
    host.Script().OnDialog([](vbhost::RunningDialog& dialog) { dialog.Press(3); });
    host.Script().AnswerMessage(0);
    host.Script().AnswerMessage(0);

    EXPECT_EQ(host.PressCopy(false), 1);
    EXPECT_EQ(LocalTree(), (std::vector<std::string>{"kept.txt=local version"}));
    std::vector<vbhost::MessageCall> boxes = ErrorBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].buttonsNumber, 1) << "no subject: one button";
    EXPECT_EQ(boxes[0].items[2], "2");
    EXPECT_TRUE(ExistingPrompts().empty()) << "nothing is asked for a source that is not there";
}

// A local path of 260 bytes and more is refused for that file with the
// message-19 box and error 206; one byte shorter still fits.
TEST_F(Download, LocalPathThatDoesNotFitIsRefused) {
    // local_ + separator + name: 260 characters with the longer name.
    std::string longName(259 - local_.size(), 'n');
    std::string fitting(258 - local_.size(), 'f');
    MakeDeviceFile("\\" + longName, "long");
    MakeDeviceFile("\\" + fitting, "fits");
    vbhost::Host& host = OpenDevice();
    host.Select({longName, fitting});
    host.Script().OnDialog([](vbhost::RunningDialog& dialog) { dialog.Press(3); });
    host.Script().LetDialogsRun();
    host.Script().AnswerMessage(0);  // retry: refused again
    host.Script().AnswerMessage(1);  // skip

    EXPECT_EQ(host.PressCopy(false), 1);
    EXPECT_EQ(LocalTree(), (std::vector<std::string>{fitting + "=fits"}));
    std::vector<vbhost::MessageCall> boxes = ErrorBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].items[2], "206");
    EXPECT_EQ(boxes[0].items[3], Format(19, longName).substr(0, 259)) << "the line is cut to its buffer";
    EXPECT_EQ(boxes[0].buttonsNumber, 3);
    EXPECT_TRUE(LeftSelected(longName));
}

// Names in a host list that hold ".." parts or are absolute never make the
// download write outside the destination: each is refused with a box.
TEST_F(Download, HostListNamesLeadingOutsideTheDestinationAreRefused) {
    MakeDeviceFile("\\D\\one.txt", "1");
    MakeDeviceFile("\\D\\two.txt", "2");
    MakeDeviceFile("\\D\\three.txt", "3");
    MakeDeviceFile("\\D\\four.txt", "4");
    vbhost::Host& host = OpenDevice();
    const std::vector<std::string> forged = {"D\\..\\..\\escaped.txt", "\\rooted.txt", "C:\\drive.txt", "D\\..\\up.txt"};
    host.SetDirListFilter([forged](std::vector<PluginPanelItem>& list) {
        for (size_t i = 0; i < list.size() && i < forged.size(); ++i)
            std::snprintf(list[i].FindData.cFileName, sizeof list[i].FindData.cFileName, "%s", forged[i].c_str());
    });
    host.SetCursor("D");
    host.Script().OnDialog([](vbhost::RunningDialog& dialog) { dialog.Press(3); });
    for (size_t i = 0; i < forged.size(); ++i) host.Script().AnswerMessage(1);

    EXPECT_EQ(host.PressCopy(false), 1);
    EXPECT_EQ(LocalTree(), (std::vector<std::string>{"D/"}));
    EXPECT_FALSE(fs::exists(fs::path(folder_) / "escaped.txt"));
    EXPECT_FALSE(fs::exists(fs::path(local_) / "up.txt"));
    std::vector<vbhost::MessageCall> boxes = ErrorBoxes();
    ASSERT_EQ(boxes.size(), forged.size());
    for (size_t i = 0; i < forged.size(); ++i) {
        EXPECT_EQ(boxes[i].items[2], "123");
        EXPECT_EQ(boxes[i].items[3], Format(19, forged[i]));
    }
}

}  // namespace
