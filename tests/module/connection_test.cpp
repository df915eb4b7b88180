// Opening the device: the connection wait with its bar, Esc, and failures.
#include <algorithm>

#include "device_scenario.h"
#include "test_support.h"

namespace {

class Connection : public DeviceScenario {};

int FilledCells(const std::string& bar) {
    return static_cast<int>(std::count(bar.begin(), bar.end(), '\xDB'));
}

// The boxes shown while connecting: the two-line box, then one per time-out.
std::vector<vbhost::MessageCall> ConnectingBoxes(const std::vector<vbhost::MessageCall>& messages,
                                                 const std::string& title) {
    std::vector<vbhost::MessageCall> boxes;
    for (const vbhost::MessageCall& call : messages)
        if (call.Title() == title) boxes.push_back(call);
    return boxes;
}

struct BarCase {
    int timeWaitInit;
    std::vector<int> filled;  // after each time-out
};

class ConnectionBar : public Connection, public ::testing::WithParamInterface<BarCase> {};

TEST_P(ConnectionBar, GrowsAfterEachTimeOutThenFailsWithNoLink) {
    const BarCase& c = GetParam();
    StoreSetting("TimeWaitInit", static_cast<DWORD>(c.timeWaitInit));
    vbdevice::SetConnectionModel({vbdevice::ConnectMode::NeverSignal, 0});
    vbhost::Host& host = StartWithLocalPanel();
    host.Script().AnswerMessage(0);

    EXPECT_FALSE(host.OpenFromDiskMenu());

    std::vector<vbhost::MessageCall> messages = host.Messages();
    std::vector<vbhost::MessageCall> boxes = ConnectingBoxes(messages, Text(10));
    ASSERT_EQ(boxes.size(), c.filled.size() + 1);
    EXPECT_EQ(boxes[0].items, (std::vector<std::string>{Text(10), Text(11)}));
    EXPECT_EQ(boxes[0].flags, 0u);
    EXPECT_EQ(boxes[0].buttonsNumber, 0);
    for (size_t i = 0; i < c.filled.size(); ++i) {
        const vbhost::MessageCall& box = boxes[i + 1];
        ASSERT_EQ(box.items.size(), 3u);
        EXPECT_EQ(box.items[2].size(), 40u);
        EXPECT_EQ(FilledCells(box.items[2]), c.filled[i]) << "after time-out " << i + 1;
        EXPECT_EQ(box.flags, i == 0 ? 0u : static_cast<DWORD>(FMSG_KEEPBACKGROUND));
    }
    const vbhost::MessageCall& failure = messages.back();
    EXPECT_EQ(failure.flags, static_cast<DWORD>(FMSG_WARNING | FMSG_ERRORTYPE));
    EXPECT_EQ(failure.items, (std::vector<std::string>{Text(2), Text(14), Text(0)}));
    EXPECT_EQ(failure.buttonsNumber, 1);
}

std::vector<int> Filled(int passes) {
    std::vector<int> filled;
    for (int i = 0; i < passes; ++i) filled.push_back(40 * (i + 1) / passes);
    return filled;
}

INSTANTIATE_TEST_SUITE_P(Waits, ConnectionBar,
                         ::testing::Values(BarCase{0, {}}, BarCase{3, {13, 26, 40}},
                                           BarCase{7, {5, 11, 17, 22, 28, 34, 40}},
                                           BarCase{10, {4, 8, 12, 16, 20, 24, 28, 32, 36, 40}},
                                           BarCase{60, Filled(60)}));

TEST_F(Connection, Wait60StartsWithEmptyCells) {
    std::vector<int> filled = Filled(60);
    EXPECT_EQ(std::vector<int>(filled.begin(), filled.begin() + 8),
              (std::vector<int>{0, 1, 2, 2, 3, 4, 4, 5}));
}

TEST_F(Connection, LinkUpWithinTheFirstSecondShowsNoBar) {
    vbhost::Host& host = OpenDevice();
    std::vector<vbhost::MessageCall> messages = host.Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].items, (std::vector<std::string>{Text(10), Text(11)}));
    EXPECT_TRUE(host.Active().plugin);
    EXPECT_EQ(host.Calls(vbhost::Service::SaveScreen), host.Calls(vbhost::Service::RestoreScreen));
}

struct FailureCase {
    vbdevice::ConnectMode mode;
    int line;
};

class ConnectionFailure : public Connection, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(ConnectionFailure, IsReportedWithItsLine) {
    vbdevice::SetConnectionModel({GetParam().mode, 0});
    vbhost::Host& host = StartWithLocalPanel();
    host.Script().AnswerMessage(0);
    EXPECT_FALSE(host.OpenFromDiskMenu());
    EXPECT_FALSE(host.Active().plugin);
    std::vector<vbhost::MessageCall> failures = MessagesTitled(Text(2));
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].items[1], Text(GetParam().line));
    EXPECT_TRUE(MessagesTitled(Text(10)).size() == 1u) << "no waiting, so no bar";
}

INSTANTIATE_TEST_SUITE_P(Modes, ConnectionFailure,
                         ::testing::Values(FailureCase{vbdevice::ConnectMode::FailStart, 12},
                                           FailureCase{vbdevice::ConnectMode::FailSignal, 14}));

TEST_F(Connection, EscDuringTheWaitGivesUpSilently) {
    StoreSetting("TimeWaitInit", 10);
    vbdevice::SetConnectionModel({vbdevice::ConnectMode::NeverSignal, 0});
    vbhost::Host& host = StartWithLocalPanel();
    PressConsoleKey(VK_ESCAPE);
    EXPECT_FALSE(host.OpenFromDiskMenu());
    std::vector<vbhost::MessageCall> messages = host.Messages();
    ASSERT_EQ(messages.size(), 1u) << "only the two-line box: the first time-out saw the Esc";
    EXPECT_EQ(messages[0].items.size(), 2u);
}

TEST_F(Connection, OtherKeysAndAnEscKeyUpDoNotEndTheWait) {
    StoreSetting("TimeWaitInit", 3);
    vbdevice::SetConnectionModel({vbdevice::ConnectMode::NeverSignal, 0});
    vbhost::Host& host = StartWithLocalPanel();
    PressConsoleKey('A');
    PressConsoleKey(VK_ESCAPE, false);
    host.Script().AnswerMessage(0);
    EXPECT_FALSE(host.OpenFromDiskMenu());
    EXPECT_EQ(MessagesTitled(Text(10)).size(), 4u) << "all three passes ran";
    EXPECT_EQ(MessagesTitled(Text(2)).size(), 1u);
}

TEST_F(Connection, EscIsNotReadWhenTheLinkIsAlreadyUp) {
    vbhost::Host& host = StartWithLocalPanel();
    PressConsoleKey(VK_ESCAPE);
    EXPECT_TRUE(host.OpenFromDiskMenu());
    EXPECT_EQ(vbhost::PendingConsoleInput(), 1u);
}

// The start's result exists only once the library has signalled: without a
// wait it counts as failed.
TEST_F(Connection, NegativeWaitCountsAsFailedStart) {
    StoreSetting("TimeWaitInit", static_cast<DWORD>(-1));
    vbhost::Host& host = StartWithLocalPanel();
    host.Script().AnswerMessage(0);
    EXPECT_FALSE(host.OpenFromDiskMenu());
    std::vector<vbhost::MessageCall> failures = MessagesTitled(Text(2));
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].items[1], Text(14));
}

TEST_F(Connection, SecondPanelOpensWithoutConnectingAgain) {
    vbhost::Host& host = OpenDevice();
    host.ClearRecords();
    vbdevice::ResetCallCounts();
    host.SetActivePanel(1);
    EXPECT_TRUE(host.OpenFromPluginsMenu());
    EXPECT_TRUE(host.Messages().empty());
    EXPECT_EQ(vbdevice::CallCount(vbdevice::Operation::CeRapiInitEx), 0u);
    EXPECT_EQ(vbdevice::CallCount(vbdevice::Operation::CeRapiUninit), 0u);
    EXPECT_NE(host.PanelAt(0).handle, host.PanelAt(1).handle);
}

TEST_F(Connection, EveryOpeningAfterACloseConnectsAnew) {
    vbhost::Host& host = OpenDevice();
    host.ClosePluginPanel();
    vbdevice::ResetCallCounts();
    EXPECT_TRUE(host.OpenFromDiskMenu());
    EXPECT_EQ(vbdevice::CallCount(vbdevice::Operation::CeRapiUninit), 1u);
    EXPECT_EQ(vbdevice::CallCount(vbdevice::Operation::CeRapiInitEx), 1u);
}

}  // namespace
