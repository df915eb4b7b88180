// Bringing the link up and down, and how calls fail when it is not up.
#include <functional>
#include <thread>

#include "device_fixture.h"
#include "rapi.h"

namespace {

class ConnectionTest : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        CeRapiUninit();  // each case starts its own way
    }

    HRESULT Start(vbdevice::ConnectionModel model, RAPIINIT* init) {
        vbdevice::SetConnectionModel(model);
        *init = RAPIINIT{};
        init->cbSize = sizeof(RAPIINIT);
        return CeRapiInitEx(init);
    }
};

struct StartCase {
    const char* name;
    vbdevice::ConnectMode mode;
    HRESULT result;       // of CeRapiInitEx
    bool signalled;       // the event, right after the call
    HRESULT hrRapiInit;   // when signalled
    bool linkUp;
};

class ConnectionModelTest : public ConnectionTest, public ::testing::WithParamInterface<StartCase> {};

TEST_P(ConnectionModelTest, StartsAsTheModelSays) {
    const StartCase& c = GetParam();
    RAPIINIT init;
    ASSERT_EQ(Start({c.mode, 0}, &init), c.result);
    if (FAILED(c.result)) {
        EXPECT_EQ(init.heRapiInit, nullptr) << "a start that failed at once gives no event";
    } else {
        ASSERT_NE(init.heRapiInit, nullptr);
        EXPECT_EQ(WaitForSingleObject(init.heRapiInit, 0), c.signalled ? WAIT_OBJECT_0 : WAIT_TIMEOUT);
        if (c.signalled) {
            EXPECT_EQ(init.hrRapiInit, c.hrRapiInit);
        }
    }
    EXPECT_EQ(vbdevice::IsLinkUp(), c.linkUp);
    Outcome call = Took(CeCreateDirectory(VB_WTEXT("\\x"), nullptr));
    EXPECT_TRUE(Matches(call, c.linkUp ? kSucceeds : FailsWith(ERROR_NOT_CONNECTED)));
}

INSTANTIATE_TEST_SUITE_P(
    Models, ConnectionModelTest,
    ::testing::Values(StartCase{"Immediate", vbdevice::ConnectMode::Immediate, S_OK, true, S_OK, true},
                      StartCase{"FailSignal", vbdevice::ConnectMode::FailSignal, S_OK, true, E_FAIL, false},
                      StartCase{"FailStart", vbdevice::ConnectMode::FailStart, E_FAIL, false, 0, false},
                      StartCase{"NeverSignal", vbdevice::ConnectMode::NeverSignal, S_OK, false, 0, false}),
    [](const ::testing::TestParamInfo<StartCase>& info) { return std::string(info.param.name); });

TEST_F(ConnectionTest, DelayedStartSignalsFromAnotherThreadLater) {
    RAPIINIT init;
    ASSERT_EQ(Start({vbdevice::ConnectMode::Delayed, 50}, &init), S_OK);
    ASSERT_NE(init.heRapiInit, nullptr);
    ASSERT_EQ(WaitForSingleObject(init.heRapiInit, 30000), WAIT_OBJECT_0);
    EXPECT_EQ(init.hrRapiInit, S_OK);
    EXPECT_TRUE(vbdevice::IsLinkUp());
    EXPECT_TRUE(Matches(Took(CeCreateDirectory(VB_WTEXT("\\x"), nullptr)), kSucceeds));
}

TEST_F(ConnectionTest, UninitCancelsAPendingStart) {
    RAPIINIT init;
    ASSERT_EQ(Start({vbdevice::ConnectMode::Delayed, 600000}, &init), S_OK);
    EXPECT_EQ(WaitForSingleObject(init.heRapiInit, 0), WAIT_TIMEOUT);
    EXPECT_TRUE(Matches(Took(CeCreateDirectory(VB_WTEXT("\\x"), nullptr)), FailsWith(ERROR_NOT_CONNECTED)));
    EXPECT_EQ(CeRapiUninit(), S_OK);
    // The event stays a valid handle, never signalled.
    EXPECT_EQ(WaitForSingleObject(init.heRapiInit, 0), WAIT_TIMEOUT);
    EXPECT_FALSE(vbdevice::IsLinkUp());
}

TEST_F(ConnectionTest, RefusesARecordOfAnotherSize) {
    RAPIINIT init{};
    init.cbSize = 16;
    EXPECT_EQ(CeRapiInitEx(&init), E_INVALIDARG);
    EXPECT_EQ(CeRapiInitEx(nullptr), E_INVALIDARG);
    EXPECT_FALSE(vbdevice::IsLinkUp());
}

TEST_F(ConnectionTest, ASecondStartNeedsUninitFirst) {
    RAPIINIT first, second;
    ASSERT_EQ(Start({vbdevice::ConnectMode::Immediate, 0}, &first), S_OK);
    EXPECT_EQ(Start({vbdevice::ConnectMode::Immediate, 0}, &second), CERAPI_E_ALREADYINITIALIZED);
    EXPECT_EQ(CeRapiUninit(), S_OK);
    EXPECT_EQ(CeRapiUninit(), E_FAIL) << "nothing left to end";
    EXPECT_EQ(Start({vbdevice::ConnectMode::Immediate, 0}, &second), S_OK);
    EXPECT_TRUE(vbdevice::IsLinkUp());
}

TEST_F(ConnectionTest, UninitClosesTheSessionsHandles) {
    RAPIINIT init;
    ASSERT_EQ(Start({vbdevice::ConnectMode::Immediate, 0}, &init), S_OK);
    HANDLE file = CeCreateFile(VB_WTEXT("\\f"), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(vbdevice::OpenHandleCount(), 1u);
    CeRapiUninit();
    EXPECT_EQ(vbdevice::OpenHandleCount(), 0u);
    ASSERT_EQ(Start({vbdevice::ConnectMode::Immediate, 0}, &init), S_OK);
    EXPECT_TRUE(Matches(Took(CeCloseHandle(file)), FailsWith(ERROR_INVALID_HANDLE)));
}

// Every operation that goes over the link, called with harmless arguments.
struct LinkCall {
    const char* name;
    std::function<BOOL()> call;
};

std::vector<LinkCall> LinkCalls() {
    return {
        {"CeFindAllFiles", [] {
             DWORD count = 7;
             LPCE_FIND_DATA array = nullptr;
             return CeFindAllFiles(VB_WTEXT("\\*.*"), FAF_NAME, &count, &array);
         }},
        {"CeCreateFile", [] {
             return static_cast<BOOL>(CeCreateFile(VB_WTEXT("\\f"), GENERIC_READ, 0, nullptr, OPEN_ALWAYS, 0,
                                                   nullptr) != INVALID_HANDLE_VALUE);
         }},
        {"CeReadFile", [] {
             char b[4];
             DWORD n = 99;
             return CeReadFile(reinterpret_cast<HANDLE>(0x10), b, 4, &n, nullptr);
         }},
        {"CeWriteFile", [] {
             DWORD n = 99;
             return CeWriteFile(reinterpret_cast<HANDLE>(0x10), "x", 1, &n, nullptr);
         }},
        {"CeGetFileSize", [] {
             return static_cast<BOOL>(CeGetFileSize(reinterpret_cast<HANDLE>(0x10), nullptr) != INVALID_FILE_SIZE);
         }},
        {"CeGetFileTime", [] {
             FILETIME t;
             return CeGetFileTime(reinterpret_cast<HANDLE>(0x10), &t, &t, &t);
         }},
        {"CeSetFileTime", [] {
             FILETIME t{};
             return CeSetFileTime(reinterpret_cast<HANDLE>(0x10), &t, &t, &t);
         }},
        {"CeCloseHandle", [] { return CeCloseHandle(reinterpret_cast<HANDLE>(0x10)); }},
        {"CeDeleteFile", [] { return CeDeleteFile(VB_WTEXT("\\f")); }},
        {"CeRemoveDirectory", [] { return CeRemoveDirectory(VB_WTEXT("\\d")); }},
        {"CeGetFileAttributes", [] {
             return static_cast<BOOL>(CeGetFileAttributes(VB_WTEXT("\\")) != INVALID_FILE_ATTRIBUTES);
         }},
        {"CeCreateDirectory", [] { return CeCreateDirectory(VB_WTEXT("\\d"), nullptr); }},
        {"CeCopyFile", [] { return CeCopyFile(VB_WTEXT("\\f"), VB_WTEXT("\\g"), TRUE); }},
        {"CeMoveFile", [] { return CeMoveFile(VB_WTEXT("\\f"), VB_WTEXT("\\g")); }},
        {"CeCreateProcess", [] {
             PROCESS_INFORMATION pi{};
             return CeCreateProcess(VB_WTEXT("\\p.exe"), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                    nullptr, &pi);
         }},
    };
}

TEST_F(ConnectionTest, EveryCallBeforeTheLinkIsUpFailsNotConnected) {
    std::vector<RAPIINIT> starts(2);
    for (int state = 0; state < 3; ++state) {
        // 0: never started; 1: started, no signal yet; 2: start failed.
        CeRapiUninit();
        if (state == 1) {
            ASSERT_EQ(Start({vbdevice::ConnectMode::NeverSignal, 0}, &starts[0]), S_OK);
        } else if (state == 2) {
            ASSERT_EQ(Start({vbdevice::ConnectMode::FailSignal, 0}, &starts[1]), S_OK);
        }
        for (const LinkCall& c : LinkCalls()) {
            Outcome outcome = Took(c.call());
            EXPECT_TRUE(Matches(outcome, FailsWith(ERROR_NOT_CONNECTED))) << c.name << " in state " << state;
        }
    }
    EXPECT_FALSE(Exists("\\f"));
}

TEST_F(ConnectionTest, AfterADropEveryCallFailsInTheLinkUntilANewStart) {
    RAPIINIT init;
    ASSERT_EQ(Start({vbdevice::ConnectMode::Immediate, 0}, &init), S_OK);
    vbdevice::DropLink();
    EXPECT_FALSE(vbdevice::IsLinkUp());
    for (const LinkCall& c : LinkCalls()) {
        Outcome outcome = Took(c.call());
        EXPECT_FALSE(outcome.ok) << c.name;
        EXPECT_EQ(outcome.link, E_FAIL) << c.name;
        EXPECT_EQ(outcome.error, 0u) << c.name << ": the device never saw the call";
    }
    EXPECT_EQ(Start({vbdevice::ConnectMode::Immediate, 0}, &init), CERAPI_E_ALREADYINITIALIZED);
    CeRapiUninit();
    ASSERT_EQ(Start({vbdevice::ConnectMode::Immediate, 0}, &init), S_OK);
    EXPECT_TRUE(Matches(Took(CeCreateDirectory(VB_WTEXT("\\d"), nullptr)), kSucceeds))
        << "a successful call clears CeRapiGetError";
}

TEST_F(ConnectionTest, EachThreadSeesItsOwnErrors) {
    RAPIINIT init;
    ASSERT_EQ(Start({vbdevice::ConnectMode::Immediate, 0}, &init), S_OK);
    ASSERT_FALSE(CeDeleteFile(VB_WTEXT("\\missing")));
    ASSERT_EQ(CeGetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

    DWORD otherError = 0;
    HRESULT otherLink = 1;
    std::thread other([&] {
        CeCreateDirectory(VB_WTEXT("\\d"), nullptr);
        CeCreateDirectory(VB_WTEXT("\\d"), nullptr);
        otherError = CeGetLastError();
        otherLink = CeRapiGetError();
    });
    other.join();
    EXPECT_EQ(otherError, static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(otherLink, S_OK);
    EXPECT_EQ(CeGetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND)) << "untouched by the other thread";

    vbdevice::DropLink();
    std::thread dropped([&] {
        CeCreateDirectory(VB_WTEXT("\\e"), nullptr);
        otherLink = CeRapiGetError();
    });
    dropped.join();
    EXPECT_EQ(otherLink, E_FAIL);
    EXPECT_EQ(CeRapiGetError(), S_OK) << "this thread's last call was before the drop";
}

}  // namespace
