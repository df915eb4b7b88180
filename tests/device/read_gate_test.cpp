// The read gate: a read held until the test lets it go, while the other
// thread goes on using the device.
#include <thread>

#include "device_fixture.h"
#include "rapi.h"

namespace {

class ReadGateTest : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        MakeFile("\\f", "0123456789");
        file_ = CeCreateFile(VB_WTEXT("\\f"), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(file_, INVALID_HANDLE_VALUE);
    }

    void TearDown() override {
        vbdevice::ReleaseReadGate();  // never leave a reader behind on a failed check
        if (reader_.joinable()) reader_.join();
        DeviceTest::TearDown();
    }

    // Reads on another thread, `reads` times 4 bytes.
    void StartReader(int reads) {
        reader_ = std::thread([this, reads] {
            for (int i = 0; i < reads; ++i) {
                char buffer[4];
                DWORD read = 0;
                BOOL ok = CeReadFile(file_, buffer, 4, &read, nullptr);
                results_.push_back(Outcome{ok != FALSE, CeGetLastError(), CeRapiGetError()});
                content_.append(buffer, read);
            }
        });
    }

    HANDLE file_ = INVALID_HANDLE_VALUE;
    std::thread reader_;
    std::vector<Outcome> results_;  // the reader's, read after join
    std::string content_;
};

TEST_F(ReadGateTest, HoldsTheNthReadWhileTheOtherThreadGoesOn) {
    vbdevice::ArmReadGate(2);
    StartReader(3);
    ASSERT_TRUE(vbdevice::WaitForHeldRead());
    EXPECT_TRUE(vbdevice::ReadIsHeld());
    // The device answers this thread while the read is held.
    EXPECT_TRUE(Matches(Took(CeCreateDirectory(VB_WTEXT("\\meanwhile"), nullptr)), kSucceeds));
    DWORD count = 0;
    LPCE_FIND_DATA array = nullptr;
    ASSERT_TRUE(CeFindAllFiles(VB_WTEXT("\\*.*"), FAF_NAME, &count, &array));
    EXPECT_EQ(count, 2u);
    CeRapiFreeBuffer(array);
    EXPECT_TRUE(vbdevice::ReadIsHeld());

    vbdevice::ReleaseReadGate();
    reader_.join();
    EXPECT_FALSE(vbdevice::ReadIsHeld());
    EXPECT_EQ(content_, "0123456789");
    ASSERT_EQ(results_.size(), 3u);
    for (const Outcome& result : results_) EXPECT_TRUE(Matches(result, kSucceeds));
}

TEST_F(ReadGateTest, AReadReleasedAfterADropFailsInTheLink) {
    vbdevice::ArmReadGate(1);
    StartReader(1);
    ASSERT_TRUE(vbdevice::WaitForHeldRead());
    vbdevice::DropLink();
    vbdevice::ReleaseReadGate();
    reader_.join();
    ASSERT_EQ(results_.size(), 1u);
    EXPECT_FALSE(results_[0].ok);
    EXPECT_EQ(results_[0].link, E_FAIL);
    EXPECT_EQ(content_, "");
}

TEST_F(ReadGateTest, AReleasedGateLetsLaterReadsThroughAndCanBeArmedAgain) {
    vbdevice::ArmReadGate(1);
    StartReader(1);
    ASSERT_TRUE(vbdevice::WaitForHeldRead());
    vbdevice::ReleaseReadGate();
    reader_.join();
    StartReader(1);
    reader_.join();
    EXPECT_EQ(content_, "01234567");

    vbdevice::ArmReadGate(1);
    StartReader(1);
    ASSERT_TRUE(vbdevice::WaitForHeldRead());
    vbdevice::ReleaseReadGate();
    reader_.join();
    EXPECT_EQ(content_, "0123456789");
}

TEST_F(ReadGateTest, WaitingWithoutAHeldReadTimesOut) {
    EXPECT_FALSE(vbdevice::WaitForHeldRead(10));
    vbdevice::ArmReadGate(1);
    vbdevice::ReleaseReadGate();  // disarms before any read came
    char buffer[4];
    DWORD read = 0;
    EXPECT_TRUE(CeReadFile(file_, buffer, 4, &read, nullptr));
    EXPECT_EQ(read, 4u);
}

TEST_F(ReadGateTest, ResetLetsAHeldReadGo) {
    vbdevice::ArmReadGate(1);
    StartReader(1);
    ASSERT_TRUE(vbdevice::WaitForHeldRead());
    vbdevice::Reset();
    reader_.join();
    ASSERT_EQ(results_.size(), 1u);
    EXPECT_TRUE(Matches(results_[0], FailsWith(ERROR_NOT_CONNECTED)));
}

}  // namespace
