// Moves in both directions: exactly the sources whose copy completed are
// deleted, at every depth, and nothing after a cancel.
#include "operations_scenario.h"

namespace {

class Move : public OperationsScenario {
protected:
    void ThreeDeviceFilesWithTheSecondTakenLocally() {
        MakeDeviceFile("\\f1", "one");
        MakeDeviceFile("\\f2", "two");
        MakeDeviceFile("\\f3", "three");
        MakeLocalFile("f2", "local two");
    }
    void ConfirmDestination() {
        Host().Script().OnDialog([](vbhost::RunningDialog& dialog) { dialog.Press(3); });
    }
};

TEST_F(Move, DownloadSkippingOneDeletesTheOthersOnly) {
    ThreeDeviceFilesWithTheSecondTakenLocally();
    vbhost::Host& host = OpenDevice();
    host.Select({"f1", "f2", "f3"});
    ConfirmDestination();
    host.Script().AnswerMessage(2);  // skip f2
    host.Script().LetDialogsRun(2);

    EXPECT_EQ(host.PressCopy(true), 1);
    EXPECT_EQ(DeviceTree(), (std::vector<std::string>{"f2=two"}));
    EXPECT_EQ(LocalTree(), (std::vector<std::string>{"f1=one", "f2=local two", "f3=three"}));
    EXPECT_FALSE(LeftSelected("f1"));
    EXPECT_TRUE(LeftSelected("f2"));
    EXPECT_FALSE(LeftSelected("f3"));
    EXPECT_EQ(ErrorBoxes().size(), 0u);
    EXPECT_EQ(MessagesTitled(Text(26)).size(), 0u) << "the delete pass of a move neither asks nor tells";
}

TEST_F(Move, DownloadCancelledAtTheSecondFileDeletesNothing) {
    ThreeDeviceFilesWithTheSecondTakenLocally();
    vbhost::Host& host = OpenDevice();
    host.Select({"f1", "f2", "f3"});
    ConfirmDestination();
    host.Script().AnswerMessage(4);  // cancel at f2
    host.Script().LetDialogsRun(1);

    EXPECT_EQ(host.PressCopy(true), 1);
    EXPECT_EQ(DeviceTree(), (std::vector<std::string>{"f1=one", "f2=two", "f3=three"}));
    EXPECT_EQ(LocalTree(), (std::vector<std::string>{"f1=one", "f2=local two"}));
    EXPECT_FALSE(LeftSelected("f1"));
}

// The current item alone reaches the module without PPIF_SELECTED; its copy
// skipped, it must still stay on the device.
TEST_F(Move, DownloadOfTheCurrentItemSkippedKeepsIt) {
    ThreeDeviceFilesWithTheSecondTakenLocally();
    vbhost::Host& host = OpenDevice();
    host.SetCursor("f2");
    ConfirmDestination();
    host.Script().AnswerMessage(2);

    EXPECT_EQ(host.PressCopy(true), 1);
    EXPECT_TRUE(DeviceEntryExists("\\f2"));
    EXPECT_EQ(LocalFileContent("f2"), "local two");
}

// One entry deep in a tree cannot be read on the device: it and the
// directories above it stay on the device, everything else is moved, and
// the only box is the one for that entry.
TEST_F(Move, DownloadTreeWithOneFailedEntry) {
    MakeDeviceFile("\\T\\a", "A");
    MakeDeviceFile("\\T\\s\\b", "B");
    MakeDeviceFile("\\T\\s\\c", "C");
    MakeDeviceFile("\\T\\u\\d", "D");
    MakeDeviceDir("\\T\\u\\e");
    vbhost::Host& host = OpenDevice();
    host.SetCursor("T");
    ConfirmDestination();
    // Opened in walk order: T\a, T\s\b, ...: the second fails.
    vbdevice::FailCall(vbdevice::Operation::CeCreateFile, 2, ERROR_ACCESS_DENIED);
    host.Script().AnswerMessage(0);  // the box without a name
    host.Script().LetDialogsRun(3);

    EXPECT_EQ(host.PressCopy(true), 1);
    EXPECT_EQ(DeviceTree(), (std::vector<std::string>{"T/", "T/s/", "T/s/b=B"}));
    EXPECT_EQ(LocalTree(), (std::vector<std::string>{"T/", "T/a=A", "T/s/", "T/s/c=C", "T/u/", "T/u/d=D", "T/u/e/"}));
    EXPECT_EQ(ErrorBoxes().size(), 1u);
}

TEST_F(Move, DownloadOfAWholeTreeRemovesItsDirectoriesToo) {
    MakeDeviceFile("\\T\\a", "A");
    MakeDeviceFile("\\T\\s\\b", "B");
    MakeDeviceDir("\\T\\empty");
    MakeDeviceFile("\\stay", "S");
    vbhost::Host& host = OpenDevice();
    host.SetCursor("T");
    ConfirmDestination();
    host.Script().LetDialogsRun(2);

    EXPECT_EQ(host.PressCopy(true), 1);
    EXPECT_EQ(DeviceTree(), (std::vector<std::string>{"stay=S"}));
    EXPECT_EQ(LocalTree(), (std::vector<std::string>{"T/", "T/a=A", "T/empty/", "T/s/", "T/s/b=B"}));
    EXPECT_TRUE(ErrorBoxes().empty());
    EXPECT_EQ(host.ItemNames(), (std::vector<std::string>{"..", "stay"}));
}

TEST_F(Move, UploadSkippingOneDeletesTheOthersLocally) {
    MakeLocalFile("f1", "one");
    MakeLocalFile("f2", "two");
    MakeLocalFile("f3", "three");
    MakeDeviceFile("\\f2", "device two");
    vbhost::Host& host = OpenDevice();
    ActivateLocalPanel();
    host.Select({"f1", "f2", "f3"});
    host.Script().AnswerMessage(2);
    host.Script().LetDialogsRun(2);

    EXPECT_EQ(host.PressCopy(true), 1);
    EXPECT_EQ(LocalTree(), (std::vector<std::string>{"f2=two"}));
    EXPECT_EQ(DeviceTree(), (std::vector<std::string>{"f1=one", "f2=device two", "f3=three"}));
    EXPECT_TRUE(LeftSelected("f2"));
    EXPECT_FALSE(LeftSelected("f3"));
}

TEST_F(Move, UploadCancelledAtTheSecondFileDeletesNothing) {
    MakeLocalFile("f1", "one");
    MakeLocalFile("f2", "two");
    MakeLocalFile("f3", "three");
    MakeDeviceFile("\\f2", "device two");
    vbhost::Host& host = OpenDevice();
    ActivateLocalPanel();
    host.Select({"f1", "f2", "f3"});
    host.Script().AnswerMessage(4);
    host.Script().LetDialogsRun(1);

    EXPECT_EQ(host.PressCopy(true), 1);
    EXPECT_EQ(LocalTree(), (std::vector<std::string>{"f1=one", "f2=two", "f3=three"}));
    EXPECT_EQ(DeviceTree(), (std::vector<std::string>{"f1=one", "f2=device two"}));
}

// The local delete pass removes what was uploaded, at every depth, and not
// what the device holds under the same names: a device entry that has no
// local source is never a reason to delete anything locally, and a local
// file that could not be read stays with its directories.
TEST_F(Move, UploadTreeRemovesExactlyWhatWasUploaded) {
    MakeLocalFile("T/a", "A");
    MakeLocalFile("T/s/b", "B");
    MakeLocalFile("T/s/c", "C");
    MakeLocalFile("T/u/d", "D");
    MakeDeviceFile("\\T\\s\\only-on-device", "X");
    HANDLE lock = CreateFileA(Local("T/s/b").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    vbhost::Host& host = OpenDevice();
    ActivateLocalPanel();
    host.SetCursor("T");
    host.Script().LetDialogsRun(3);

    EXPECT_EQ(host.PressCopy(true), 1);
    CloseHandle(lock);
    EXPECT_EQ(LocalTree(), (std::vector<std::string>{"T/", "T/s/", "T/s/b=B"}));
    EXPECT_EQ(DeviceTree(), (std::vector<std::string>{"T/", "T/a=A", "T/s/", "T/s/c=C", "T/s/only-on-device=X",
                                                      "T/u/", "T/u/d=D"}));
    EXPECT_TRUE(host.Messages().empty());
}

}  // namespace
